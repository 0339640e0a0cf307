/*
 * file_io.cpp - reading and safely writing whole files, and the fault
 * seam tests use to make each step of a save fail.
 *
 * A save never opens its target for writing: truncating it first would
 * destroy the old file on any later failure.  Each step is checked on its
 * own, because Wine's C runtime has fclose return 0 when its final flush
 * fails on a full disk; fflush and ferror do see it.
 */
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "errors.h"
#include "file_io.h"
#include "paths.h"
#include "refhost_api.h"

namespace ka {

namespace {

/* Set by Kh_Fail_File_Step: the countdown-th run of step from then on
 * fails with the errno value error, once. */
struct FileFault {
    int step = 0;                 /* KH_FILE_*, 0 for none */
    int countdown = 0;
    int error = 0;
};
FileFault g_fault;

unsigned g_temporaryNumber = 0;   /* makes each temporary name of this process new */

/* What the file system takes: a name of a folder entry, and a whole path
 * (the ANSI calls' MAX_PATH on Windows, less its terminating zero). */
const size_t kMaxNameLength = 255;
#ifdef _WIN32
const size_t kMaxPathLength = MAX_PATH - 1;
const char *const kFolderSeparators = "\\/:";
#else
const size_t kMaxPathLength = 4095;
const char *const kFolderSeparators = "/";
#endif

bool Injected(int step, int *error)
{
    if (g_fault.step != step || --g_fault.countdown > 0)
        return false;
    *error = g_fault.error;
    g_fault = FileFault();
    return true;
}

/* A cause of no errno value: the target's own read-only mark. */
const int kReadOnlyFile = -1;

std::string Cause(int error)
{
    switch (error) {
    case kReadOnlyFile:
        return "the file is read-only";
    case EISDIR:
        return "a folder is in the way";
    case ENOTDIR:
        return "a file is in the way";
    case ENOSPC:
        return "disk full";
    case EACCES:
    case EPERM:
        return "permission denied";
#ifdef EROFS
    case EROFS:
        return "read-only file system";
#endif
#ifdef EDQUOT
    case EDQUOT:
        return "disk quota exceeded";
#endif
    case ENOENT:
        return "no such file or folder";
    case 0:
        return "cause unknown";
    }
    return std::strerror(error);
}

#ifdef _WIN32

int ErrnoOfLastError()
{
    switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_DIRECTORY:
        return EISDIR;
    }
    return EIO;
}

/* 0, or why a save must not go over what path names: Windows' rename
 * replaces a read-only file under Wine, so the mark is checked here. */
int TargetFault(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EISDIR;
    return attributes & FILE_ATTRIBUTE_READONLY ? kReadOnlyFile : 0;
}

int OpenExclusive(const std::string &name, const char *)
{
    return _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int ProcessId()
{
    return _getpid();
}

std::FILE *StreamOf(int fd)
{
    return _fdopen(fd, "wb");
}

void CloseDescriptor(int fd)
{
    _close(fd);
}

bool SyncToDisk(std::FILE *file, int *error)
{
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle))
        return true;
    *error = ErrnoOfLastError();
    return false;
}

