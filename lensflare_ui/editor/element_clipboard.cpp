/*
 * element_clipboard.cpp - the editor's Ctrl+C, Ctrl+V and Ctrl+D: the
 * selected element to the clipboard as a record and as library text, a
 * record from the clipboard into the flare after the selected element, and
 * the selected element duplicated without the clipboard.  A paste is the
 * host's insert, the record's values given to the new element's model by
 * parameter name, and the write-back; the user hears of what was skipped
 * or refused in the preview's notice, and nothing else changes then.
 */
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "editor/editor.h"
#include "editor/element_clipboard.h"
#include "editor/undo.h"
#include "entry/plugin.h"
#include "host/host_helpers.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "resources/resource_ids.h"

namespace {

const char kNoElement[] = "Nothing pasted: the clipboard holds no lens flare element.";
const char kDamaged[] = "Nothing pasted: the clipboard's element is damaged.";
const char kClipboardBusy[] = "The clipboard is currently being used by another application.";
const char kNotCopied[] = "The element could not be put on the clipboard.";

/* Room for a notice line. */
const int kNoticeSize = 256;

UINT ElementFormat()
{
    return RegisterClipboardFormatA(ELEMENT_CLIPBOARD_FORMAT);
}

bool IsEditBox(HWND window)
{
    char cls[16] = "";
    return GetClassNameA(window, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0;
}

/* The selected element, with the gradient edits its panel still holds. */
FlareElement *ElementToCopy(HWND dialog)
{
    PluginInstance *instance = currentInstance;
    FlareElement *e = instance->currentElement;
    if (!e)
        return SelectedListElement(dialog);
    if (currentSection == SECTION_ELEMENT)
        CollectGradientParameters(instance, dialog, e);
    return e;
}

bool PutOnClipboard(UINT format, const void *bytes, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    void *at = block ? GlobalLock(block) : nullptr;
    if (!at) {
        if (block)
            GlobalFree(block);
        return false;
    }
    std::memcpy(at, bytes, size);
    GlobalUnlock(block);
    if (SetClipboardData(format, block))
        return true;
    GlobalFree(block);
    return false;
}

/* The clipboard's record, copied out; false with the notice to show. */
bool TakeClipboardRecord(HWND dialog, std::vector<unsigned char> *record, const char **refusal)
{
    UINT format = ElementFormat();
    if (!format || !IsClipboardFormatAvailable(format)) {
        *refusal = kNoElement;
        return false;
    }
    if (!OpenClipboard(dialog)) {
        *refusal = kClipboardBusy;
        return false;
    }
    HANDLE block = GetClipboardData(format);
    const unsigned char *bytes =
        block ? static_cast<const unsigned char *>(GlobalLock(block)) : nullptr;
    bool taken = false;
    if (bytes) {
        try {
            record->assign(bytes, bytes + GlobalSize(block));
            taken = true;
        } catch (const std::bad_alloc &) {
        }
        GlobalUnlock(block);
    }
    CloseClipboard();
    *refusal = kDamaged;
    return taken;
}

bool HostHasType(const std::string &type)
{
    int32_t count = 0;
    Ki_LensFlare_Enumerate_ElementInfo(Token("numelements"), &count, 0);
    for (int32_t i = 0; i < count; i++) {
        const char *name = nullptr;
        Ki_LensFlare_Enumerate_ElementInfo(Token("element"), &i, Token("name"), &name, 1, 0);
        if (name && type == name)
            return true;
    }
    return false;
}

ElementParameter *ParameterNamed(FlareElement *e, const ClipText &name)
{
    for (ElementParameter *p = e->firstParameter; p; p = p->next)
        if (p->name && std::strlen(p->name) == name.length &&
            std::memcmp(p->name, name.at, name.length) == 0)
            return p;
    return nullptr;
}

/* What the host takes for this parameter: its type, finite numbers inside
 * an absolute range that is not open, a check box 0 or 1. */
bool Fits(const ElementParameter &target, const ClipParameter &p)
{
    if (Token(ClipTextString(p.type).c_str()) != target.type)
        return false;
    bool triple = target.type == Token("color") || target.type == Token("point");
    for (int i = 0; i < (triple ? 3 : 1); i++) {
        float v = p.value[i];
        if (!std::isfinite(v))
            return false;
        if (target.absMin[i] <= target.absMax[i] && (v < target.absMin[i] || v > target.absMax[i]))
            return false;
    }
    return target.type != Token("checkbox") || p.value[0] == 0.0f || p.value[0] == 1.0f;
}

void ReplaceHostBlock(void **block, const void *source, size_t bytes)
{
    void *copy = Ki_Alloc_Memory(0, 1, bytes);
    if (!copy)
        return;
    std::memcpy(copy, source, bytes);
    if (*block)
        Ki_Free_Memory(*block);
    *block = copy;
}

void GiveValue(ElementParameter *target, const ClipParameter &p)
{
    std::memcpy(target->Kv_Current_Value, p.value, sizeof p.value);
    if (p.gradientCount > 0) {
        size_t n = (size_t)p.gradientCount;
        ReplaceHostBlock(reinterpret_cast<void **>(&target->gradientColors), p.colors,
                         n * 3 * sizeof(float));
        ReplaceHostBlock(reinterpret_cast<void **>(&target->gradientOffsets), p.offsets,
                         n * sizeof(float));
        if (target->gradientColors && target->gradientOffsets)
            target->gradientCount = p.gradientCount;
    }
    if (p.dataSize > 0) {
        ReplaceHostBlock(reinterpret_cast<void **>(&target->arbitraryData), p.data,
                         (size_t)p.dataSize);
        if (target->arbitraryData)
            target->arbitraryDataSize = p.dataSize;
    }
}

/* The record's switch and values into the new element's model; the names
 * of the parameters it could not take go into skipped. */
int GiveRecordValues(FlareElement *e, const ClipElement &clip, std::string *skipped)
{
    e->enabled = Token(clip.enabled ? "on" : "off");
    int count = 0;
    const unsigned char *at = clip.firstParameter;
    for (uint32_t i = 0; i < clip.parameterCount; i++) {
        ClipParameter p;
        NextClipParameter(clip, &at, &p);
        ElementParameter *target = ParameterNamed(e, p.name);
        if (target && Fits(*target, p)) {
            GiveValue(target, p);
            continue;
        }
        if (count++)
            *skipped += ", ";
        *skipped += ClipTextString(p.name);
    }
    return count;
}

void ShowSkipped(HWND dialog, const std::string &type, int count, const std::string &names)
{
    char text[kNoticeSize];
    std::snprintf(text, sizeof text, "Pasted %s without %d parameter%s it cannot take: %s",
                  type.c_str(), count, count == 1 ? "" : "s", names.c_str());
    ShowPreviewNotice(dialog, text);
}

/* The new element, given the record's values, written and selected; null
 * when the host made none.  count and skipped say what it could not take. */
FlareElement *InsertSelectedCopy(HWND dialog, const ClipElement &clip, const std::string &type,
                                 int *count, std::string *skipped)
{
    PluginInstance *instance = currentInstance;
    ElementListDrawnOnce drawn(dialog);
    FlareElement *added = InsertElementNextToSelection(dialog, INSERT_AFTER, type.c_str());
    *count = added ? GiveRecordValues(added, clip, skipped) : 0;
    if (added)
        WriteLensFlare(&instance->model, instance->handleType, instance->handleName);
    SelectElementByGuid(dialog, added ? added->guid : nullptr);
    return added;
}

void InsertRecord(HWND dialog, const ClipElement &clip)
{
    std::string type = ClipTextString(clip.typeName);
    char text[kNoticeSize];
    if (!HostHasType(type)) {
        std::snprintf(text, sizeof text, "Nothing pasted: this host has no element type \"%s\".",
                      type.c_str());
        ShowPreviewNotice(dialog, text);
        return;
    }
    std::string skipped;
    int count = 0;
    FlareElement *added = InsertSelectedCopy(dialog, clip, type, &count, &skipped);
    RefreshPreview(-1, -1);
    if (!added) {
        std::snprintf(text, sizeof text, "Nothing pasted: the host made no \"%s\" element.",
                      type.c_str());
        ShowPreviewNotice(dialog, text);
    } else if (count) {
        ShowSkipped(dialog, type, count, skipped);
    }
}

/* One undo step named after the verb and the element. */
void PasteRecord(HWND dialog, const std::vector<unsigned char> &record, const char *verb)
{
    ClipElement clip;
    if (!ReadElementRecord(record.data(), record.size(), &clip)) {
        ShowPreviewNotice(dialog, kDamaged);
        return;
    }
    std::string label = ClipTextString(clip.description.length ? clip.description : clip.typeName);
    char name[UNDO_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s %s", verb, label.c_str());
    UndoStep step(name);
    InsertRecord(dialog, clip);
}

} // namespace

void CopySelectedElement(HWND dialog)
{
    FlareElement *e = ElementToCopy(dialog);
    if (!e)
        return;
    std::vector<unsigned char> record;
    ClipElement clip;
    std::string text;
    try {
        if (!BuildElementRecord(*e, &record) ||
            !ReadElementRecord(record.data(), record.size(), &clip))
            throw std::bad_alloc();
        text = ElementRecordText(clip);
    } catch (const std::bad_alloc &) {
        ShowPreviewNotice(dialog, kNotCopied);
        return;
    }
    if (!OpenClipboard(dialog)) {
        ShowPreviewNotice(dialog, kClipboardBusy);
        return;
    }
    EmptyClipboard();
    bool put = PutOnClipboard(ElementFormat(), record.data(), record.size()) &&
               PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
    CloseClipboard();
    if (!put)
        ShowPreviewNotice(dialog, kNotCopied);
}

void PasteElement(HWND dialog)
{
    std::vector<unsigned char> record;
    const char *refusal = nullptr;
    if (!TakeClipboardRecord(dialog, &record, &refusal)) {
        ShowPreviewNotice(dialog, refusal);
        return;
    }
    PasteRecord(dialog, record, "Paste");
}

void DuplicateSelectedElement(HWND dialog)
{
    FlareElement *e = ElementToCopy(dialog);
    std::vector<unsigned char> record;
    if (!e)
        return;
    if (!BuildElementRecord(*e, &record)) {
        ShowPreviewNotice(dialog, "Nothing duplicated: out of memory.");
        return;
    }
    PasteRecord(dialog, record, "Duplicate");
}

bool HandleElementClipboardKey(const MSG *msg)
{
    PluginInstance *instance = currentInstance;
    if (!msg || msg->message != WM_KEYDOWN || !instance || !instance->dialog || !instance->model)
        return false;
    HWND dialog = instance->dialog;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))
        return false;
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0)
        return false;
    WPARAM key = msg->wParam;
    if (key != 'C' && key != 'V' && key != 'D')
        return false;
    if (key != 'D' && IsEditBox(msg->hwnd))
        return false;
    if (dialogBusy || renderBusy || GetCapture())
        return true;
    if (key == 'C')
        CopySelectedElement(dialog);
    else if (key == 'V')
        PasteElement(dialog);
    else
        DuplicateSelectedElement(dialog);
    return true;
}
