/*
 * kalvos_core.h - the host core library (vc64_ka.dll) as plug-ins call it.
 *
 * Keyword calls take a variable argument list ended by the integer 0.
 * Keywords travel as 64-bit tokens from Ki_Inquire_Token; a token's low
 * 32 bits are never 0 or 1, so the integers 1 (end of a keyword group)
 * and 0 (end of the list) can be told from tokens even when a caller
 * passes them as 32-bit ints.  Inquiries receive addresses to store into.
 *
 * The reference host builds this header with KA_BUILD_CORE defined, which
 * turns the imports into exports; natively (no Windows) the functions are
 * plain C symbols of the portable core.
 */
#ifndef KALVOS_CORE_H
#define KALVOS_CORE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(KA_BUILD_CORE)
#    define KA_API __declspec(dllexport)
#  else
#    define KA_API __declspec(dllimport)
#  endif
#else
#  define KA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint64_t KaToken;

/* Progress callback of a render: phase is the token of "start", "update"
 * or "end"; fraction rises from 0.0 to 1.0 over the "update" calls. */
typedef int (*KaProgressFn)(KaToken phase, float fraction);

/* The host's floating-point image buffer.  Every array holds
 * width x height floats, row after row, starting with the bottom row. */
typedef struct KaGBuffer {
    int32_t width;
    int32_t height;
    float *red;
    float *green;
    float *blue;
    float *depth;     /* the host's own; plug-ins leave it alone */
    float *coverage;  /* fourth channel, 1.0 where nothing covers the light */
} KaGBuffer;

/* A colour map entry: red, green, blue in 0..1. */
typedef float KaColor[3];

KA_API KaToken Ki_Inquire_Token(const char *keyword);

/* Zero-filled block.  The flags say who keeps it: (0, 1) the lens flare
 * model, (1, 0) or (1, 1) other plug-in data; the host accounts for both. */
KA_API void *Ki_Alloc_Memory(int16_t flag1, int16_t flag2, size_t bytes);
KA_API void Ki_Free_Memory(void *block);

KA_API int Ki_Inquire_LensFlare(KaToken ownerType, const char *ownerName, ...);
KA_API int Ki_LensFlare(KaToken ownerType, const char *ownerName, ...);
KA_API int Ki_LensFlare_Enumerate_ElementInfo(KaToken keyword, ...);

KA_API KaGBuffer *Ki_Alloc_Global_GBuffer(int32_t width, int32_t height,
                                          int32_t depthHeight, int32_t flags);
KA_API void Ki_Free_Global_GBuffer(KaGBuffer *buffer);
KA_API int Ki_LensFlareApplyToGBuffer(KaGBuffer *buffer, KaToken ownerType,
                                      const char *ownerName, int32_t x, int32_t y,
                                      KaProgressFn progress);

KA_API int Ki_Compute_Colormap(int32_t mode, int32_t redLevels, int32_t greenLevels,
                               int32_t blueLevels, KaColor *map);
KA_API int Ki_Gamma_Correct(const KaColor *in, KaColor *out, int32_t count, float gamma);
KA_API int Ki_Dither_Image(unsigned char *pixels, const KaColor *map, int16_t width,
                           int16_t height, int32_t redLevels, int32_t greenLevels,
                           int32_t blueLevels, int32_t *flag);

/* Ki_Light(name, keyword groups..., 0) creates or changes a light. */
KA_API int Ki_Light(const char *name, ...);
KA_API int Ki_Remove(KaToken type, const char *name, ...);
KA_API int Ki_Handle_Name_Exists(const char *name, int32_t *exists, KaToken type, ...);

KA_API int Ki_Inquire_Environment(const char *name, char **value);
KA_API int Ki_File_Exists(const char *path, int32_t *exists);
KA_API int Ki_Check_File_Extension(char *out, const char *in, const char *extension);
KA_API int Ki_Check_For_File_Extension(const char *path, const char *extension);

/* Gradient files (".grd" colour gradients, ".cmp" colour maps).  A load
 * returns 0 with count entries in host blocks the caller frees (offsets
 * 0..1 ascending, red-green-blue triples 0..1, and an optional block of the
 * host's own), -1 when the file cannot be opened, -2 when it does not parse,
 * -3 when memory ran out; on failure every output pointer stays null.  A save
 * returns -2 for fewer than one entry, -1 when the file cannot be written,
 * 0 on success.  interpolation is the token of "linear" or "cardinal". */
KA_API int Ki_Load_Gradient_Colormap(const char *fileName, int32_t *count, float **offsets,
                                     float **colors, void **extra, KaToken *interpolation);
KA_API int Ki_Save_Gradient_Colormap(const char *fileName, int32_t count, const float *offsets,
                                     const float *colors, void *extra, KaToken interpolation);

/* Named colours.  Ki_Copy(token of "color", source, destination, 0) copies
 * three floats.  Ki_Inquire_Colorname(name, colour, 0) fills the colour of
 * a known name (case does not matter); an unknown name changes nothing.
 *
 * Ki_Enumerate(start, pattern, userCount, user values..., limit, callback,
 * token of "colorname", 0) calls back once per name that matches pattern
 * (* any run, ? one character, case ignored), in the host's table order,
 * skipping the first start matches and delivering at most limit (0: all).
 * The userCount (0..16) values are handed back in every record.  A
 * callback returns 0 to go on; otherwise the enumeration stops.  Unless
 * a callback stopped it, the callback then gets one closing record with
 * valid 0 and no name.  Returns the number of names delivered, or -1 after a fault
 * (reported; then no callback is made). */
typedef struct KaEnumRecord {
    int32_t valid;            /* 1: a name; 0: the closing record */
    int32_t index;            /* position among all matches, from 0; in the
                                 closing record, start + names delivered */
    const char *name;         /* the host's text, kept for the process */
    const float *color;       /* the host's red, green, blue of the name */
    void *userData;           /* the first user value, null without any */
    int32_t userCount;
    void *const *userValues;  /* all userCount user values */
} KaEnumRecord;
typedef int (*KaEnumFn)(KaEnumRecord *record);

KA_API int Ki_Copy(KaToken type, ...);
KA_API int Ki_Enumerate(int32_t start, const char *pattern, int32_t userCount, ...);
KA_API int Ki_Inquire_Colorname(const char *name, float *color, ...);

KA_API void Ki_Report_Error(int16_t severity, const char *errorName,
                            const char *routine, const char *detail);

#ifdef __cplusplus
}
#endif

#endif