bool ReplaceTarget(const std::string &temporary, const char *path, int *error)
{
    if (MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = ErrnoOfLastError();
    return false;
}

#else

/* 0, or why a save must not go over what path names.  A file no one may
 * write is read-only even to the superuser, whom access() lets through. */
int TargetFault(const char *path)
{
    struct stat target;
    if (stat(path, &target) != 0)
        return 0;
    if (S_ISDIR(target.st_mode))
        return EISDIR;
    if (!(target.st_mode & 0222))
        return kReadOnlyFile;
    return access(path, W_OK) == 0 ? 0 : errno;
}

/* The new file takes the permissions of the one it replaces. */
int OpenExclusive(const std::string &name, const char *target)
{
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    struct stat old;
    if (fd >= 0 && stat(target, &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fd, old.st_mode & 07777);
    return fd;
}

int ProcessId()
{
    return (int)getpid();
}

std::FILE *StreamOf(int fd)
{
    return fdopen(fd, "wb");
}

void CloseDescriptor(int fd)
{
    close(fd);
}

bool SyncToDisk(std::FILE *file, int *error)
{
    if (fsync(fileno(file)) == 0)
        return true;
    *error = errno;
    return false;
}

bool ReplaceTarget(const std::string &temporary, const char *path, int *error)
{
    if (std::rename(temporary.c_str(), path) == 0)
        return true;
    *error = errno;
    return false;
}

#endif

/* The temporary's name: the target's name with the process and a number
 * after it, so a left-over file says what it belongs to.  Where that is
 * longer than a name or path may be, a short "~P-N.tmp" in the same
 * folder; false when even that does not fit. */
bool TemporaryName(const char *path, unsigned number, std::string *name)
{
    std::string target(path), tag = std::to_string(ProcessId()) + "-" + std::to_string(number);
    size_t cut = target.find_last_of(kFolderSeparators);
    size_t folderLength = cut == std::string::npos ? 0 : cut + 1;
    *name = target + "." + tag + ".tmp";
    if (name->size() - folderLength <= kMaxNameLength && name->size() <= kMaxPathLength)
        return true;
    *name = target.substr(0, folderLength) + "~" + tag + ".tmp";
    return name->size() <= kMaxPathLength;
}

/* A new file beside the target, or null with *error set.  A target that
 * may not be written is refused before anything is made: the rename
 * would otherwise replace it anyway. */
std::FILE *CreateTemporary(const char *path, std::string *name, int *error)
{
    if (Injected(KH_FILE_CREATE, error))
        return nullptr;
    *error = TargetFault(path);
    if (*error)
        return nullptr;
    for (int attempt = 0; attempt < 100; attempt++) {
        if (!TemporaryName(path, ++g_temporaryNumber, name)) {
            *error = ENAMETOOLONG;
            return nullptr;
        }
        int fd = OpenExclusive(*name, path);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = errno;
            return nullptr;
        }
        std::FILE *file = StreamOf(fd);
        if (file)
            return file;
        *error = errno;
        CloseDescriptor(fd);
        std::remove(name->c_str());
        return nullptr;
    }
    *error = EEXIST;
    return nullptr;
}

bool Wrote(std::FILE *file, const char *bytes, size_t size, int *error)
{
    if (Injected(KH_FILE_WRITE, error))
        return false;
    errno = 0;
    if (std::fwrite(bytes, 1, size, file) == size)
        return true;
    *error = errno;
    return false;
}

bool Flushed(std::FILE *file, int *error)
{
    if (Injected(KH_FILE_FLUSH, error))
        return false;
    errno = 0;
    if (std::fflush(file) != 0 || std::ferror(file)) {
        *error = errno;
        return false;
    }
    return SyncToDisk(file, error);
}

/* The file is closed whatever the answer. */
bool Closed(std::FILE *file, int *error)
{
    errno = 0;
    bool closed = std::fclose(file) == 0;
    int closeError = errno;
    if (Injected(KH_FILE_CLOSE, error))
        return false;
    if (!closed)
        *error = closeError;
    return closed;
}

bool Replaced(const std::string &temporary, const char *path, int *error)
{
    return !Injected(KH_FILE_RENAME, error) && ReplaceTarget(temporary, path, error);
}

} // namespace

