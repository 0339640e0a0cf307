/*
 * files.cpp - environment values and the small file-name helpers of the
 * host core: Ki_Inquire_Environment, Ki_File_Exists,
 * Ki_Check_File_Extension and Ki_Check_For_File_Extension.
 */
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "calllog.h"
#include "errors.h"
#include "refhost_api.h"

namespace ka {

namespace {

/* Environment values by name, set by the host program (Kh_Set_Environment);
 * Ki_Inquire_Environment hands out pointers into these strings. */
std::map<std::string, std::string> g_environment;

bool IsSeparator(char c)
{
    return c == '/' || c == '\\' || c == ':';
}

/* ".lnz" from ".lnz" or "lnz". */
std::string DottedExtension(const char *extension)
{
    return extension[0] == '.' ? std::string(extension) : "." + std::string(extension);
}

} // namespace

} // namespace ka

using namespace ka;

extern "C" void Kh_Set_Environment(const char *name, const char *value)
{
    if (!name)
        return;
    if (value)
        g_environment[name] = value;
    else
        g_environment.erase(name);
}

extern "C" int Ki_Inquire_Environment(const char *name, char **value)
{
    LogCall("Ki_Inquire_Environment", name, OutArg{value});
    if (!name || !value) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_Inquire_Environment()",
                    name ? "null address to store the value" : "null name");
        return -1;
    }
    auto found = g_environment.find(name);
    *value = found == g_environment.end() ? nullptr : &found->second[0];
    return found == g_environment.end() ? -1 : 0;
}

extern "C" int Ki_File_Exists(const char *path, int32_t *exists)
{
    LogCall("Ki_File_Exists", path, OutArg{exists});
    if (!path || !exists) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_File_Exists()",
                    path ? "null address to store the answer" : "null path");
        return -1;
    }
    /* stat() refuses a folder named with a trailing separator on Windows. */
    std::string p = path;
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\') && p[p.size() - 2] != ':')
        p.pop_back();
    struct stat info;
    *exists = !p.empty() && stat(p.c_str(), &info) == 0 ? 1 : 0;
    return 0;
}

extern "C" int Ki_Check_File_Extension(char *out, const char *in, const char *extension)
{
    LogCall("Ki_Check_File_Extension", OutArg{out}, in, extension);
    if (!out || !in || !extension) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_Check_File_Extension()",
                    !out ? "null output buffer" : !in ? "null path" : "null extension");
        return -1;
    }
    std::string path = in;
    size_t base = 0;
    for (size_t i = 0; i < path.size(); i++)
        if (IsSeparator(path[i]))
            base = i + 1;
    size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= base && dot > base)   /* ".profile" has no extension */
        path.erase(dot);
    path += DottedExtension(extension);
    std::memmove(out, path.c_str(), path.size() + 1);
    return 0;
}

extern "C" int Ki_Check_For_File_Extension(const char *path, const char *extension)
{
    LogCall("Ki_Check_For_File_Extension", path, extension);
    if (!path || !extension)
        return 0;
    std::string ext = DottedExtension(extension);
    size_t n = std::strlen(path);
    if (n < ext.size())
        return 0;
    const char *tail = path + n - ext.size();
    for (size_t i = 0; i < ext.size(); i++)
        if (std::tolower((unsigned char)tail[i]) != std::tolower((unsigned char)ext[i]))
            return 0;
    return 1;
}
