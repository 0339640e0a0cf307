/*
 * gradient_files.cpp - colour gradient (.grd) and colour map (.cmp) files
 * and the two host calls that read and write them.  Layouts in
 * docs/host.md; in short a magic line with the version, the interpolation,
 * the entry count, one line per entry and "end".  Every line, the last one
 * too, ends in a newline, so a cut-off copy is always refused.
 *
 * A file that does not load is answered by the result alone: the plug-in
 * previews whatever file its requestor selects and shows its own
 * messages.  A save that fails is reported with its cause, since it may
 * cost the user work.
 */
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "calllog.h"
#include "errors.h"
#include "file_io.h"
#include "gradient_files.h"
#include "refhost_api.h"
#include "text_lines.h"
#include "tokens.h"

namespace ka {

namespace {

const char kGrdMagic[] = "GRD";
const char kCmpMagic[] = "CMP";
const int kVersion = 1;

/* Offsets of a map's colours (and of the .cmp check for an even spread). */
float EvenOffset(size_t i, size_t count)
{
    return count < 2 ? 0.0f : (float)((double)i / (double)(count - 1));
}

unsigned char ToByte(float component)
{
    long v = std::lround((double)component * 255.0);
    return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v);
}

/* A single colour is the same wherever it sits. */
bool SpreadEvenly(const std::vector<float> &offsets)
{
    if (offsets.size() < 2)
        return true;
    for (size_t i = 0; i < offsets.size(); i++)
        if (std::fabs(offsets[i] - EvenOffset(i, offsets.size())) > 1e-6f)
            return false;
    return true;
}

/* ---- writing ---- */

void PutHead(std::string *out, const char *magic, const GradientRecord &g, const char *countWord,
             size_t count)
{
    AppendFormat(out, kGradientMaxLine, "%s %d\n", magic, kVersion);
    AppendFormat(out, kGradientMaxLine, "interpolation %s\n", g.cardinal ? "cardinal" : "linear");
    AppendFormat(out, kGradientMaxLine, "%s %u\n", countWord, (unsigned)count);
}

/* ---- parsing ---- */

struct Reader {
    const char *at, *end;
    int line = 0;                     /* number of the line last read */
    std::vector<std::string> words;
    std::string why;
};

bool Refuse(Reader *r, const std::string &reason)
{
    r->why = "line " + std::to_string(r->line) + ": " + reason;
    return false;
}

/* The next line with words; blank lines and "#" comments are skipped. */
bool NextLine(Reader *r)
{
    for (;;) {
        r->line++;
        std::string text;
        std::string fault = TakeLine(&r->at, r->end, kGradientMaxLine, &text);
        if (!fault.empty())
            return Refuse(r, fault);
        r->words.clear();
        size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
                i++;
            size_t start = i;
            while (i < text.size() && text[i] != ' ' && text[i] != '\t')
                i++;
            if (i > start)
                r->words.push_back(text.substr(start, i - start));
        }
        if (!r->words.empty() && r->words[0][0] != '#')
            return true;
    }
}

/* The next line must be `keyword` followed by exactly `count` words. */
bool Expect(Reader *r, const char *keyword, size_t count)
{
    if (!NextLine(r))
        return false;
    if (r->words[0] != keyword)
        return Refuse(r, std::string("expected \"") + keyword + "\"");
    if (r->words.size() != count + 1)
        return Refuse(r, std::string("\"") + keyword + "\" takes " + std::to_string(count) +
                             (count == 1 ? " value" : " values"));
    return true;
}

bool ParseFloat(Reader *r, const std::string &word, float *out)
{
    float v = 0;
    if (!ReadFloatWord(word, &v))
        return Refuse(r, "\"" + word + "\" is no finite number");
    if (v < 0.0f || v > 1.0f)
        return Refuse(r, "\"" + word + "\" is outside 0..1");
    *out = v;
    return true;
}

bool ParseInt(Reader *r, const std::string &word, long low, long high, long *out)
{
    errno = 0;
    char *stop = nullptr;
    long v = std::strtol(word.c_str(), &stop, 10);
    if (*stop || errno == ERANGE || v < low || v > high)
        return Refuse(r, "\"" + word + "\" is no whole number from " + std::to_string(low) +
                             " to " + std::to_string(high));
    *out = v;
    return true;
}

