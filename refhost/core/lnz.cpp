/*
 * lnz.cpp - writing and parsing lens effect files.  The layout is in
 * docs/host.md; in short: a magic line with the version, one line per
 * global, "elements N", then per element its type, its switch, one line
 * per parameter value (gradients and data follow on lines of their own)
 * and "end", and "end-of-effect" as the last line.  Every line, the last
 * one too, ends in a newline, so any cut-off copy of a file is refused.
 */
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "calllog.h"
#include "catalogue.h"
#include "file_io.h"
#include "lnz.h"
#include "text_lines.h"

namespace ka {

namespace {

const char kMagic[] = "LNZ";
const int kVersion = 1;
const size_t kTextChunk = 48;   /* data bytes per "text" line */

/* the switches, the floats, "randomseed" and "color" */
int GlobalCount()
{
    return (int)(FlareSwitches().size() + FlareFloats().size()) + 2;
}

/* ---- writing ---- */

void PutFloats(std::string *out, const float *v, int n)
{
    for (int i = 0; i < n; i++)
        *out += " " + FloatWord(v[i]);
    *out += '\n';
}

void PutElement(std::string *out, const Element &e)
{
    AppendFormat(out, kLnzMaxLine, "element %s\n", e.type->name.c_str());
    AppendFormat(out, kLnzMaxLine, "enabled %s\n", e.enabled ? "on" : "off");
    for (size_t i = 0; i < e.type->params.size() && i < e.values.size(); i++) {
        const ParamDef &d = e.type->params[i];
        const ParamValue &v = e.values[i];
        AppendFormat(out, kLnzMaxLine, "value %s", d.name.c_str());
        PutFloats(out, v.v, ComponentCount(d.type));
        if (d.type == ParamType::Gradient) {
            AppendFormat(out, kLnzMaxLine, "gradient %s %d\n", d.name.c_str(), v.gradient.count());
            for (int s = 0; s < v.gradient.count(); s++) {
                *out += "stop";
                float stop[4] = {v.gradient.offsets[(size_t)s], v.gradient.colors[3 * (size_t)s],
                                 v.gradient.colors[3 * (size_t)s + 1],
                                 v.gradient.colors[3 * (size_t)s + 2]};
                PutFloats(out, stop, 4);
            }
        }
        if (d.type == ParamType::List || d.type == ParamType::ArbitraryData) {
            AppendFormat(out, kLnzMaxLine, "data %s %u\n", d.name.c_str(), (unsigned)v.data.size());
            for (size_t at = 0; at < v.data.size(); at += kTextChunk) {
                size_t n = std::min(kTextChunk, v.data.size() - at);
                *out += "text \"" + EscapeBytes(v.data.data() + at, n) + "\"\n";
            }
        }
    }
    *out += "end\n";
}

/* ---- parsing ---- */

struct Parser {
    const char *at, *end;
    int line = 0;                 /* number of the line last read */
    std::string text;             /* that line, without its newline */
    std::vector<std::string> words;
    std::string why;
    int status = LNZ_OK;
};

bool Refuse(Parser *p, int status, const std::string &reason)
{
    p->status = status;
    p->why = "line " + std::to_string(p->line) + ": " + reason;
    return false;
}

/* Splits on single spaces; a word may be one double-quoted C string. */
bool SplitWords(Parser *p)
{
    p->words.clear();
    const std::string &t = p->text;
    size_t i = 0;
    while (i < t.size()) {
        size_t start = i;
        if (t[i] == '"') {
            for (i++; i < t.size() && t[i] != '"'; i++)
                if (t[i] == '\\')
                    i++;
            if (i >= t.size())
                return Refuse(p, LNZ_MALFORMED, "unterminated text");
            i++;
        } else {
            while (i < t.size() && t[i] != ' ')
                i++;
        }
        p->words.push_back(t.substr(start, i - start));
        if (i < t.size()) {
            if (t[i] != ' ' || i + 1 == t.size() || t[i + 1] == ' ')
                return Refuse(p, LNZ_MALFORMED, "words are separated by one space");
            i++;
        }
    }
    return true;
}

bool NextLine(Parser *p)
{
    p->line++;
    std::string fault = TakeLine(&p->at, p->end, kLnzMaxLine, &p->text);
    if (!fault.empty())
        return Refuse(p, LNZ_MALFORMED, fault);
    return SplitWords(p);
}

/* The next line must be `keyword` followed by exactly `count` words. */
bool Expect(Parser *p, const char *keyword, size_t count)
{
    if (!NextLine(p))
        return false;
    if (p->words.empty() || p->words[0] != keyword)
        return Refuse(p, LNZ_MALFORMED, std::string("expected \"") + keyword + "\"");
    if (p->words.size() != count + 1)
        return Refuse(p, LNZ_MALFORMED, std::string("\"") + keyword + "\" takes " +
                                             std::to_string(count) + " values");
    return true;
}

bool ParseFloat(Parser *p, const std::string &word, float *out)
{
    if (!ReadFloatWord(word, out))
        return Refuse(p, LNZ_MALFORMED, "\"" + word + "\" is no finite number");
    return true;
}

bool ParseInt(Parser *p, const std::string &word, long long low, long long high, long long *out)
{
    errno = 0;
    char *stop = nullptr;
    long long v = std::strtoll(word.c_str(), &stop, 10);
    if (word.empty() || *stop || errno == ERANGE || v < low || v > high)
        return Refuse(p, LNZ_MALFORMED, "\"" + word + "\" is no whole number from " +
                                            std::to_string(low) + " to " + std::to_string(high));
    *out = v;
    return true;
}

bool ParseSwitch(Parser *p, const std::string &word, bool *out)
{
    if (word == "on")
        *out = true;
    else if (word == "off")
        *out = false;
    else
        return Refuse(p, LNZ_MALFORMED, "\"" + word + "\" is neither on nor off");
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* Decodes one "..." word written by EscapeBytes. */
bool Unescape(Parser *p, const std::string &word, std::vector<unsigned char> *out)
{
    if (word.size() < 2 || word.front() != '"' || word.back() != '"')
        return Refuse(p, LNZ_MALFORMED, "text must be in double quotes");
    for (size_t i = 1; i + 1 < word.size(); i++) {
        char c = word[i];
        if (c != '\\') {
            out->push_back((unsigned char)c);
            continue;
        }
        char e = word[++i];
        switch (e) {
        case '"': out->push_back('"'); break;
        case '\\': out->push_back('\\'); break;
        case 'n': out->push_back('\n'); break;
        case 't': out->push_back('\t'); break;
        case 'r': out->push_back('\r'); break;
        case 'x': {
            int hi = i + 2 < word.size() ? HexDigit(word[i + 1]) : -1;
            int lo = i + 2 < word.size() ? HexDigit(word[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return Refuse(p, LNZ_MALFORMED, "\\x needs two hex digits");
            out->push_back((unsigned char)(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            return Refuse(p, LNZ_MALFORMED, std::string("unknown escape \\") + e);
        }
    }
    return true;
}

bool ParseGlobals(Parser *p, Flare *f)
{
    std::vector<std::string> seen;
    while ((int)seen.size() < GlobalCount()) {
        if (!NextLine(p))
            return false;
        if (p->words.empty())
            return Refuse(p, LNZ_MALFORMED, "empty line");
        const std::string &kw = p->words[0];
        for (const std::string &s : seen)
            if (s == kw)
                return Refuse(p, LNZ_MALFORMED, "\"" + kw + "\" appears twice");
        size_t values = kw == "color" ? 3 : 1;
        if (p->words.size() != values + 1)
            return Refuse(p, LNZ_MALFORMED, "\"" + kw + "\" takes " + std::to_string(values) + " values");
        bool known = false;
        for (const FlareSwitchField &s : FlareSwitches())
            if (kw == s.keyword) {
                if (!ParseSwitch(p, p->words[1], &(f->*s.field)))
                    return false;
                known = true;
            }
        for (const FlareFloatField &g : FlareFloats())
            if (kw == g.keyword) {
                if (!ParseFloat(p, p->words[1], &(f->*g.field)))
                    return false;
                known = true;
            }
        if (kw == "randomseed") {
            long long seed = 0;
            if (!ParseInt(p, p->words[1], INT32_MIN, INT32_MAX, &seed))
                return false;
            f->randomSeed = (int)seed;
            known = true;
        } else if (kw == "color") {
            for (int i = 0; i < 3; i++)
                if (!ParseFloat(p, p->words[1 + (size_t)i], &f->color[i]))
                    return false;
            known = true;
        }
        if (!known)
            return Refuse(p, LNZ_MALFORMED, "\"" + kw + "\" is no global of a lens flare");
        seen.push_back(kw);
    }
    return true;
}

/* The parameter a "value", "gradient" or "data" line names. */
bool FindParam(Parser *p, const Element &e, const std::string &name, std::vector<bool> *seen,
               const char *part, int *index)
{
    *index = e.ParamIndex(name.c_str());
    if (*index < 0)
        return Refuse(p, LNZ_MALFORMED, "element type " + e.type->name + " has no parameter " + name);
    std::vector<bool>::reference done = (*seen)[(size_t)*index];
    if (done)
        return Refuse(p, LNZ_MALFORMED, std::string(part) + " of " + name + " given twice");
    done = true;
    return true;
}

bool ParseGradient(Parser *p, Element *e, std::vector<bool> *seen)
{
    int index = 0;
    if (p->words.size() != 3)
        return Refuse(p, LNZ_MALFORMED, "\"gradient\" takes a name and a count");
    if (!FindParam(p, *e, p->words[1], seen, "gradient", &index))
        return false;
    const ParamDef &d = e->type->params[(size_t)index];
    if (d.type != ParamType::Gradient)
        return Refuse(p, LNZ_MALFORMED, d.name + " is no gradient");
    long long count = 0;
    if (!ParseInt(p, p->words[2], 0, kMaxGradientStops, &count))
        return false;
    GradientValue g;
    g.offsets.resize((size_t)count);
    g.colors.resize(3 * (size_t)count);
    for (long long s = 0; s < count; s++) {
        if (!Expect(p, "stop", 4))
            return false;
        if (!ParseFloat(p, p->words[1], &g.offsets[(size_t)s]))
            return false;
        for (int c = 0; c < 3; c++)
            if (!ParseFloat(p, p->words[2 + (size_t)c], &g.colors[3 * (size_t)s + (size_t)c]))
                return false;
    }
    std::string why;
    if (!ValidGradient(g.offsets.data(), g.colors.data(), count, &why))
        return Refuse(p, LNZ_MALFORMED, why);
    e->values[(size_t)index].gradient = std::move(g);
    return true;
}

bool ParseData(Parser *p, Element *e, std::vector<bool> *seen)
{
    int index = 0;
    if (p->words.size() != 3)
        return Refuse(p, LNZ_MALFORMED, "\"data\" takes a name and a size");
    if (!FindParam(p, *e, p->words[1], seen, "data", &index))
        return false;
    const ParamDef &d = e->type->params[(size_t)index];
    if (d.type != ParamType::List && d.type != ParamType::ArbitraryData)
        return Refuse(p, LNZ_MALFORMED, d.name + " takes no data");
    long long size = 0;
    if (!ParseInt(p, p->words[2], 0, (long long)kMaxDataBytes, &size))
        return false;
    std::vector<unsigned char> data;
    while ((long long)data.size() < size) {
        if (!Expect(p, "text", 1))
            return false;
        size_t before = data.size();
        if (!Unescape(p, p->words[1], &data))
            return false;
        if (data.size() - before > kTextChunk)
            return Refuse(p, LNZ_MALFORMED,
                          "a text line holds at most " + std::to_string(kTextChunk) + " bytes");
        if (data.size() == before || (long long)data.size() > size)
            return Refuse(p, LNZ_MALFORMED, "the text does not add up to " + std::to_string(size) + " bytes");
    }
    std::string why;
    if (!ValidData(d, data.data(), size, &why))
        return Refuse(p, LNZ_MALFORMED, why);
    e->values[(size_t)index].data = std::move(data);
    return true;
}

bool ParseElement(Parser *p, std::unique_ptr<Element> *out)
{
    if (!Expect(p, "element", 1))
        return false;
    const ElementType *type = FindElementType(p->words[1]);
    if (!type)
        return Refuse(p, LNZ_UNKNOWN_TYPE, "this host has no element type " + p->words[1]);
    std::unique_ptr<Element> e = NewElement(type);
    if (!e)
        return Refuse(p, LNZ_MALFORMED, "no memory for an element");
    if (!Expect(p, "enabled", 1) || !ParseSwitch(p, p->words[1], &e->enabled))
        return false;
    std::vector<bool> valueSeen(e->values.size()), gradientSeen(e->values.size()),
        dataSeen(e->values.size());
    for (;;) {
        if (!NextLine(p))
            return false;
        const std::string kw = p->words.empty() ? "" : p->words[0];
        if (kw == "end" && p->words.size() == 1)
            break;
        if (kw == "value") {
            int index = 0;
            if (p->words.size() < 2)
                return Refuse(p, LNZ_MALFORMED, "\"value\" needs a name");
            if (!FindParam(p, *e, p->words[1], &valueSeen, "value", &index))
                return false;
            const ParamDef &d = type->params[(size_t)index];
            size_t n = (size_t)ComponentCount(d.type);
            if (p->words.size() != n + 2)
                return Refuse(p, LNZ_MALFORMED, d.name + " takes " + std::to_string(n) + " numbers");
            float v[4] = {0, 0, 0, 0};
            for (size_t i = 0; i < n; i++)
                if (!ParseFloat(p, p->words[2 + i], &v[i]))
                    return false;
            std::string why;
            if (!ValidValue(d, v, &why))
                return Refuse(p, LNZ_MALFORMED, why);
            std::memcpy(e->values[(size_t)index].v, v, sizeof(float) * n);
        } else if (kw == "gradient") {
            if (!ParseGradient(p, e.get(), &gradientSeen))
                return false;
        } else if (kw == "data") {
            if (!ParseData(p, e.get(), &dataSeen))
                return false;
        } else {
            return Refuse(p, LNZ_MALFORMED, "expected value, gradient, data or end");
        }
    }
    *out = std::move(e);
    return true;
}

} // namespace

std::string FormatLnz(const Flare &f)
{
    std::string out;
    AppendFormat(&out, kLnzMaxLine, "%s %d\n", kMagic, kVersion);
    for (const FlareSwitchField &s : FlareSwitches())
        AppendFormat(&out, kLnzMaxLine, "%s %s\n", s.keyword, f.*s.field ? "on" : "off");
    for (const FlareFloatField &g : FlareFloats())
        out += std::string(g.keyword) + " " + FloatWord(f.*g.field) + "\n";
    AppendFormat(&out, kLnzMaxLine, "randomseed %d\n", f.randomSeed);
    out += "color";
    PutFloats(&out, f.color, 3);
    AppendFormat(&out, kLnzMaxLine, "elements %u\n", (unsigned)f.elements.size());
    for (const std::unique_ptr<Element> &e : f.elements)
        PutElement(&out, *e);
    out += "end-of-effect\n";
    return out;
}

int ParseLnz(const char *text, size_t size, Flare *out, std::string *why)
{
    Parser p;
    p.at = text;
    p.end = text + size;
    Flare f;
    long long count = 0;
    bool ok = Expect(&p, kMagic, 1);
    if (ok && p.words[1] != std::to_string(kVersion))
        ok = Refuse(&p, LNZ_MALFORMED, "version " + p.words[1] + " (this host reads version " +
                                           std::to_string(kVersion) + ")");
    ok = ok && ParseGlobals(&p, &f) && Expect(&p, "elements", 1) &&
         ParseInt(&p, p.words[1], 0, kLnzMaxElements, &count);
    for (long long i = 0; ok && i < count; i++) {
        std::unique_ptr<Element> e;
        ok = ParseElement(&p, &e);
        if (ok)
            f.elements.push_back(std::move(e));
    }
    ok = ok && Expect(&p, "end-of-effect", 0);
    if (ok && p.at != p.end) {
        p.line++;
        ok = Refuse(&p, LNZ_MALFORMED, "text after end-of-effect");
    }
    if (!ok) {
        if (why)
            *why = p.why;
        return p.status == LNZ_OK ? LNZ_MALFORMED : p.status;
    }
    CopyGlobals(f, out);
    out->elements = std::move(f.elements);
    ElementsReplaced(out);
    return LNZ_OK;
}

int SaveLnzFile(const char *path, const Flare &flare, std::string *why)
{
    std::string text = FormatLnz(flare);
    /* A file the host could not read back is no save: names from a type
     * definition may make a line longer than a line may be, and a flare
     * may hold more data than a file may. */
    Flare check;
    std::string fault;
    if (text.size() > kLnzMaxFile || ParseLnz(text.data(), text.size(), &check, &fault) != LNZ_OK) {
        *why = text.size() > kLnzMaxFile ? "the effect would be larger than " +
                                               std::to_string(kLnzMaxFile) + " bytes"
                                         : "the effect would not read back (" + fault + ")";
        return LNZ_CANNOT_WRITE;
    }
    return WriteWholeFile(path, text.data(), text.size(), why) ? LNZ_OK : LNZ_CANNOT_WRITE;
}

int LoadLnzFile(const char *path, Flare *flare, std::string *why)
{
    std::string text;
    FileReadStatus read = ReadWholeFile(path, kLnzMaxFile, &text, why);
    if (read != FILE_READ_OK)
        return read == FILE_TOO_LARGE ? LNZ_MALFORMED : LNZ_CANNOT_READ;
    Flare loaded;
    int status = ParseLnz(text.data(), text.size(), &loaded, why);
    if (status != LNZ_OK)
        return status;
    CopyGlobals(loaded, flare);
    for (std::unique_ptr<Element> &e : loaded.elements)
        InsertElementAt(flare, flare->elements.size(), std::move(e));
    return LNZ_OK;
}

} // namespace ka
