/*
 * element_record.cpp - an element as a record of plain bytes, and back:
 * what the clipboard carries between editors and processes, so nothing in
 * it is a pointer or a token (tokens are one host's numbers).  Layout,
 * little-endian, no padding:
 *
 *     "LFE1", u32 bytes of the whole record, u32 enabled, u32 parameters,
 *     text type name, text description, then per parameter:
 *     text name, text type keyword, 4 floats value,
 *     i32 stops, stops x 3 floats colours, stops floats offsets,
 *     i32 data bytes, the bytes
 *
 * where a text is a u32 length and its bytes.  Whatever comes from the
 * clipboard may be cut off or made up, so the reader checks every length
 * against what is left before it looks further.
 */
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "editor/element_clipboard.h"
#include "host/host_helpers.h"

namespace {

const char kMagic[4] = {'L', 'F', 'E', '1'};
const uint32_t kMaxTypeKeyword = 32;

const char *const kTypeKeywords[] = {"intslider", "floatslider", "angle",    "checkbox", "color",
                                     "point",     "list",        "gradient", "arbitrarydata"};

/* ---- writing ---------------------------------------------------------- */

void Put(std::vector<unsigned char> *out, const void *bytes, size_t size)
{
    const unsigned char *b = static_cast<const unsigned char *>(bytes);
    out->insert(out->end(), b, b + size);
}

void PutU32(std::vector<unsigned char> *out, uint32_t value)
{
    Put(out, &value, sizeof value);
}

void PutText(std::vector<unsigned char> *out, const char *text)
{
    uint32_t length = text ? (uint32_t)std::strlen(text) : 0;
    PutU32(out, length);
    Put(out, text, length);
}

const char *KeywordOf(KaToken type, const KaToken *tokens)
{
    for (size_t i = 0; i < sizeof kTypeKeywords / sizeof kTypeKeywords[0]; i++)
        if (tokens[i] == type)
            return kTypeKeywords[i];
    return "";
}

void PutParameter(std::vector<unsigned char> *out, const ElementParameter &p,
                  const KaToken *tokens)
{
    PutText(out, p.name);
    PutText(out, KeywordOf(p.type, tokens));
    Put(out, p.Kv_Current_Value, sizeof p.Kv_Current_Value);
    bool stops = p.gradientCount > 0 && p.gradientColors && p.gradientOffsets;
    int32_t count = stops ? p.gradientCount : 0;
    PutU32(out, (uint32_t)count);
    if (stops) {
        Put(out, p.gradientColors, sizeof(float) * 3 * (size_t)count);
        Put(out, p.gradientOffsets, sizeof(float) * (size_t)count);
    }
    bool data = p.arbitraryDataSize > 0 && p.arbitraryData;
    PutU32(out, data ? (uint32_t)p.arbitraryDataSize : 0);
    if (data)
        Put(out, p.arbitraryData, (size_t)p.arbitraryDataSize);
}

/* ---- reading ---------------------------------------------------------- */

struct Reader {
    const unsigned char *at, *end;
    bool ok;
};

const unsigned char *Take(Reader *r, size_t size)
{
    if (!r->ok || (size_t)(r->end - r->at) < size) {
        r->ok = false;
        return nullptr;
    }
    const unsigned char *taken = r->at;
    r->at += size;
    return taken;
}

uint32_t TakeU32(Reader *r)
{
    uint32_t value = 0;
    if (const unsigned char *b = Take(r, sizeof value))
        std::memcpy(&value, b, sizeof value);
    return value;
}

ClipText TakeText(Reader *r, uint32_t limit)
{
    uint32_t length = TakeU32(r);
    if (length > limit)
        r->ok = false;
    const unsigned char *b = Take(r, length);
    return {reinterpret_cast<const char *>(b), b ? length : 0};
}

float FloatAt(const unsigned char *at, size_t index)
{
    float f;
    std::memcpy(&f, at + index * sizeof f, sizeof f);
    return f;
}

/* Stops as the host takes them: finite colours, offsets ascending in 0..1. */
bool SoundStops(const ClipParameter &p)
{
    float last = 0.0f;
    for (int32_t i = 0; i < p.gradientCount; i++) {
        float offset = FloatAt(p.offsets, (size_t)i);
        if (!(offset >= last && offset <= 1.0f))
            return false;
        last = offset;
        for (size_t c = 0; c < 3; c++)
            if (!std::isfinite(FloatAt(p.colors, 3 * (size_t)i + c)))
                return false;
    }
    return true;
}

void TakeParameter(Reader *r, ClipParameter *p)
{
    *p = ClipParameter();
    p->name = TakeText(r, CLIP_MAX_TEXT);
    p->type = TakeText(r, kMaxTypeKeyword);
    if (const unsigned char *v = Take(r, sizeof p->value))
        std::memcpy(p->value, v, sizeof p->value);
    uint32_t stops = TakeU32(r);
    if (stops > CLIP_MAX_STOPS)
        r->ok = false;
    if (stops && r->ok) {
        p->gradientCount = (int32_t)stops;
        p->colors = Take(r, sizeof(float) * 3 * stops);
        p->offsets = Take(r, sizeof(float) * stops);
    }
    uint32_t size = TakeU32(r);
    if (size > CLIP_MAX_DATA)
        r->ok = false;
    if (size && r->ok) {
        p->dataSize = (int32_t)size;
        p->data = Take(r, size);
    }
    if (r->ok && (p->name.length == 0 || !SoundStops(*p)))
        r->ok = false;
}

/* ---- text ------------------------------------------------------------- */

void AddFloats(std::string *out, const float *v, int n)
{
    char word[32];
    for (int i = 0; i < n; i++) {
        std::snprintf(word, sizeof word, " %.9g", (double)v[i]);
        *out += word;
    }
    *out += "\r\n";
}

void AddEscaped(std::string *out, const unsigned char *bytes, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        unsigned char c = bytes[i];
        const char *escape = c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\n' ? "\\n"
                           : c == '\t' ? "\\t" : c == '\r' ? "\\r" : nullptr;
        char hex[8];
        if (!escape && (c < 0x20 || c >= 0x7F)) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            escape = hex;
        }
        if (escape)
            *out += escape;
        else
            *out += (char)c;
    }
}