/* Magic and version, interpolation and the entry count. */
bool ParseHead(Reader *r, const char *magic, const char *countWord, GradientRecord *g, long *count)
{
    if (!NextLine(r))
        return false;
    if (r->words[0] != magic || r->words.size() != 2)
        return Refuse(r, std::string("not a file of this kind (\"") + magic + " " +
                             std::to_string(kVersion) + "\" expected)");
    if (r->words[1] != std::to_string(kVersion))
        return Refuse(r, "version " + r->words[1] + " (this host reads version " +
                             std::to_string(kVersion) + ")");
    if (!Expect(r, "interpolation", 1))
        return false;
    if (r->words[1] == "cardinal")
        g->cardinal = true;
    else if (r->words[1] != "linear")
        return Refuse(r, "\"" + r->words[1] + "\" is neither linear nor cardinal");
    return Expect(r, countWord, 1) && ParseInt(r, r->words[1], 1, kGradientMaxEntries, count);
}

bool ParseTail(Reader *r)
{
    if (!Expect(r, "end", 0))
        return false;
    if (r->at != r->end) {
        r->line++;
        return Refuse(r, "text after \"end\"");
    }
    return true;
}

bool Finish(bool ok, Reader *r, GradientRecord *g, GradientRecord *out, std::string *why)
{
    if (!ok) {
        if (why)
            *why = r->why;
        return false;
    }
    *out = std::move(*g);
    return true;
}

/* A .grd entry: "stop" with the offset and three components, the
 * offsets in order. */
bool ParseStop(Reader *r, long i, long, GradientRecord *g)
{
    float stop[4];
    bool ok = Expect(r, "stop", 4);
    for (size_t k = 0; ok && k < 4; k++)
        ok = ParseFloat(r, r->words[1 + k], &stop[k]);
    if (ok && i > 0 && stop[0] < g->offsets.back())
        ok = Refuse(r, "offset below the one before");
    if (ok) {
        g->offsets.push_back(stop[0]);
        g->colors.insert(g->colors.end(), stop + 1, stop + 4);
    }
    return ok;
}

/* A .cmp entry: "color" with three bytes, spread evenly over the map. */
bool ParseMapColor(Reader *r, long i, long count, GradientRecord *g)
{
    bool ok = Expect(r, "color", 3);
    for (size_t k = 0; ok && k < 3; k++) {
        long byte = 0;
        ok = ParseInt(r, r->words[1 + k], 0, 255, &byte);
        if (ok) {
            g->table.push_back((unsigned char)byte);
            g->colors.push_back((float)byte / 255.0f);
        }
    }
    g->offsets.push_back(EvenOffset((size_t)i, (size_t)count));
    return ok;
}

/* Both formats: the head, count entries of one kind, "end". */
bool ParseGradientText(const char *text, size_t size, const char *magic, const char *countWord,
                       bool (*parseEntry)(Reader *, long, long, GradientRecord *),
                       GradientRecord *out, std::string *why)
{
    Reader r;
    r.at = text;
    r.end = text + size;
    GradientRecord g;
    long count = 0;
    bool ok = ParseHead(&r, magic, countWord, &g, &count);
    for (long i = 0; ok && i < count; i++)
        ok = parseEntry(&r, i, count, &g);
    ok = ok && ParseTail(&r);
    return Finish(ok, &r, &g, out, why);
}

/* A cardinal spline through the entries' colours: each segment uses its
 * neighbours as the tangents' ends; the curve may overshoot, so clamp. */
float Cardinal(float p0, float p1, float p2, float p3, float u)
{
    float v = 0.5f * (2.0f * p1 + (p2 - p0) * u + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * u * u +
                      (3.0f * (p1 - p2) + p3 - p0) * u * u * u);
    return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
}

std::string LowerExtension(const char *path)
{
    const char *dot = std::strrchr(path, '.');
    if (!dot || std::strpbrk(dot, "/\\:"))
        return "";
    std::string ext = dot;
    for (char &c : ext)
        c = (char)std::tolower((unsigned char)c);
    return ext;
}

} // namespace

GradientFileKind GradientKindOf(const char *path)
{
    std::string ext = LowerExtension(path);
    return ext == ".grd" ? GRADIENT_FILE_GRD : ext == ".cmp" ? GRADIENT_FILE_CMP : GRADIENT_FILE_NONE;
}

