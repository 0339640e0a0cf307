// Helpers of the element list, add dialog and panel tests: element types
// made for the tests, the host's own view of the flare (the oracle), and
// acting on the editor's list and sections as a user does.
#ifndef ELEMENT_FIXTURE_H
#define ELEMENT_FIXTURE_H

#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "host_session.h"
#include "model/lens_flare_model.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"

namespace fx {

using ::T;

/* Types the demo catalogue lacks.  Defining one again with the same text
 * is harmless, so each test defines what it uses. */
const char kBareType[] = "type t_bare\ndescription Bare Element\nend\n";

const char kRowsType[] =
    "type t_rows\ndescription Row Test\n"
    "param floatslider first\ndescription First Slider\nuimax 10\nabsmax 10\ndefault 2\n"
    "param point where\n"
    "param arbitrarydata blob\ndata \"abc\"\n"
    "param checkbox flag\ndescription Flag\n"
    "param color tint\ndescription Tint\ndefault 0.2 0.4 0.6\n"
    "param list mode\ndescription Mode\nlist Low:0,High:1\nabsmax 5\ndefault 1\n"
    "param point tail\n"
    "end\n";

inline void Define(const char *definition)
{
    ASSERT_EQ(Kh_Define_Element_Type(definition), 0) << definition;
}

struct HostElement {
    std::string guid, name;
    KaToken enabled;
};

/* The session's light's elements, in the host's order. */
inline std::vector<HostElement> HostElements(const HostSession &host)
{
    const char *light = host.light.c_str();
    std::vector<HostElement> out;
    int32_t count = 0;
    Ki_Inquire_LensFlare(T("light"), light, T("numelements"), &count, 1, 0);
    for (int32_t e = 0; e < count; e++) {
        const char *guid = nullptr, *name = nullptr;
        KaToken enabled = 0;
        Ki_Inquire_LensFlare(T("light"), light, T("element"), &e, T("name"), &name, T("guid"),
                             &guid, T("enabled"), &enabled, 1, 0);
        out.push_back({guid ? guid : "", name ? name : "", enabled});
    }
    return out;
}

inline std::vector<std::string> ElementNames(const HostSession &host)
{
    std::vector<std::string> names;
    for (const HostElement &e : HostElements(host))
        names.push_back(e.name);
    return names;
}

/* The host's current value of parameter p of element e. */
inline std::vector<float> HostValue(const HostSession &host, int32_t e, int32_t p)
{
    float v[4] = {-1, -1, -1, -1};
    Ki_Inquire_LensFlare(T("light"), host.light.c_str(), T("element"), &e, 1, T("parameter"), &p,
                         T("value"), v, 1, 0);
    return {v[0], v[1], v[2]};
}

struct HostGradient {
    int32_t count = 0;
    std::vector<float> colors, offsets;
};

/* The gradient of the first element's parameter p as the host holds it. */
inline HostGradient HostRamp(const HostSession &host, int32_t p)
{
    int32_t e = 0, count = 0;
    float *colors = nullptr, *offsets = nullptr;
    Ki_Inquire_LensFlare(T("light"), host.light.c_str(), T("element"), &e, 1, T("parameter"), &p,
                         T("gradientdata"), &count, &colors, &offsets, 1, 0);
    HostGradient out;
    out.count = count;
    if (count > 0 && colors && offsets) {
        out.colors.assign(colors, colors + 3 * count);
        out.offsets.assign(offsets, offsets + count);
    }
    return out;
}

/* The light's flare saved by the host itself; gives the host's status. */
inline int32_t SaveFlare(const HostSession &host, const std::string &path)
{
    int32_t status = -1;
    Ki_LensFlare(T("light"), host.light.c_str(), T("savetofile"), path.c_str(), &status, 0);
    return status;
}

/* The flare exactly as the host writes it to a file. */
inline std::string SavedFlare(const HostSession &host)
{
    std::string path = host.Path("saved.lnz");
    EXPECT_EQ(SaveFlare(host, path), 0);
    return ReadBytes(path);
}

/* Replaces the light's elements by one element of each type, in order. */
inline void SetFlareTypes(HostSession &host, const std::vector<const char *> &types)
{
    for (const HostElement &e : HostElements(host))
        Ki_LensFlare(T("light"), host.light.c_str(), T("delete"), e.guid.c_str(), 0);
    for (const char *type : types) {
        const char *guid = nullptr;
        Ki_LensFlare(T("light"), host.light.c_str(), T("insert"), T("end"), type, &guid, 0);
    }
    host.ClearLog();
}

inline int ListCount(HWND dialog)
{
    return (int)SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETCOUNT, 0, 0);
}

inline int ListSelection(HWND dialog)
{
    return (int)SendDlgItemMessageA(dialog, IDC_ELEMENT_LIST, LB_GETCURSEL, 0, 0);
}

/* What a click on a line does: the selection moves, then the list notifies. */
inline void SelectLine(HWND dialog, int line)
{
    HWND list = GetDlgItem(dialog, IDC_ELEMENT_LIST);
    SendMessageA(list, LB_SETCURSEL, line, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE), (LPARAM)list);
}

inline void ShowSection(HWND dialog, int section)
{
    SendMessageA(dialog, WM_TABSTRIP_CLICKED, section, 0);
}

/* The captions of the Library Load and Save file dialogs. */
const char kLoadTitle[] = "Select Lens Flare Effect File";
const char kSaveTitle[] = "Save a Lens Effect File";

/* Host calls of one whole write-back: globals, each element, each parameter. */
inline size_t WriteCalls(const LensFlareModel *m)
{
    size_t calls = 1;
    for (const FlareElement *e = m->firstElement; e; e = e->next)
        calls += 1 + (size_t)e->numParameters;
    return calls;
}

inline size_t CountContaining(const std::vector<std::string> &lines, const std::string &part)
{
    size_t n = 0;
    for (const std::string &line : lines)
        n += line.find(part) != std::string::npos;
    return n;
}

/* Index of the first line holding part, or -1. */
inline int FirstLineWith(const std::vector<std::string> &lines, const std::string &part)
{
    for (size_t i = 0; i < lines.size(); i++)
        if (lines[i].find(part) != std::string::npos)
            return (int)i;
    return -1;
}

struct MenuItem {
    std::string text;
    bool grey, checked;
};

/* The entry of that command in the editor's system menu. */
inline MenuItem SystemMenuItem(HWND dialog, UINT command)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    char text[128] = "";
    GetMenuStringA(menu, command, text, sizeof text, MF_BYCOMMAND);
    UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return {text, (state & MF_GRAYED) != 0, (state & MF_CHECKED) != 0};
}

inline RECT RectInDialog(HWND dialog, HWND window)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, dialog, (POINT *)&r, 2);
    return r;
}

} // namespace fx

#endif
