/*
 * colors.cpp - the host's named colours: the table, Ki_Copy of a colour,
 * Ki_Inquire_Colorname and Ki_Enumerate over the names.
 *
 * The table is fixed: names are lower-case words, each colour lies on the
 * 1/255 grid (a component converts back to its byte as trunc(c x 255)),
 * and a few colours have two names ("cyan" and "aqua"), as users expect.
 * docs/host.md lists the arguments of the three calls.
 */
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "args.h"
#include "calllog.h"
#include "host/kalvos_core.h"
#include "tokens.h"

namespace ka {

namespace {

struct ColorByte {
    const char *name;
    unsigned char r, g, b;
};

/* Grouped by family; Ki_Enumerate goes through them in this order. */
const ColorByte kColorBytes[] = {
    /* neutrals */
    {"white", 255, 255, 255}, {"black", 0, 0, 0}, {"gray", 128, 128, 128},
    {"grey", 128, 128, 128}, {"lightgray", 211, 211, 211}, {"lightgrey", 211, 211, 211},
    {"darkgray", 169, 169, 169}, {"darkgrey", 169, 169, 169}, {"dimgray", 105, 105, 105},
    {"dimgrey", 105, 105, 105}, {"silver", 192, 192, 192}, {"gainsboro", 220, 220, 220},
    {"whitesmoke", 245, 245, 245}, {"slategray", 112, 128, 144},
    {"lightslategray", 119, 136, 153}, {"darkslategray", 47, 79, 79}, {"charcoal", 54, 69, 79},
    /* reds */
    {"red", 255, 0, 0}, {"darkred", 139, 0, 0}, {"maroon", 128, 0, 0}, {"crimson", 220, 20, 60},
    {"firebrick", 178, 34, 34}, {"indianred", 205, 92, 92}, {"salmon", 250, 128, 114},
    {"lightsalmon", 255, 160, 122}, {"darksalmon", 233, 150, 122}, {"coral", 255, 127, 80},
    {"lightcoral", 240, 128, 128}, {"tomato", 255, 99, 71}, {"orangered", 255, 69, 0},
    {"scarlet", 255, 36, 0},
    /* oranges and yellows */
    {"orange", 255, 165, 0}, {"darkorange", 255, 140, 0}, {"amber", 255, 191, 0},
    {"gold", 255, 215, 0}, {"yellow", 255, 255, 0}, {"lightyellow", 255, 255, 224},
    {"lemonchiffon", 255, 250, 205}, {"lightgoldenrodyellow", 250, 250, 210},
    {"palegoldenrod", 238, 232, 170}, {"khaki", 240, 230, 140}, {"darkkhaki", 189, 183, 107},
    {"goldenrod", 218, 165, 32}, {"darkgoldenrod", 184, 134, 11},
    /* greens */
    {"green", 0, 255, 0}, {"lime", 0, 255, 0}, {"darkgreen", 0, 100, 0},
    {"forestgreen", 34, 139, 34}, {"seagreen", 46, 139, 87}, {"mediumseagreen", 60, 179, 113},
    {"darkseagreen", 143, 188, 143}, {"lightseagreen", 32, 178, 170},
    {"springgreen", 0, 255, 127}, {"mediumspringgreen", 0, 250, 154},
    {"lawngreen", 124, 252, 0}, {"chartreuse", 127, 255, 0}, {"greenyellow", 173, 255, 47},
    {"yellowgreen", 154, 205, 50}, {"limegreen", 50, 205, 50}, {"palegreen", 152, 251, 152},
    {"lightgreen", 144, 238, 144}, {"olive", 128, 128, 0}, {"olivedrab", 107, 142, 35},
    {"darkolivegreen", 85, 107, 47}, {"emerald", 80, 200, 120}, {"honeydew", 240, 255, 240},
    {"mintcream", 245, 255, 250},
    /* cyans */
    {"cyan", 0, 255, 255}, {"aqua", 0, 255, 255}, {"lightcyan", 224, 255, 255},
    {"teal", 0, 128, 128}, {"darkcyan", 0, 139, 139}, {"turquoise", 64, 224, 208},
    {"mediumturquoise", 72, 209, 204}, {"darkturquoise", 0, 206, 209},
    {"paleturquoise", 175, 238, 238}, {"aquamarine", 127, 255, 212},
    {"mediumaquamarine", 102, 205, 170}, {"cadetblue", 95, 158, 160}, {"azure", 240, 255, 255},
    /* blues */
    {"blue", 0, 0, 255}, {"mediumblue", 0, 0, 205}, {"darkblue", 0, 0, 139},
    {"navy", 0, 0, 128}, {"midnightblue", 25, 25, 112}, {"royalblue", 65, 105, 225},
    {"cobalt", 0, 71, 171}, {"steelblue", 70, 130, 180}, {"lightsteelblue", 176, 196, 222},
    {"dodgerblue", 30, 144, 255}, {"deepskyblue", 0, 191, 255}, {"skyblue", 135, 206, 235},
    {"lightskyblue", 135, 206, 250}, {"lightblue", 173, 216, 230},
    {"powderblue", 176, 224, 230}, {"cornflowerblue", 100, 149, 237},
    {"slateblue", 106, 90, 205}, {"mediumslateblue", 123, 104, 238},
    {"darkslateblue", 72, 61, 139}, {"aliceblue", 240, 248, 255},
    {"ghostwhite", 248, 248, 255},
    /* purples and pinks */
    {"magenta", 255, 0, 255}, {"fuchsia", 255, 0, 255}, {"darkmagenta", 139, 0, 139},
    {"purple", 128, 0, 128}, {"indigo", 75, 0, 130}, {"violet", 238, 130, 238},
    {"darkviolet", 148, 0, 211}, {"blueviolet", 138, 43, 226}, {"orchid", 218, 112, 214},
    {"mediumorchid", 186, 85, 211}, {"darkorchid", 153, 50, 204},
    {"mediumpurple", 147, 112, 219}, {"plum", 221, 160, 221}, {"thistle", 216, 191, 216},
    {"lavender", 230, 230, 250}, {"lavenderblush", 255, 240, 245}, {"pink", 255, 192, 203},
    {"lightpink", 255, 182, 193}, {"hotpink", 255, 105, 180}, {"deeppink", 255, 20, 147},
    {"mediumvioletred", 199, 21, 133}, {"palevioletred", 219, 112, 147},
    {"rose", 255, 0, 127}, {"mistyrose", 255, 228, 225},
    /* browns and pale tints */
    {"brown", 165, 42, 42}, {"saddlebrown", 139, 69, 19}, {"sienna", 160, 82, 45},
    {"chocolate", 210, 105, 30}, {"peru", 205, 133, 63}, {"sandybrown", 244, 164, 96},
    {"burlywood", 222, 184, 135}, {"tan", 210, 180, 140}, {"rosybrown", 188, 143, 143},
    {"copper", 184, 115, 51}, {"bronze", 205, 127, 50}, {"brass", 181, 166, 66},
    {"wheat", 245, 222, 179}, {"beige", 245, 245, 220}, {"bisque", 255, 228, 196},
    {"moccasin", 255, 228, 181}, {"navajowhite", 255, 222, 173},
    {"peachpuff", 255, 218, 185}, {"papayawhip", 255, 239, 213},
    {"blanchedalmond", 255, 235, 205}, {"cornsilk", 255, 248, 220},
    {"antiquewhite", 250, 235, 215}, {"oldlace", 253, 245, 230}, {"linen", 250, 240, 230},
    {"seashell", 255, 245, 238}, {"floralwhite", 255, 250, 240}, {"ivory", 255, 255, 240},
    {"snow", 255, 250, 250},
    /* light sources */
    {"candlelight", 255, 147, 41}, {"flame", 226, 88, 34}, {"tungsten", 255, 214, 170},
    {"halogen", 255, 241, 224}, {"sunrise", 255, 170, 80}, {"sunset", 250, 94, 36},
    {"daylight", 255, 255, 251}, {"overcast", 201, 226, 255}, {"moonlight", 199, 216, 255},
    {"sodium", 255, 209, 178}, {"mercury", 216, 247, 255}, {"fluorescent", 244, 255, 250},
};

const int kColorCount = (int)(sizeof kColorBytes / sizeof kColorBytes[0]);
const int kMaxUserValues = 16;

struct NamedColor {
    const char *name;
    float rgb[3];
};

/* The float colours the host hands out addresses of; built once, never
 * changed, so the addresses stay valid for the life of the process. */
const std::vector<NamedColor> &NamedColors()
{
    static const std::vector<NamedColor> table = [] {
        std::vector<NamedColor> made;
        made.reserve((size_t)kColorCount);
        for (const ColorByte &c : kColorBytes)
            made.push_back({c.name, {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f}});
        return made;
    }();
    return table;
}

char Lower(char c)
{
    return (char)std::tolower((unsigned char)c);
}

/* * matches any run (also none), ? one character; case is ignored. */
bool Matches(const char *pattern, const char *text)
{
    const char *star = nullptr, *resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern && (*pattern == '?' || Lower(*pattern) == Lower(*text))) {
            pattern++;
            text++;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        pattern++;
    return *pattern == '\0';
}

const NamedColor *FindColor(const char *name)
{
    for (const NamedColor &c : NamedColors()) {
        size_t i = 0;
        while (c.name[i] && Lower(c.name[i]) == Lower(name[i]))
            i++;
        if (c.name[i] == '\0' && name[i] == '\0')
            return &c;
    }
    return nullptr;
}

bool ReadAddress(Args *a, void **out)
{
    uint64_t raw = 0;
    if (!NextRaw(a, &raw))
        return false;
    *out = reinterpret_cast<void *>((uintptr_t)raw);
    return true;
}

int CopyWorker(KaToken type, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Copy", ap);
    LogToken(&a.log, type);
    const char *text = TokenText(type);
    if (!text) {
        Fail(&a, "ERR_BAD_TOKEN", "type is no token: " + std::to_string(type));
        return ArgsEnd(&a);
    }
    if (std::strcmp(text, "color") != 0) {
        Fail(&a, "ERR_UNKNOWN_TYPE", std::string("cannot copy \"") + text + "\"");
        return ArgsEnd(&a);
    }
    void *source = nullptr, *destination = nullptr;
    if (!ReadAddress(&a, &source))
        return ArgsEnd(&a);
    LogFloatsAt(&a.log, static_cast<const float *>(source), 3);
    if (!ReadAddress(&a, &destination))
        return ArgsEnd(&a);
    LogOut(&a.log, destination);
    if (!source || !destination)
        Fail(&a, "ERR_NULL_ADDRESS", source ? "null destination colour" : "null source colour");
    else if (ExpectEnd(&a, "the destination"))
        std::memmove(destination, source, sizeof(float) * 3);
    return ArgsEnd(&a);
}

int InquireNameWorker(const char *name, float *color, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Inquire_Colorname", ap);
    LogText(&a.log, name);
    LogOut(&a.log, color);
    if (!name)
        Fail(&a, "ERR_BAD_NAME", "null colour name");
    else if (!color)
        Fail(&a, "ERR_NULL_ADDRESS", "null address to store the colour");
    else if (ExpectEnd(&a, "the colour")) {
        const NamedColor *found = FindColor(name);
        if (found)
            std::memcpy(color, found->rgb, sizeof found->rgb);
        else
            Fail(&a, "ERR_UNKNOWN_COLOR", std::string("no colour is named \"") + name + "\"");
    }
    return ArgsEnd(&a);
}

/* Everything Ki_Enumerate reads before its first callback. */
struct Enumeration {
    int32_t start = 0;
    const char *pattern = nullptr;
    int32_t userCount = 0;
    void *user[kMaxUserValues] = {};
    int32_t limit = 0;
    KaEnumFn callback = nullptr;
};

bool ReadEnumeration(Args *a, Enumeration *e)
{
    LogInt(&a->log, e->start);
    LogText(&a->log, e->pattern);
    LogInt(&a->log, e->userCount);
    if (e->start < 0)
        return Fail(a, "ERR_BAD_VALUE", "start index " + std::to_string(e->start));
    if (!e->pattern)
        return Fail(a, "ERR_NULL_ADDRESS", "null name pattern");
    if (e->userCount < 0 || e->userCount > kMaxUserValues)
        return Fail(a, "ERR_BAD_VALUE", "user value count " + std::to_string(e->userCount) +
                                            " is outside 0.." + std::to_string(kMaxUserValues));
    for (int32_t i = 0; i < e->userCount; i++) {
        if (!ReadAddress(a, &e->user[i]))
            return false;
        LogWord(&a->log, e->user[i] ? "data" : "null");
    }
    uint64_t raw = 0;
    if (!NextRaw(a, &raw))
        return false;
    e->limit = (int32_t)(uint32_t)raw;   /* an int: only the low half was passed */
    LogInt(&a->log, e->limit);
    if (e->limit < 0)
        return Fail(a, "ERR_BAD_VALUE", "limit " + std::to_string(e->limit));
    void *callback = nullptr;
    if (!ReadAddress(a, &callback))
        return false;
    LogFunction(&a->log, callback);
    if (!callback)
        return Fail(a, "ERR_NULL_ADDRESS", "null callback");
    e->callback = reinterpret_cast<KaEnumFn>(callback);
    Word kind = NextWord(a);
    if (kind.kind == WordKind::Bad)
        return false;
    if (kind.kind != WordKind::Keyword || std::strcmp(kind.text, "colorname") != 0)
        return Fail(a, "ERR_UNKNOWN_KIND",
                    kind.kind == WordKind::Keyword
                        ? std::string("cannot enumerate \"") + kind.text + "\""
                        : std::string("the kind to enumerate is missing"));
    return ExpectEnd(a, "the kind");
}

int EnumerateWorker(int32_t start, const char *pattern, int32_t userCount, va_list ap)
{
    Args a;
    ArgsBegin(&a, "Ki_Enumerate", ap);
    Enumeration e;
    e.start = start;
    e.pattern = pattern;
    e.userCount = userCount;
    ReadEnumeration(&a, &e);
    /* The log line is written before the callbacks, so calls they make
     * follow it in the log. */
    if (ArgsEnd(&a) != 0)
        return -1;

    KaEnumRecord base = {};
    base.userData = e.userCount > 0 ? e.user[0] : nullptr;
    base.userCount = e.userCount;
    base.userValues = e.user;
    int32_t matched = 0, delivered = 0;
    for (const NamedColor &c : NamedColors()) {
        if (!Matches(e.pattern, c.name))
            continue;
        if (matched++ < e.start)
            continue;
        if (e.limit > 0 && delivered == e.limit)
            break;
        KaEnumRecord record = base;
        record.valid = 1;
        record.index = matched - 1;
        record.name = c.name;
        record.color = c.rgb;
        delivered++;
        if (e.callback(&record) != 0)
            return delivered;
    }
    KaEnumRecord closing = base;
    closing.index = e.start + delivered;   /* where a next page would start */
    e.callback(&closing);
    return delivered;
}

} // namespace

} // namespace ka

using namespace ka;

extern "C" int Ki_Copy(KaToken type, ...)
{
    va_list ap;
    va_start(ap, type);
    int result = CopyWorker(type, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_Enumerate(int32_t start, const char *pattern, int32_t userCount, ...)
{
    va_list ap;
    va_start(ap, userCount);
    int result = EnumerateWorker(start, pattern, userCount, ap);
    va_end(ap);
    return result;
}

extern "C" int Ki_Inquire_Colorname(const char *name, float *color, ...)
{
    va_list ap;
    va_start(ap, color);
    int result = InquireNameWorker(name, color, ap);
    va_end(ap);
    return result;
}
