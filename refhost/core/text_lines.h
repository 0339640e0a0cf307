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

/* The line at *at (the text ends at end) into *line without its line end,
 * and *at past it; maxLine counts the newline.  Returns the empty string,
 * or why there is no such line. */
std::string TakeLine(const char **at, const char *end, size_t maxLine, std::string *line);

} // namespace ka

#endif
