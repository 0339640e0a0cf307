/*
 * effect_library.cpp - the library's files and their kept pictures.  The
 * pictures live in the process's own memory, apart from the host's
 * blocks, from the first browser of an editor to the editor's end; a scan
 * finds the files again each time and keeps every picture whose file
 * still has the size and time it was drawn from.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host_helpers.h"
#include "library/effect_library.h"
#include "library/temp_light.h"

namespace {

/* Every picture made since the editor opened; owned here, freed by
 * ForgetEffectThumbnails. */
EffectThumbnail **kept;
int32_t keptCount, keptCapacity;

bool Grow(void **array, int32_t *capacity, int32_t needed, size_t itemBytes)
{
    if (needed <= *capacity)
        return true;
    int32_t grown = *capacity ? *capacity * 2 : 64;
    while (grown < needed)
        grown *= 2;
    void *bigger = std::realloc(*array, (size_t)grown * itemBytes);
    if (!bigger)
        return false;
    *array = bigger;
    *capacity = grown;
    return true;
}

void FreePixels(EffectThumbnail *t)
{
    if (t->pixels)
        std::free(t->pixels);
    t->pixels = nullptr;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

uint64_t FileSize(const WIN32_FIND_DATAA &found)
{
    return ((uint64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow;
}

/* FNV-1a over the path in lower case: a thousand files would otherwise
 * cost a million case-blind comparisons a scan. */
uint32_t PathKey(const char *path)
{
    uint32_t key = 2166136261u;
    for (const char *c = path; *c; c++) {
        char lower = *c >= 'A' && *c <= 'Z' ? (char)(*c - 'A' + 'a') : *c;
        key = (key ^ (unsigned char)lower) * 16777619u;
    }
    return key;
}

EffectThumbnail *KeptPicture(const char *path)
{
    uint32_t key = PathKey(path);
    for (int32_t i = 0; i < keptCount; i++)
        if (kept[i]->key == key && lstrcmpiA(kept[i]->path, path) == 0)
            return kept[i];
    if (!Grow(reinterpret_cast<void **>(&kept), &keptCapacity, keptCount + 1,
              sizeof(EffectThumbnail *)))
        return nullptr;
    EffectThumbnail *t = static_cast<EffectThumbnail *>(std::calloc(1, sizeof(EffectThumbnail)));
    if (!t)
        return nullptr;
    std::snprintf(t->path, sizeof t->path, "%s", path);
    t->key = key;
    const char *name = t->path;
    for (const char *c = t->path; *c; c++)
        if (IsSeparator(*c) || *c == ':')
            name = c + 1;
    t->name = name;
    kept[keptCount++] = t;
    return t;
}

void AddFile(EffectCatalogue *catalogue, const char *path, const WIN32_FIND_DATAA &found)
{
    EffectThumbnail *t = KeptPicture(path);
    if (!t)
        return;
    for (int32_t i = 0; i < catalogue->count; i++)
        if (catalogue->files[i] == t)
            return;
    if (t->size != FileSize(found) || CompareFileTime(&t->written, &found.ftLastWriteTime) != 0) {
        FreePixels(t);
        t->state = THUMBNAIL_PENDING;
        t->size = FileSize(found);
        t->written = found.ftLastWriteTime;
    }
    if (!Grow(reinterpret_cast<void **>(&catalogue->files), &catalogue->capacity,
              catalogue->count + 1, sizeof(EffectThumbnail *)))
        return;
    catalogue->files[catalogue->count++] = t;
}

bool IsLensEffectName(const char *name)
{
    size_t length = std::strlen(name);
    return length > 4 && lstrcmpiA(name + length - 4, ".lnz") == 0;
}

void NoteUnreadable(EffectCatalogue *catalogue, const char *folder)
{
    if (!catalogue->unreadableCount++)
        std::snprintf(catalogue->unreadable, sizeof catalogue->unreadable, "%s", folder);
}

/* folder joined with name; false when it does not fit. */
bool JoinPath(char *out, const char *folder, const char *name)
{
    size_t length = std::strlen(folder);
    const char *separator = length && IsSeparator(folder[length - 1]) ? "" : "\\";
    int written = std::snprintf(out, FILE_NAME_SIZE, "%s%s%s", folder, separator, name);
    return written > 0 && written < FILE_NAME_SIZE;
}

void ScanFolder(EffectCatalogue *catalogue, const char *folder, int depth)
{
    char pattern[FILE_NAME_SIZE];
    if (!JoinPath(pattern, folder, "*"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            NoteUnreadable(catalogue, folder);
        return;
    }
    do {
        const char *name = found.cFileName;
        char path[FILE_NAME_SIZE];
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..") || !JoinPath(path, folder, name))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth < LIBRARY_FOLDER_DEPTH)
                ScanFolder(catalogue, path, depth + 1);
        } else if (IsLensEffectName(name)) {
            AddFile(catalogue, path, found);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

/* The folder of the last library file, relative ones below the working
 * directory as the requestors take them; false without a folder part. */
bool LastFileFolder(const char *lastFile, char *folder)
{
    if (!lastFile)
        return false;
    int split = -1;
    for (int i = 0; lastFile[i]; i++)
        if (IsSeparator(lastFile[i]) || lastFile[i] == ':')
            split = i;
    if (split < 0)
        return false;
    char part[FILE_NAME_SIZE];
    std::snprintf(part, sizeof part, "%.*s", split + (lastFile[split] == ':' ? 1 : 0), lastFile);
    char *work = nullptr;
    Ki_Inquire_Environment("KA_WORKING_DIR", &work);
    bool absolute = part[0] && (part[1] == ':' || IsSeparator(part[0]));
    if (absolute || !work || !work[0])
        std::snprintf(folder, FILE_NAME_SIZE, "%s", part[0] ? part : "\\");
    else if (!JoinPath(folder, work, part))
        return false;
    return true;
}

bool IsInside(const char *folder, const char *root)
{
    size_t length = std::strlen(root);
    while (length && IsSeparator(root[length - 1]))
        length--;
    if (std::strlen(folder) < length || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, folder,
                                                       (int)length, root, (int)length) != CSTR_EQUAL)
        return false;
    return folder[length] == '\0' || IsSeparator(folder[length]);
}

int ByPath(const void *a, const void *b)
{
    return lstrcmpiA((*static_cast<EffectThumbnail *const *>(a))->path,
                     (*static_cast<EffectThumbnail *const *>(b))->path);
}

} // namespace

void ScanEffectLibrary(EffectCatalogue *catalogue, const char *lastFile)
{
    catalogue->count = 0;
    catalogue->unreadable[0] = '\0';
    catalogue->unreadableCount = 0;
    char root[FILE_NAME_SIZE], last[FILE_NAME_SIZE];
    DefaultRequestorFolder("lensfx", root);
    ScanFolder(catalogue, root, 0);
    if (LastFileFolder(lastFile, last) && !IsInside(last, root))
        ScanFolder(catalogue, last, LIBRARY_FOLDER_DEPTH);
    std::qsort(catalogue->files, (size_t)catalogue->count, sizeof(EffectThumbnail *), ByPath);
}

void FreeEffectCatalogue(EffectCatalogue *catalogue)
{
    if (catalogue->files)
        std::free(catalogue->files);
    *catalogue = EffectCatalogue();
}

void DrawEffectThumbnail(EffectThumbnail *thumbnail, KaGBuffer *buffer, PreviewImage *scratch,
                         int16_t x, int16_t y)
{
    FreePixels(thumbnail);
    thumbnail->lightX = x;
    thumbnail->lightY = y;
    int32_t status = LoadFileIntoTempLight(thumbnail->path);
    if (status != 0) {
        thumbnail->state = THUMBNAIL_FAILED;
        thumbnail->reason = LoadFailureReason(status);
        return;
    }
    size_t bytes = (size_t)THUMBNAIL_ROW * THUMBNAIL_HEIGHT;
    if (scratch->rowLength == THUMBNAIL_ROW && RenderTempLightImage(buffer, scratch, x, y))
        thumbnail->pixels = static_cast<unsigned char *>(std::malloc(bytes));
    if (!thumbnail->pixels) {
        thumbnail->state = THUMBNAIL_FAILED;
        thumbnail->reason = "Not enough memory";
        return;
    }
    std::memcpy(thumbnail->pixels, scratch->pixels, bytes);
    thumbnail->state = THUMBNAIL_READY;
}

bool ThumbnailIsCurrent(const EffectThumbnail *thumbnail, int16_t x, int16_t y)
{
    if (thumbnail->state == THUMBNAIL_PENDING)
        return false;
    return thumbnail->state == THUMBNAIL_FAILED || (thumbnail->lightX == x && thumbnail->lightY == y);
}

void ForgetEffectThumbnails()
{
    for (int32_t i = 0; i < keptCount; i++) {
        FreePixels(kept[i]);
        std::free(kept[i]);
    }
    if (kept)
        std::free(kept);
    kept = nullptr;
    keptCount = keptCapacity = 0;
}

size_t EffectThumbnailBytes()
{
    size_t bytes = (size_t)keptCapacity * sizeof(EffectThumbnail *);
    for (int32_t i = 0; i < keptCount; i++)
        bytes += sizeof(EffectThumbnail) +
                 (kept[i]->pixels ? (size_t)THUMBNAIL_ROW * THUMBNAIL_HEIGHT : 0);
    return bytes;
}
