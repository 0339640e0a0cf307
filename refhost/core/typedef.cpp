/*
 * typedef.cpp - element types from a text definition (Kh_Define_Element_Type),
 * so that tests and host programs can offer types the catalogue lacks.
 * The format is in docs/host.md: a "type" line, an optional "description",
 * "param" blocks of definition lines, and "end".  Such types draw nothing
 * (renderer -1).
 */
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue.h"
#include "errors.h"
#include "refhost_api.h"
#include "text_lines.h"

namespace ka {

namespace {

/* The definition text of every type added here, by type name, so that
 * defining the same type again with the same text is harmless. */
std::map<std::string, std::string> g_definitions;

const size_t kMaxDefinitionLine = 4096;

struct DefParser {
    const char *at, *end;
    int line = 0;
    std::string text;      /* the current line, trimmed */
    std::string keyword;   /* its first word */
    std::string rest;      /* everything after the first word and one space */
    std::string why;
};

bool Refuse(DefParser *p, const std::string &why)
{
    p->why = why;
    return false;
}

bool IsWord(const std::string &s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!(std::isalnum((unsigned char)c) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

/* The next line that is neither blank nor a # comment; false at the end. */
bool NextLine(DefParser *p)
{
    while (p->at < p->end) {
        const char *newline = static_cast<const char *>(std::memchr(p->at, '\n', (size_t)(p->end - p->at)));
        const char *stop = newline ? newline : p->end;
        p->line++;
        std::string raw(p->at, (size_t)(stop - p->at));
        p->at = newline ? newline + 1 : p->end;
        if (raw.size() > kMaxDefinitionLine) {
            p->text = raw;
            p->keyword.clear();
            return true;   /* the caller refuses the empty keyword */
        }
        size_t first = raw.find_first_not_of(" \t\r");
        if (first == std::string::npos || raw[first] == '#')
            continue;
        size_t last = raw.find_last_not_of(" \t\r");
        p->text = raw.substr(first, last - first + 1);
        size_t space = p->text.find(' ');
        p->keyword = p->text.substr(0, space);
        p->rest = space == std::string::npos ? "" : p->text.substr(space + 1);
        return true;
    }
    p->line++;   /* faults at the end name the line that is missing */
    return false;
}

std::vector<std::string> Words(const std::string &s)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ')
            i++;
        size_t start = i;
        while (i < s.size() && s[i] != ' ')
            i++;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool ParseNumber(DefParser *p, const std::string &word, float *out)
{
    if (word == "FLT_MAX" || word == "-FLT_MAX") {
        *out = word[0] == '-' ? -FLT_MAX : FLT_MAX;
        return true;
    }
    if (!ReadFloatWord(word, out))
        return Refuse(p, "\"" + word + "\" is no finite number (FLT_MAX and -FLT_MAX are allowed)");
    return true;
}

/* One to three numbers; missing components repeat the last one given. */
bool ParseTriple(DefParser *p, float out[3])
{
    std::vector<std::string> words = Words(p->rest);
    if (words.empty() || words.size() > 3)
        return Refuse(p, "\"" + p->keyword + "\" takes one to three numbers");
    for (size_t i = 0; i < 3; i++)
        if (!ParseNumber(p, words[std::min(i, words.size() - 1)], &out[i]))
            return false;
    return true;
}

bool ParseSwitch(DefParser *p, bool *out)
{
    if (p->rest != "on" && p->rest != "off")
        return Refuse(p, "\"" + p->keyword + "\" takes on or off");
    *out = p->rest == "on";
    return true;
}

bool ParseQuoted(DefParser *p, std::string *out)
{
    const std::string &s = p->rest;
    if (s.size() < 2 || s.front() != '"' || s.back() != '"')
        return Refuse(p, "\"data\" takes a text in double quotes");
    const size_t last = s.size() - 2;   /* index of the last character inside the quotes */
    for (size_t i = 1; i <= last; i++) {
        char c = s[i];
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (i + 1 > last)
            return Refuse(p, "a backslash ends the text");
        char e = s[++i];
        switch (e) {
        case 'n': *out += '\n'; break;
        case 't': *out += '\t'; break;
        case 'r': *out += '\r'; break;
        case '0': *out += '\0'; break;
        case '"': *out += '"'; break;
        case '\\': *out += '\\'; break;
        case 'x': {
            if (i + 2 > last || !std::isxdigit((unsigned char)s[i + 1]) ||
                !std::isxdigit((unsigned char)s[i + 2]))
                return Refuse(p, "\\x takes two hex digits");
            *out += (char)std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
            break;
        }
        default:
            return Refuse(p, std::string("unknown escape \\") + e);
        }
    }
    return true;
}

bool ParamLine(DefParser *p, ParamDef *d)
{
    const std::string &k = p->keyword;
    if (k == "description") {
        d->description = p->rest;
        return true;
    }
    if (k == "guid") {
        if (p->rest.empty())
            return Refuse(p, "empty guid");
        d->guid = p->rest;
        return true;
    }
    if (k == "id" || k == "precision") {
        errno = 0;
        char *stop = nullptr;
        long long v = std::strtoll(p->rest.c_str(), &stop, 10);
        if (p->rest.empty() || *stop || errno == ERANGE || (k == "precision" && (v < 0 || v > 20)))
            return Refuse(p, "\"" + k + "\" takes a whole number" + (k == "precision" ? " from 0 to 20" : ""));
        if (k == "id")
            d->parameterId = v;
        else
            d->precision = (int)v;
        return true;
    }
    struct Triple {
        const char *keyword;
        float *values;
    };
    const Triple triples[] = {{"absmin", d->absMin}, {"absmax", d->absMax}, {"uimin", d->uiMin},
                              {"uimax", d->uiMax},   {"default", d->defaultValue}, {"delta", d->delta}};
    for (const Triple &t : triples)
        if (k == t.keyword)
            return ParseTriple(p, t.values);
    if (k == "floatarg")
        return ParseSwitch(p, &d->floatArg);
    if (k == "percentage")
        return ParseSwitch(p, &d->percentage);
    if (k == "stop") {
        if (d->type != ParamType::Gradient)
            return Refuse(p, "\"stop\" belongs to gradients");
        std::vector<std::string> words = Words(p->rest);
        if (words.size() != 4)
            return Refuse(p, "\"stop\" takes an offset and three colour components");
        float v[4];
        for (int i = 0; i < 4; i++)
            if (!ParseNumber(p, words[(size_t)i], &v[i]))
                return false;
        d->defaultGradient.offsets.push_back(v[0]);
        d->defaultGradient.colors.insert(d->defaultGradient.colors.end(), {v[1], v[2], v[3]});
        return true;
    }
    if (k == "list") {
        if (d->type != ParamType::List)
            return Refuse(p, "\"list\" belongs to lists");
        d->defaultData = p->rest;
        return true;
    }
    if (k == "data") {
        if (d->type != ParamType::ArbitraryData)
            return Refuse(p, "\"data\" belongs to arbitrary data");
        return ParseQuoted(p, &d->defaultData);
    }
    return Refuse(p, "\"" + k + "\" is no line of a parameter definition");
}

/* Checks what a whole parameter must satisfy once its block is read.  A
 * fault is reported at the block's first line, blockLine. */
bool FinishParamAt(DefParser *p, const ElementType &type, const ParamDef &d, int blockLine)
{
    int here = p->line;
    p->line = blockLine;
    for (const ParamDef &other : type.params)
        if (&other != &d && other.name == d.name)
            return Refuse(p, "parameter " + d.name + " is defined twice");
    std::string why;
    if (!ValidValue(d, d.defaultValue, &why))
        return Refuse(p, "default " + why);
    const GradientValue &g = d.defaultGradient;
    if (!ValidGradient(g.offsets.data(), g.colors.data(), g.count(), &why))
        return Refuse(p, "default " + why);
    if (d.type == ParamType::List && d.defaultData.find('\0') != std::string::npos)
        return Refuse(p, "list entries hold a NUL");
    if (d.defaultData.size() > kMaxDataBytes)
        return Refuse(p, "default data too large");
    p->line = here;
    return true;
}

bool ParseDefinition(DefParser *p, ElementType *type)
{
    if (!NextLine(p))
        return Refuse(p, "empty definition");
    if (p->keyword != "type" || !IsWord(p->rest))
        return Refuse(p, "the first line is \"type NAME\" (letters, digits, _ - .)");
    type->name = p->rest;
    type->renderer = -1;
    ParamDef *param = nullptr;
    int paramLine = 0;
    for (;;) {
        if (!NextLine(p))
            return Refuse(p, "no \"end\" line");
        if (p->keyword == "end" && p->rest.empty())
            break;
        if (p->keyword == "param") {
            std::vector<std::string> words = Words(p->rest);
            ParamType t;
            if (words.size() != 2 || !ParamTypeFromKeyword(words[0], &t) || !IsWord(words[1]))
                return Refuse(p, "\"param TYPE NAME\" with a type keyword such as floatslider");
            if (param && !FinishParamAt(p, *type, *param, paramLine))
                return false;
            ParamDef d;
            d.type = t;
            d.name = words[1];
            d.description = words[1];
            type->params.push_back(d);
            param = &type->params.back();
            paramLine = p->line;
            continue;
        }
        if (p->keyword == "description" && !param) {
            type->description = p->rest;
            continue;
        }
        if (!param)
            return Refuse(p, "\"" + p->keyword + "\" before the first \"param\"");
        if (!ParamLine(p, param))
            return false;
    }
    if (param && !FinishParamAt(p, *type, *param, paramLine))
        return false;
    if (NextLine(p))
        return Refuse(p, "text after \"end\"");
    return true;
}

} // namespace

} // namespace ka

using namespace ka;

extern "C" int Kh_Define_Element_Type(const char *definition)
{
    if (!definition) {
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", "Kh_Define_Element_Type()", "null definition");
        return 1;
    }
    DefParser p;
    p.at = definition;
    p.end = definition + std::strlen(definition);
    std::unique_ptr<ElementType> type = std::make_unique<ElementType>();
    if (!ParseDefinition(&p, type.get())) {
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", "Kh_Define_Element_Type()",
                    "line " + std::to_string(p.line) + ": " + p.why);
        return p.line > 0 ? p.line : 1;
    }
    if (FindElementType(type->name)) {
        auto earlier = g_definitions.find(type->name);
        if (earlier != g_definitions.end() && earlier->second == definition)
            return 0;
        ReportError(4, "ERR_BAD_ELEMENT_TYPE", "Kh_Define_Element_Type()",
                    "line 1: element type " + type->name + " exists already");
        return 1;
    }
    std::string name = type->name;
    if (!RegisterElementType(std::move(type)))
        return 1;
    g_definitions[name] = definition;
    return 0;
}
