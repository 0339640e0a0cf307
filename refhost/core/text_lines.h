/*
 * text_lines.h - what the host's line-based texts share: printf output
 * appended to a text, and lines taken one at a time from a text in memory
 * under the bounds both file formats keep (a newline after every line, a
 * longest line, no NUL byte; a CR before the newline is dropped for files
 * edited on Windows).  How a line splits into words is each format's own.
 */
#ifndef REFHOST_TEXT_LINES_H
#define REFHOST_TEXT_LINES_H

#include <stddef.h>
#include <string>

namespace ka {

/* Appends the formatted text, cut to maxLength - 1 bytes. */
void AppendFormat(std::string *out, size_t maxLength, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

/* The number rule of every file the host writes and reads: a float is
 * written with nine significant digits, which is enough for the reader to
 * get the same bits back (-0, subnormals and the largest floats too), and
 * a word reads as the float nearest to it when that is finite.  A result
 * too small for a normal float is still a number: strtof's ERANGE for it
 * says only that precision was lost. */
std::string FloatWord(float value);
bool ReadFloatWord(const std::string &word, float *out);

/* The line at *at (the text ends at end) into *line without its line end,
 * and *at past it; maxLine counts the newline.  Returns the empty string,
 * or why there is no such line. */
std::string TakeLine(const char **at, const char *end, size_t maxLine, std::string *line);

} // namespace ka

#endif
