/*
 * paths.h - folder names as callers hand them over, made ready for a file
 * name to be appended.
 */
#ifndef REFHOST_PATHS_H
#define REFHOST_PATHS_H

#include <string>

namespace ka {

/* The folder with a separator at its end, in the style it already uses
 * (a backslash when it holds one, else a slash); an empty folder stays
 * empty, meaning the current directory. */
inline std::string FolderPrefix(const char *folder)
{
    std::string base = folder;
    char separator = base.find('\\') != std::string::npos ? '\\' : '/';
    if (!base.empty() && base.back() != '/' && base.back() != '\\')
        base += separator;
    return base;
}

} // namespace ka

#endif
