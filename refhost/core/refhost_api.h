/*
 * refhost_api.h - what the reference host's core offers to its own host
 * program and to tests, beyond the plug-in interface: memory accounting,
 * the error record, the call log, environment values, test element types
 * and a text dump of a flare.  Plug-ins never call these.
 */
#ifndef REFHOST_API_H
#define REFHOST_API_H

#include "host/kalvos_core.h"

#ifdef __cplusplus
extern "C" {
#endif

KA_API void Kh_Memory_Stats(int64_t *liveBlocks, int64_t *liveBytes);

/* The error record keeps the most recent KH_ERRORS_KEPT reports; older
 * ones are only counted (Kh_Errors_Dropped). */
#define KH_ERRORS_KEPT 1000
KA_API int Kh_Error_Count(void);
/* Report i as "name|routine|detail", 0 the oldest kept; returns the
 * length, -1 for no report. */
KA_API int Kh_Get_Error(int index, char *out, int outSize);
KA_API long long Kh_Errors_Dropped(void);
KA_API void Kh_Clear_Errors(void);
KA_API void Kh_Set_Error_Echo(int on);

/* Environment values the host answers Ki_Inquire_Environment with
 * ("KA_WORKING_DIR"); a null value removes the name. */
KA_API void Kh_Set_Environment(const char *name, const char *value);

/* The call log: one line per API call appended to path (null stops it).
 * With KH_LOG_BOOKKEEPING the token and memory calls are logged too.
 * A line that cannot be written stops the log with a message on stderr;
 * stopping it then returns -1, so a caller knows the log is incomplete. */
#define KH_LOG_BOOKKEEPING 1
KA_API int Kh_Set_Call_Log(const char *path, int flags);

/* A readable dump of a flare (globals, elements, every parameter value);
 * returns the length, writing at most outSize - 1 characters. */
KA_API int Kh_Describe_Flare(KaToken ownerType, const char *ownerName, char *out, int outSize);

/* Writes a whole file as the host writes all of its files: to a new file
 * beside it, checked, then renamed over it.  0 when written; -1 with an
 * ERR_FILE_WRITE report naming the cause, the file as it was before. */
KA_API int Kh_Save_File(const char *path, const void *data, int64_t size);

/* Reads a whole file with the host's reader: its size in bytes, copied to
 * out when it fits in outSize (a null out asks for the size only), or
 * KH_LOAD_CANNOT_OPEN, KH_LOAD_FAILED or KH_LOAD_TOO_LARGE (over 64 MiB). */
#define KH_LOAD_CANNOT_OPEN (-1)
#define KH_LOAD_FAILED      (-2)
#define KH_LOAD_TOO_LARGE   (-3)
KA_API int64_t Kh_Load_File(const char *path, char *out, int64_t outSize);

/* Fault injection for tests: the nth run (1 = the next) of a step of the
 * host's file writing fails as if the system had answered with the errno
 * value error; once, then the fault is gone.  Step 0 removes it. */
#define KH_FILE_CREATE 1
#define KH_FILE_WRITE  2   /* one per 4096-byte block */
#define KH_FILE_FLUSH  3
#define KH_FILE_CLOSE  4
#define KH_FILE_RENAME 5
KA_API void Kh_Fail_File_Step(int step, int nth, int error);

/* Writes the demo effects (.lnz) into folder; returns how many. */
KA_API int Kh_Write_Demo_Effects(const char *folder);

/* Writes the demo colour gradients and colour maps (.grd, .cmp) into
 * folder; returns how many. */
KA_API int Kh_Write_Demo_Gradients(const char *folder);

/* Adds an element type from its text definition (see docs/host.md);
 * 0 on success, else the line number of the first fault. */
KA_API int Kh_Define_Element_Type(const char *definition);

/* Whether the element type enumeration offers the host's types (the
 * default) or none, as a host without any installed types would.  Flares
 * and files still know every type. */
KA_API void Kh_Offer_Element_Types(int on);

/* Test only: of every period render calls (from the first after this
 * call) the later half add nothing to the image, so any flare flickers.
 * 0 or 1 renders every call again. */
KA_API void Kh_Set_Render_Flicker(int period);

#ifdef __cplusplus
}
#endif

#endif