bool ValidGradientRecord(const float *offsets, const float *colors, long long count, std::string *why)
{
    if (count < 1 || count > kGradientMaxEntries) {
        *why = "gradient of " + std::to_string(count) + " entries (1 to " +
               std::to_string(kGradientMaxEntries) + " allowed)";
        return false;
    }
    for (long long i = 0; i < count; i++) {
        if (!(offsets[i] >= 0.0f && offsets[i] <= 1.0f)) {
            *why = "offset " + std::to_string(i) + " is outside 0..1";
            return false;
        }
        if (i > 0 && offsets[i] < offsets[i - 1]) {
            *why = "offset " + std::to_string(i) + " is below the one before";
            return false;
        }
        for (int c = 0; c < 3; c++)
            if (!(colors[3 * i + c] >= 0.0f && colors[3 * i + c] <= 1.0f)) {
                *why = "colour " + std::to_string(i) + " has a component outside 0..1";
                return false;
            }
    }
    return true;
}

void SampleGradient(const GradientRecord &g, float t, float rgb[3])
{
    size_t n = g.offsets.size(), b = 0;
    while (b < n && g.offsets[b] <= t)
        b++;
    if (b == 0 || b == n) {
        std::memcpy(rgb, &g.colors[3 * (b == 0 ? 0 : n - 1)], 3 * sizeof(float));
        return;
    }
    size_t a = b - 1;
    float u = (t - g.offsets[a]) / (g.offsets[b] - g.offsets[a]);
    size_t before = a > 0 ? a - 1 : a, after = b + 1 < n ? b + 1 : b;
    for (size_t c = 0; c < 3; c++) {
        float p1 = g.colors[3 * a + c], p2 = g.colors[3 * b + c];
        rgb[c] = g.cardinal ? Cardinal(g.colors[3 * before + c], p1, p2, g.colors[3 * after + c], u)
                            : p1 + (p2 - p1) * u;
    }
}

std::string FormatGrd(const GradientRecord &g)
{
    std::string out;
    PutHead(&out, kGrdMagic, g, "stops", g.offsets.size());
    for (size_t i = 0; i < g.offsets.size(); i++)
        out += "stop " + FloatWord(g.offsets[i]) + " " + FloatWord(g.colors[3 * i]) + " " +
               FloatWord(g.colors[3 * i + 1]) + " " + FloatWord(g.colors[3 * i + 2]) + "\n";
    out += "end\n";
    return out;
}

std::string FormatCmp(const GradientRecord &g)
{
    std::vector<float> colors = g.colors;
    if (!SpreadEvenly(g.offsets)) {
        colors.resize(3 * (size_t)kColorMapResample);
        for (size_t i = 0; i < (size_t)kColorMapResample; i++)
            SampleGradient(g, EvenOffset(i, kColorMapResample), &colors[3 * i]);
    }
    std::string out;
    PutHead(&out, kCmpMagic, g, "colors", colors.size() / 3);
    for (size_t i = 0; i < colors.size(); i += 3)
        AppendFormat(&out, kGradientMaxLine, "color %d %d %d\n", ToByte(colors[i]),
                     ToByte(colors[i + 1]), ToByte(colors[i + 2]));
    out += "end\n";
    return out;
}

bool ParseGrd(const char *text, size_t size, GradientRecord *out, std::string *why)
{
    return ParseGradientText(text, size, kGrdMagic, "stops", ParseStop, out, why);
}

bool ParseCmp(const char *text, size_t size, GradientRecord *out, std::string *why)
{
    return ParseGradientText(text, size, kCmpMagic, "colors", ParseMapColor, out, why);
}

int LoadGradientFile(const char *path, GradientRecord *out, std::string *why)
{
    GradientFileKind kind = GradientKindOf(path);
    if (kind == GRADIENT_FILE_NONE) {
        *why = "the name ends in neither .grd nor .cmp";
        return GRADIENT_CANNOT_OPEN;
    }
    std::string text;
    FileReadStatus read = ReadWholeFile(path, kGradientMaxFile, &text, why);
    if (read != FILE_READ_OK)
        return read == FILE_TOO_LARGE ? GRADIENT_MALFORMED : GRADIENT_CANNOT_OPEN;
    bool parsed = kind == GRADIENT_FILE_GRD ? ParseGrd(text.data(), text.size(), out, why)
                                            : ParseCmp(text.data(), text.size(), out, why);
    return parsed ? GRADIENT_OK : GRADIENT_MALFORMED;
}

