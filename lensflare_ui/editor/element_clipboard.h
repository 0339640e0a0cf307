/*
 * element_clipboard.h - copy, paste and duplicate of one flare element.
 *
 * An element travels as a record that holds everything by value: its
 * type's name, its switch and each parameter by name with its type, value,
 * gradient stops and data.  The record goes to the clipboard in a format
 * of the plug-in's own (so an editor of another light or another process
 * can paste it) beside a text in the library file syntax for people.  A
 * paste inserts an element of the record's type after the selected one and
 * gives it the record's values by parameter name; what the host's type
 * cannot take is skipped and said in the preview's notice.
 */
#ifndef ELEMENT_CLIPBOARD_H
#define ELEMENT_CLIPBOARD_H

#include <stdint.h>
#include <string>
#include <vector>
#include <windows.h>

#include "model/lens_flare_model.h"

/* Name of the registered clipboard format of element records. */
#define ELEMENT_CLIPBOARD_FORMAT "Lens Flare Element"

/* Limits a record is held to when read: the host's own. */
#define CLIP_MAX_STOPS 1024
#define CLIP_MAX_DATA (1 << 20)
#define CLIP_MAX_TEXT 1024

/* A text inside a record: not terminated. */
struct ClipText {
    const char *at;
    uint32_t length;
};

/* One parameter of a record, pointing into the record's bytes. */
struct ClipParameter {
    ClipText name;
    ClipText type;                 /* "floatslider", "color", ... */
    float value[4];
    int32_t gradientCount;
    const unsigned char *colors;   /* gradientCount RGB float triples, or null */
    const unsigned char *offsets;  /* gradientCount floats, or null */
    int32_t dataSize;
    const unsigned char *data;     /* or null */
};

struct ClipElement {
    ClipText typeName;
    ClipText description;
    bool enabled;
    uint32_t parameterCount;
    const unsigned char *firstParameter;   /* where the parameters start */
    const unsigned char *end;
};

/* A text of a record as a string of its own. */
std::string ClipTextString(const ClipText &text);

/* The element as a record; false when memory runs out. */
bool BuildElementRecord(const FlareElement &element, std::vector<unsigned char> *record);
/* Checks every size and count of the record before anything is used;
 * false for bytes that are no whole, sound record. */
bool ReadElementRecord(const unsigned char *bytes, size_t size, ClipElement *element);
/* The parameters in turn: at starts at firstParameter. */
void NextClipParameter(const ClipElement &element, const unsigned char **at, ClipParameter *p);
/* The element in the library file syntax, lines ended by CR LF. */
std::string ElementRecordText(const ClipElement &element);

/* The editor's commands; each is one undo step. */
void CopySelectedElement(HWND dialog);
void PasteElement(HWND dialog);
void DuplicateSelectedElement(HWND dialog);

/* The key filter's part: Ctrl+C, Ctrl+V and Ctrl+D in the editor, edit
 * boxes keeping their own Ctrl+C and Ctrl+V; true when the key was used. */
bool HandleElementClipboardKey(const MSG *msg);

#endif
