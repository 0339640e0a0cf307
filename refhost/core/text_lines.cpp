/*
 * text_lines.cpp - appending formatted text and taking bounded lines.
 */
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text_lines.h"

namespace ka {

void AppendFormat(std::string *out, size_t maxLength, const char *format, ...)
{
    if (maxLength == 0)
        return;
    size_t at = out->size();
    out->resize(at + maxLength);
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(&(*out)[at], maxLength, format, ap);
    va_end(ap);
    size_t kept = n < 0 ? 0 : (size_t)n < maxLength ? (size_t)n : maxLength - 1;
    out->resize(at + kept);
}

std::string FloatWord(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", (double)value);
    return text;
}

bool ReadFloatWord(const std::string &word, float *out)
{
    char *stop = nullptr;
    float v = std::strtof(word.c_str(), &stop);
    if (word.empty() || *stop || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

std::string TakeLine(const char **at, const char *end, size_t maxLine, std::string *line)
{
    if (*at >= end)
        return "the file ends early";
    const char *newline = static_cast<const char *>(std::memchr(*at, '\n', (size_t)(end - *at)));
    if (!newline)
        return "the last line is cut off";
    size_t length = (size_t)(newline - *at);
    if (length + 1 > maxLine)
        return "line longer than " + std::to_string(maxLine) + " bytes";
    if (length > 0 && (*at)[length - 1] == '\r')
        length--;
    line->assign(*at, length);
    *at = newline + 1;
    if (std::memchr(line->data(), '\0', line->size()))
        return "NUL byte in a line";
    return "";
}

} // namespace ka
