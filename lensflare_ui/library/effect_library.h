/*
 * effect_library.h - every lens effect file of the library as a small
 * picture: the files found below the library folder (and in the folder of
 * the last library file), each drawn by the host through the temporary
 * light.  Pictures are kept until the editor closes and made again only
 * when a file's size or time, or the light's place, changes.
 */
#ifndef EFFECT_LIBRARY_H
#define EFFECT_LIBRARY_H

#include <stdint.h>
#include <windows.h>

#include "library/library.h"

#define THUMBNAIL_WIDTH   160
#define THUMBNAIL_HEIGHT  120
#define THUMBNAIL_ROW     (THUMBNAIL_WIDTH * 3)   /* 24-bit rows, already a multiple of 4 */
#define LIBRARY_FOLDER_DEPTH 8                    /* subfolder levels searched */

enum ThumbnailState { THUMBNAIL_PENDING, THUMBNAIL_READY, THUMBNAIL_FAILED };

struct EffectThumbnail {
    char path[FILE_NAME_SIZE];   /* full path as found */
    const char *name;            /* the file name inside path */
    uint32_t key;                /* hash of the path without case, to find it fast */
    uint64_t size;               /* bytes, when drawn */
    FILETIME written;            /* last write, when drawn */
    int16_t state;               /* ThumbnailState */
    int16_t lightX, lightY;      /* light in thumbnail pixels when drawn, y up */
    const char *reason;          /* THUMBNAIL_FAILED: why, a static text */
    unsigned char *pixels;       /* THUMBNAIL_READY: bottom-up rows of THUMBNAIL_ROW bytes */
};

/* What one scan found; the entries belong to the kept pictures. */
struct EffectCatalogue {
    EffectThumbnail **files;       /* sorted by path, without case */
    int32_t count, capacity;
    char unreadable[FILE_NAME_SIZE];   /* the first folder that could not be read, or "" */
    int32_t unreadableCount;
};

/* Fills the catalogue (emptied first) from the library folder of the
 * requestor's rules, its subfolders, and lastFile's folder when that is
 * elsewhere (lastFile may be null).  A file changed since its picture was
 * drawn gets pending again. */
void ScanEffectLibrary(EffectCatalogue *catalogue, const char *lastFile);
void FreeEffectCatalogue(EffectCatalogue *catalogue);

/* Loads the file into the temporary light (which must exist) and draws
 * it with the light at (x, y) using the buffer and the 24-bit scratch
 * image, both of the thumbnail's size; the picture or the reason is kept. */
void DrawEffectThumbnail(EffectThumbnail *thumbnail, KaGBuffer *buffer, PreviewImage *scratch,
                         int16_t x, int16_t y);
/* Pending again when its light place differs. */
bool ThumbnailIsCurrent(const EffectThumbnail *thumbnail, int16_t x, int16_t y);

/* Every kept picture goes: the editor's end. */
void ForgetEffectThumbnails();
/* Bytes the kept pictures take, records included. */
size_t EffectThumbnailBytes();

#endif
