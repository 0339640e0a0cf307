/*
 * gradient_files.h - the host's colour gradient (.grd) and colour map
 * (.cmp) files, behind Ki_Load_Gradient_Colormap and
 * Ki_Save_Gradient_Colormap.  Both are small text formats described in
 * docs/host.md.  Parsers work on memory and fill a complete record before
 * anything is handed out; the exports only copy that record into host
 * blocks.
 */
#ifndef REFHOST_GRADIENT_FILES_H
#define REFHOST_GRADIENT_FILES_H

#include <stddef.h>
#include <string>
#include <vector>

namespace ka {

enum GradientFileKind {
    GRADIENT_FILE_NONE,   /* neither extension */
    GRADIENT_FILE_GRD,    /* entries at any offsets, float colours */
    GRADIENT_FILE_CMP,    /* 8-bit colours spread evenly over 0..1 */
};

/* A gradient as the files hold it, in the host's form: offsets 0..1
 * ascending (equal neighbours allowed), red-green-blue triples 0..1. */
struct GradientRecord {
    bool cardinal = false;             /* interpolation: "cardinal", else "linear" */
    std::vector<float> offsets;
    std::vector<float> colors;         /* 3 per entry */
    std::vector<unsigned char> table;  /* .cmp: the map's own 8-bit colours, 3 per entry */
};

const int kGradientMaxEntries = 1024;   /* larger files do not parse */
const int kColorMapResample = 256;      /* colours of a map sampled from an uneven gradient */
const size_t kGradientMaxLine = 256;    /* bytes, newline included */
const size_t kGradientMaxFile = 1u << 20;

/* By the name's extension, ignoring case. */
GradientFileKind GradientKindOf(const char *path);

/* Offsets in 0..1 ascending, components finite in 0..1, 1 to
 * kGradientMaxEntries entries; otherwise *why says what is wrong. */
bool ValidGradientRecord(const float *offsets, const float *colors, long long count, std::string *why);

/* Both take a valid record.  A colour map keeps the entries when they are
 * spread evenly and otherwise samples kColorMapResample colours; colours
 * are rounded to 8 bits. */
std::string FormatGrd(const GradientRecord &g);
std::string FormatCmp(const GradientRecord &g);

/* Whole texts: true with *out filled, or false with *out untouched and
 * *why naming the line and the fault. */
bool ParseGrd(const char *text, size_t size, GradientRecord *out, std::string *why);
bool ParseCmp(const char *text, size_t size, GradientRecord *out, std::string *why);

/* The colour of a valid gradient at t (0..1), with its interpolation. */
void SampleGradient(const GradientRecord &g, float t, float rgb[3]);

/* Status of the file functions, as the exports return it. */
enum GradientStatus {
    GRADIENT_OK = 0,
    GRADIENT_CANNOT_OPEN = -1,   /* missing, unreadable, unwritable, or no .grd/.cmp name */
    GRADIENT_MALFORMED = -2,
    GRADIENT_NO_MEMORY = -3,
};

int LoadGradientFile(const char *path, GradientRecord *out, std::string *why);
int SaveGradientFile(const char *path, const GradientRecord &g, std::string *why);

} // namespace ka

#endif