bool TypeIs(const ClipText &type, const char *keyword)
{
    return type.length == std::strlen(keyword) && std::memcmp(type.at, keyword, type.length) == 0;
}

void AddStops(std::string *out, const ClipParameter &p)
{
    *out += "gradient " + ClipTextString(p.name) + " " + std::to_string(p.gradientCount) + "\r\n";
    for (int32_t s = 0; s < p.gradientCount; s++) {
        size_t c = 3 * (size_t)s;
        float stop[4] = {FloatAt(p.offsets, (size_t)s), FloatAt(p.colors, c),
                         FloatAt(p.colors, c + 1), FloatAt(p.colors, c + 2)};
        *out += "stop";
        AddFloats(out, stop, 4);
    }
}

/* Data in lines of 48 bytes, as library files hold it. */
void AddData(std::string *out, const ClipParameter &p)
{
    const size_t chunk = 48;
    *out += "data " + ClipTextString(p.name) + " " + std::to_string(p.dataSize) + "\r\n";
    for (size_t at = 0; at < (size_t)p.dataSize; at += chunk) {
        size_t n = (size_t)p.dataSize - at < chunk ? (size_t)p.dataSize - at : chunk;
        *out += "text \"";
        AddEscaped(out, p.data + at, n);
        *out += "\"\r\n";
    }
}

} // namespace

std::string ClipTextString(const ClipText &text)
{
    return std::string(text.at ? text.at : "", text.length);
}

bool BuildElementRecord(const FlareElement &element, std::vector<unsigned char> *record)
{
    KaToken tokens[sizeof kTypeKeywords / sizeof kTypeKeywords[0]];
    for (size_t i = 0; i < sizeof tokens / sizeof tokens[0]; i++)
        tokens[i] = Token(kTypeKeywords[i]);
    try {
        record->clear();
        Put(record, kMagic, sizeof kMagic);
        PutU32(record, 0);
        PutU32(record, element.enabled == Token("on") ? 1 : 0);
        uint32_t count = 0;
        for (const ElementParameter *p = element.firstParameter; p; p = p->next)
            count++;
        PutU32(record, count);
        PutText(record, element.name);
        PutText(record, element.description);
        for (const ElementParameter *p = element.firstParameter; p; p = p->next)
            PutParameter(record, *p, tokens);
    } catch (const std::bad_alloc &) {
        return false;
    }
    uint32_t bytes = (uint32_t)record->size();
    std::memcpy(record->data() + sizeof kMagic, &bytes, sizeof bytes);
    return true;
}

bool ReadElementRecord(const unsigned char *bytes, size_t size, ClipElement *element)
{
    *element = ClipElement();
    Reader r = {bytes, bytes + size, bytes != nullptr};
    const unsigned char *magic = Take(&r, sizeof kMagic);
    if (!magic || std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        return false;
    uint32_t total = TakeU32(&r);
    if (!r.ok || total > size || total < (uint32_t)(r.at - bytes))
        return false;
    r.end = bytes + total;
    uint32_t enabled = TakeU32(&r);
    element->parameterCount = TakeU32(&r);
    element->typeName = TakeText(&r, CLIP_MAX_TEXT);
    element->description = TakeText(&r, CLIP_MAX_TEXT);
    if (!r.ok || enabled > 1 || element->typeName.length == 0)
        return false;
    element->enabled = enabled == 1;
    element->firstParameter = r.at;
    element->end = r.end;
    ClipParameter p;
    for (uint32_t i = 0; i < element->parameterCount && r.ok; i++)
        TakeParameter(&r, &p);
    return r.ok && r.at == r.end;
}

void NextClipParameter(const ClipElement &element, const unsigned char **at, ClipParameter *p)
{
    Reader r = {*at, element.end, true};
    TakeParameter(&r, p);
    *at = r.at;
}

std::string ElementRecordText(const ClipElement &element)
{
    std::string out = "element " + ClipTextString(element.typeName) + "\r\n";
    out += element.enabled ? "enabled on\r\n" : "enabled off\r\n";
    const unsigned char *at = element.firstParameter;
    for (uint32_t i = 0; i < element.parameterCount; i++) {
        ClipParameter p;
        NextClipParameter(element, &at, &p);
        out += "value " + ClipTextString(p.name);
        AddFloats(&out, p.value, TypeIs(p.type, "color") || TypeIs(p.type, "point") ? 3 : 1);
        if (TypeIs(p.type, "gradient"))
            AddStops(&out, p);
        if (TypeIs(p.type, "list") || TypeIs(p.type, "arbitrarydata"))
            AddData(&out, p);
    }
    out += "end\r\n";
    return out;
}