int SaveGradientFile(const char *path, const GradientRecord &g, std::string *why)
{
    GradientFileKind kind = GradientKindOf(path);
    if (kind == GRADIENT_FILE_NONE) {
        *why = "the name ends in neither .grd nor .cmp";
        return GRADIENT_CANNOT_OPEN;
    }
    if (g.colors.size() != 3 * g.offsets.size() ||
        !ValidGradientRecord(g.offsets.data(), g.colors.data(), (long long)g.offsets.size(), why))
        return GRADIENT_MALFORMED;
    std::string text = kind == GRADIENT_FILE_GRD ? FormatGrd(g) : FormatCmp(g);
    return WriteWholeFile(path, text.data(), text.size(), why) ? GRADIENT_OK : GRADIENT_CANNOT_OPEN;
}

} // namespace ka

using namespace ka;

extern "C" int Ki_Load_Gradient_Colormap(const char *fileName, int32_t *count, float **offsets,
                                         float **colors, void **extra, KaToken *interpolation)
{
    LogCall("Ki_Load_Gradient_Colormap", fileName, OutArg{count}, OutArg{offsets}, OutArg{colors},
            OutArg{extra}, OutArg{interpolation});
    if (offsets)
        *offsets = nullptr;
    if (colors)
        *colors = nullptr;
    if (extra)
        *extra = nullptr;
    if (!fileName || !count || !offsets || !colors || !interpolation) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_Load_Gradient_Colormap()",
                    !fileName ? "null file name" : "null address to store an answer");
        return GRADIENT_CANNOT_OPEN;
    }
    GradientRecord g;
    std::string why;
    int status = LoadGradientFile(fileName, &g, &why);
    if (status != GRADIENT_OK)
        return status;
    size_t n = g.offsets.size();
    bool wantTable = extra && !g.table.empty();
    float *o = static_cast<float *>(Ki_Alloc_Memory(1, 0, n * sizeof(float)));
    float *c = static_cast<float *>(Ki_Alloc_Memory(1, 0, 3 * n * sizeof(float)));
    void *t = wantTable ? Ki_Alloc_Memory(1, 0, g.table.size()) : nullptr;
    if (!o || !c || (wantTable && !t)) {
        Ki_Free_Memory(o);
        Ki_Free_Memory(c);
        Ki_Free_Memory(t);
        return GRADIENT_NO_MEMORY;
    }
    std::memcpy(o, g.offsets.data(), n * sizeof(float));
    std::memcpy(c, g.colors.data(), 3 * n * sizeof(float));
    if (t)
        std::memcpy(t, g.table.data(), g.table.size());
    *count = (int32_t)n;
    *offsets = o;
    *colors = c;
    if (extra)
        *extra = t;
    *interpolation = TokenFor(g.cardinal ? "cardinal" : "linear");
    return GRADIENT_OK;
}

extern "C" int Ki_Save_Gradient_Colormap(const char *fileName, int32_t count, const float *offsets,
                                         const float *colors, void *extra, KaToken interpolation)
{
    /* Only a count within the limit is trusted to say how far the arrays go. */
    int logged = count > 0 && count <= kGradientMaxEntries ? count : 0;
    LogCall("Ki_Save_Gradient_Colormap", fileName, count, FloatsArg{offsets, logged},
            FloatsArg{colors, 3 * logged}, OutArg{extra}, TokenArg{interpolation});
    if (!fileName) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_Save_Gradient_Colormap()", "null file name");
        return GRADIENT_CANNOT_OPEN;
    }
    if (count < 1)
        return GRADIENT_MALFORMED;
    std::string why;
    if (!offsets || !colors) {
        ReportError(4, "ERR_NULL_ADDRESS", "Ki_Save_Gradient_Colormap()",
                    offsets ? "null colours" : "null offsets");
        return GRADIENT_MALFORMED;
    }
    if (!ValidGradientRecord(offsets, colors, count, &why)) {
        ReportError(4, "ERR_BAD_GRADIENT", "Ki_Save_Gradient_Colormap()", why);
        return GRADIENT_MALFORMED;
    }
    GradientRecord g;
    g.cardinal = IsToken(interpolation, "cardinal");
    if (!g.cardinal && !IsToken(interpolation, "linear"))
        ReportError(4, "ERR_BAD_INTERPOLATION", "Ki_Save_Gradient_Colormap()",
                    "neither linear nor cardinal; written as linear");
    g.offsets.assign(offsets, offsets + count);
    g.colors.assign(colors, colors + 3 * (size_t)count);
    int status = SaveGradientFile(fileName, g, &why);
    if (status == GRADIENT_CANNOT_OPEN)
        ReportError(4, "ERR_GRADIENT_WRITE", "Ki_Save_Gradient_Colormap()",
                    std::string(fileName) + ": " + why);
    return status;
}