FileReadStatus ReadWholeFile(const char *path, size_t limit, std::string *text, std::string *why)
{
    /* A folder opens as a file on some systems and is refused as a
     * permission on others: either way, say what is there. */
    struct stat target;
    bool folder = stat(path, &target) == 0 && S_ISDIR(target.st_mode);
    std::FILE *file = folder ? nullptr : std::fopen(path, "rb");
    if (!file) {
        *why = "cannot open the file: " + Cause(folder ? EISDIR : errno);
        return FILE_CANNOT_OPEN;
    }
    text->clear();
    char buffer[16384];
    size_t n;
    while (text->size() <= limit && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text->append(buffer, n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *why = "reading failed";
        return FILE_READ_FAILED;
    }
    if (text->size() > limit) {
        *why = "larger than " + std::to_string(limit) + " bytes";
        return FILE_TOO_LARGE;
    }
    return FILE_READ_OK;
}

bool MakeFolder(const char *path, std::string *why)
{
    /* Windows' stat() refuses a folder named with a separator at its end. */
    std::string folder = path;
    while (folder.size() > 1 && std::strchr("/\\", folder.back()) && folder[folder.size() - 2] != ':')
        folder.pop_back();
    struct stat target;
    if (stat(folder.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return true;
#ifdef _WIN32
    int made = _mkdir(folder.c_str());
#else
    int made = mkdir(folder.c_str(), 0777);
#endif
    if (made == 0)
        return true;
    *why = "cannot make the folder: " + Cause(errno == EEXIST ? ENOTDIR : errno);
    return false;
}

bool DemoFolder(const char *folder, const char *routine, const char *errorName,
                std::string *base)
{
    if (!folder) {
        ReportError(4, "ERR_NULL_ADDRESS", routine, "null folder");
        return false;
    }
    std::string why;
    if (*folder && !MakeFolder(folder, &why)) {
        ReportError(4, errorName, routine, std::string(folder) + ": " + why);
        return false;
    }
    *base = FolderPrefix(folder);
    return true;
}

bool WriteWholeFile(const char *path, const void *data, size_t size, std::string *why)
{
    int error = 0;
    std::string temporary;
    std::FILE *file = CreateTemporary(path, &temporary, &error);
    if (!file) {
        *why = "cannot create the file: " + Cause(error);
        return false;
    }
    const char *bytes = static_cast<const char *>(data);
    const char *failed = nullptr;
    for (size_t at = 0; !failed && at < size; at += kFileWriteBlock)
        if (!Wrote(file, bytes + at, std::min(kFileWriteBlock, size - at), &error))
            failed = "writing failed";
    if (!failed && !Flushed(file, &error))
        failed = "flushing failed";
    int closeError = 0;
    if (!Closed(file, &closeError) && !failed) {
        failed = "closing failed";
        error = closeError;
    }
    if (!failed && !Replaced(temporary, path, &error))
        failed = "cannot replace the file";
    if (failed) {
        std::remove(temporary.c_str());
        *why = std::string(failed) + ": " + Cause(error);
        return false;
    }
    return true;
}

} // namespace ka

extern "C" void Kh_Fail_File_Step(int step, int nth, int error)
{
    ka::g_fault = ka::FileFault();
    if (step < KH_FILE_CREATE || step > KH_FILE_RENAME || nth < 1)
        return;
    ka::g_fault.step = step;
    ka::g_fault.countdown = nth;
    ka::g_fault.error = error;
}

extern "C" int Kh_Save_File(const char *path, const void *data, int64_t size)
{
    std::string why;
    if (!path || (!data && size > 0) || size < 0) {
        ka::ReportError(4, "ERR_NULL_ADDRESS", "Kh_Save_File()", !path ? "null path" : "no data");
        return -1;
    }
    if (ka::WriteWholeFile(path, data, (size_t)size, &why))
        return 0;
    ka::ReportError(4, "ERR_FILE_WRITE", "Kh_Save_File()", std::string(path) + ": " + why);
    return -1;
}

extern "C" int64_t Kh_Load_File(const char *path, char *out, int64_t outSize)
{
    const size_t kLoadLimit = (size_t)64 << 20;
    std::string text, why;
    switch (ka::ReadWholeFile(path ? path : "", kLoadLimit, &text, &why)) {
    case ka::FILE_READ_OK:
        break;
    case ka::FILE_CANNOT_OPEN:
        return KH_LOAD_CANNOT_OPEN;
    case ka::FILE_TOO_LARGE:
        return KH_LOAD_TOO_LARGE;
    default:
        return KH_LOAD_FAILED;
    }
    if (out && (int64_t)text.size() <= outSize)
        std::memcpy(out, text.data(), text.size());
    return (int64_t)text.size();
}
