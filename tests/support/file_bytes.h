/*
 * file_bytes.h - a whole file as bytes, for the host's tests and the
 * plug-in's alike.
 */
#ifndef FILE_BYTES_H
#define FILE_BYTES_H

#include <fstream>
#include <sstream>
#include <string>

/* Empty when the file is missing. */
inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

#endif