namespace ka {

namespace {

struct DemoStop {
    float offset, r, g, b;
};

/* The demo's colormap folder.  A map is the gradient sampled at `colors`
 * even steps, few enough that each step stays a pivot of its own in the
 * plug-in's control. */
struct DemoGradient {
    const char *file;
    bool cardinal;
    std::vector<DemoStop> stops;
    int colors;                       /* .cmp only */
};

const std::vector<DemoGradient> &DemoGradients()
{
    static const std::vector<DemoGradient> gradients = {
        {"sunset.grd", true,
         {{0.0f, 0.10f, 0.02f, 0.25f}, {0.3f, 0.55f, 0.05f, 0.45f}, {0.6f, 0.95f, 0.35f, 0.2f},
          {0.85f, 1.0f, 0.75f, 0.3f}, {1.0f, 1.0f, 0.95f, 0.8f}},
         0},
        {"spectrum.grd", false,
         {{0.0f, 1.0f, 0.0f, 0.0f}, {0.17f, 1.0f, 0.5f, 0.0f}, {0.33f, 1.0f, 1.0f, 0.0f},
          {0.5f, 0.0f, 1.0f, 0.0f}, {0.67f, 0.0f, 0.8f, 1.0f}, {0.83f, 0.0f, 0.0f, 1.0f},
          {1.0f, 0.55f, 0.0f, 1.0f}},
         0},
        {"ice.grd", false,
         {{0.0f, 1.0f, 1.0f, 1.0f}, {0.25f, 0.75f, 0.95f, 1.0f}, {0.6f, 0.25f, 0.55f, 0.95f},
          {1.0f, 0.02f, 0.05f, 0.25f}},
         0},
        /* two entries at one offset: a hard horizon line */
        {"horizon.grd", false,
         {{0.0f, 0.35f, 0.6f, 0.95f}, {0.5f, 0.85f, 0.92f, 1.0f}, {0.5f, 0.3f, 0.22f, 0.15f},
          {1.0f, 0.05f, 0.04f, 0.03f}},
         0},
        {"fire.cmp", true,
         {{0.0f, 0.0f, 0.0f, 0.0f}, {0.3f, 0.6f, 0.02f, 0.0f}, {0.55f, 1.0f, 0.4f, 0.0f},
          {0.8f, 1.0f, 0.85f, 0.2f}, {1.0f, 1.0f, 1.0f, 0.95f}},
         32},
        {"aurora.cmp", false,
         {{0.0f, 0.02f, 0.05f, 0.1f}, {0.3f, 0.05f, 0.6f, 0.4f}, {0.5f, 0.3f, 1.0f, 0.6f},
          {0.75f, 0.4f, 0.3f, 0.9f}, {1.0f, 0.1f, 0.02f, 0.2f}},
         24},
    };
    return gradients;
}

} // namespace

} // namespace ka

extern "C" int Kh_Write_Demo_Gradients(const char *folder)
{
    std::string base, why;
    if (!DemoFolder(folder, "Kh_Write_Demo_Gradients()", "ERR_GRADIENT_WRITE", &base))
        return 0;
    int written = 0;
    for (const DemoGradient &demo : DemoGradients()) {
        GradientRecord stops;
        stops.cardinal = demo.cardinal;
        for (const DemoStop &s : demo.stops) {
            stops.offsets.push_back(s.offset);
            stops.colors.insert(stops.colors.end(), {s.r, s.g, s.b});
        }
        GradientRecord g = stops;
        if (demo.colors > 0) {
            g.offsets.clear();
            g.colors.resize(3 * (size_t)demo.colors);
            for (size_t i = 0; i < (size_t)demo.colors; i++) {
                g.offsets.push_back(EvenOffset(i, (size_t)demo.colors));
                SampleGradient(stops, g.offsets.back(), &g.colors[3 * i]);
            }
        }
        if (SaveGradientFile((base + demo.file).c_str(), g, &why) == GRADIENT_OK)
            written++;
        else
            ReportError(4, "ERR_GRADIENT_WRITE", "Kh_Write_Demo_Gradients()", base + demo.file + ": " + why);
    }
    return written;
}
