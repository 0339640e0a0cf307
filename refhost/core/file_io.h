/*
 * file_io.h - the host's file layer: whole files read with a size bound,
 * and whole files written so that a failed save never destroys what was
 * there.  Every file the host writes goes through WriteWholeFile; the
 * formats above it only build texts and parse them.
 */
#ifndef REFHOST_FILE_IO_H
#define REFHOST_FILE_IO_H

#include <stddef.h>
#include <string>

namespace ka {

enum FileReadStatus {
    FILE_READ_OK,
    FILE_CANNOT_OPEN,
    FILE_READ_FAILED,
    FILE_TOO_LARGE,     /* more than the limit; *text is then incomplete */
};

/* The whole file into *text, reading at most a little past limit bytes;
 * otherwise *why says what went wrong. */
FileReadStatus ReadWholeFile(const char *path, size_t limit, std::string *text, std::string *why);

/* Writes size bytes to a new file in the target's folder, flushes it to
 * the disk and checks every step, and only then puts it in the target's
 * place in one rename.  false: the target is as it was, no temporary
 * file is left, and *why names the step and the cause ("writing failed:
 * disk full"). */
bool WriteWholeFile(const char *path, const void *data, size_t size, std::string *why);

/* The folder, made when it is not there yet (its parent must be);
 * otherwise *why names the cause ("cannot make the folder: permission
 * denied"). */
bool MakeFolder(const char *path, std::string *why);

/* The folder a routine writes its demo files to, made when missing; *base
 * is its FolderPrefix.  A null folder is reported as ERR_NULL_ADDRESS, one
 * that cannot be made as errorName, both by routine, and the answer is
 * false. */
bool DemoFolder(const char *folder, const char *routine, const char *errorName,
                std::string *base);

/* Bytes per write of WriteWholeFile; Kh_Fail_File_Step counts writes in
 * these blocks. */
const size_t kFileWriteBlock = 4096;

} // namespace ka

#endif
