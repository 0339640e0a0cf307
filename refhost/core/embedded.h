/*
 * embedded.h - text files built into the host (refhost/embed_texts.cmake
 * writes the lists from the files in the tree).
 */
#ifndef REFHOST_EMBEDDED_H
#define REFHOST_EMBEDDED_H

namespace ka {

struct EmbeddedText {
    const char *file;            /* the file's name, no folder */
    const char *text;            /* its contents, NUL-terminated */
};

/* Lists that end in an entry with a null file. */
extern const EmbeddedText kDefaultFlareText[];   /* default-flare.lnz */
extern const EmbeddedText kDemoEffectTexts[];    /* the lensfx folder */

} // namespace ka

#endif
