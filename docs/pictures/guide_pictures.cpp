// The user guide's pictures: the real editor, its sections and dialogs and
// the demo host's help window, driven as a user drives them and captured
// with their frames; and the editor's preview of each element type.  Run through tools/make-guide-pictures, which names
// the folder they go to.
//
//     guide_pictures FOLDER [editor-only]
//
// editor-only: just the editor with its Global Parameters.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "editor/element_clipboard.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host_session.h"
#include "model/lens_flare_model.h"
#include "panel/panel.h"
#include "preview/light_sweep.h"
#include "preview/preview.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

std::string folder;
/* The effect browser shows a file's path: a host's own folder reads
 * better there than a temporary one, and stays the same from run to run. */
const char kHostFolder[] = "C:\\Lens Flares";
int written = 0;
int failed = 0;

void Save(HWND window, const char *name, bool clientOnly = false)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Capture picture;
    std::string path = folder + "\\" + name;
    if (CaptureWindow(window, clientOnly, &picture) && WritePng(picture, path.c_str())) {
        std::printf("guide_pictures: %s\n", name);
        written++;
    } else {
        std::fprintf(stderr, "guide_pictures: could not write %s\n", path.c_str());
        failed++;
    }
}

void Close(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    SetFocus(button);
    PostMessageA(dialog, WM_COMMAND, id, (LPARAM)button);
}

void ShowSection(HWND dialog, int section) { SendMessageA(dialog, WM_TABSTRIP_CLICKED, section, 0); }

/* The selected element's first gradient control, or null. */
HWND FirstGradient(const HostSession &host)
{
    FlareElement *element = host.instance->currentElement;
    for (ElementParameter *p = element ? element->firstParameter : nullptr; p; p = p->next)
        if (p->gradientControl)
            return p->gradientControl->control;
    return nullptr;
}

/* Frames of a sweep behind the occluder side by side, the light placed at
 * the centre so that the path crosses the disc; then a flickering flare's
 * warning as the preview shows it after its sweep. */
void SweepPictures(HWND editor)
{
    const KaGBuffer *buffer = PreviewGBuffer();
    RefreshPreview((int16_t)(buffer->width / 2), (int16_t)(buffer->height / 2));
    if (!SweepBehindOccluder())
        ToggleSweepOccluder(editor);
    StartLightSweep();
    const double progress[] = {0.15, 0.35, 0.5, 0.65, 0.85};
    const int gap = 4;
    Capture strip;
    for (int i = 0; i < 5; i++) {
        ShowSweepAt(progress[i]);
        Capture frame;
        if (!CaptureWindow(previewControl, true, &frame))
            break;
        if (strip.rgb.empty()) {
            strip.height = frame.height;
            strip.width = 5 * frame.width + 4 * gap;
            strip.rgb.assign((size_t)strip.width * strip.height * 3, 255);
        }
        int left = i * (frame.width + gap);
        for (int y = 0; y < frame.height && y < strip.height; y++)
            std::copy_n(&frame.rgb[(size_t)y * frame.width * 3], (size_t)frame.width * 3,
                        &strip.rgb[((size_t)y * strip.width + left) * 3]);
    }
    StopLightSweep();
    ToggleSweepOccluder(editor);
    std::string path = folder + "\\light-sweep.png";
    if (!strip.rgb.empty() && WritePng(strip, path.c_str())) {
        std::printf("guide_pictures: light-sweep.png\n");
        written++;
    } else {
        std::fprintf(stderr, "guide_pictures: could not write %s\n", path.c_str());
        failed++;
    }

    /* A glow over the whole preview, flickering from frame to frame. */
    SetWindowTextA(scaleSlider->edit, "8");
    SetWindowTextA(intensitySlider->edit, "3");
    sweepDurationMs = 1500;
    Kh_Set_Render_Flicker(2);
    StartLightSweep();
    DWORD start = GetTickCount();
    while (LightSweepRunning() && GetTickCount() - start < 20000) {
        ui::Pump();
        Sleep(2);
    }
    Kh_Set_Render_Flicker(0);
    sweepDurationMs = 3000;
    RefreshPreview(-1, -1);
    /* Painted before it is read: the window still shows the sweep's last
     * frame, which a flickering flare may have left black. */
    RedrawWindow(editor, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    /* The preview's group, so the strip under the preview shows too. */
    RECT group;
    GetWindowRect(GetDlgItem(editor, IDC_PREVIEW_GROUP), &group);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT *>(&group), 2);
    Capture shown, warning;
    CaptureWindow(editor, true, &shown);
    warning.width = std::min((int)group.right, shown.width) - group.left;
    warning.height = std::min((int)group.bottom, shown.height) - group.top;
    for (int y = 0; y < warning.height; y++)
        warning.rgb.insert(warning.rgb.end(),
                           &shown.rgb[((size_t)(group.top + y) * shown.width + group.left) * 3],
                           &shown.rgb[((size_t)(group.top + y) * shown.width + group.left +
                                       warning.width) * 3]);
    path = folder + "\\sweep-warning.png";
    if (warning.width > 0 && warning.height > 0 && WritePng(warning, path.c_str())) {
        std::printf("guide_pictures: sweep-warning.png\n");
        written++;
    } else {
        std::fprintf(stderr, "guide_pictures: could not write %s\n", path.c_str());
        failed++;
    }
}

/* Selects the element list's line as a click on it does. */
void SelectElementLine(HWND editor, int line)
{
    ShowSection(editor, SECTION_ELEMENT);
    HWND list = GetDlgItem(editor, IDC_ELEMENT_LIST);
    SendMessageA(list, LB_SETCURSEL, line, 0);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ELEMENT_LIST, LBN_SELCHANGE), (LPARAM)list);
}

/* The first element duplicated with Ctrl+D, then a paste of plain text
 * refused in the preview's notice; undone after. */
void ElementClipboardPicture(HWND editor)
{
    SelectElementLine(editor, 0);
    HWND list = GetDlgItem(editor, IDC_ELEMENT_LIST);
    DuplicateSelectedElement(editor);
    if (OpenClipboard(editor)) {
        EmptyClipboard();
        HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
        if (text) {
            std::memcpy(GlobalLock(text), "Hello", 6);
            GlobalUnlock(text);
            if (!SetClipboardData(CF_TEXT, text))
                GlobalFree(text);
        }
        CloseClipboard();
    }
    PasteElement(editor);
    SendMessageA(list, LB_SETTOPINDEX, 0, 0);   /* the original above its copy */
    Save(editor, "element-paste.png");
    ClearPreviewNotice();
    SendMessageA(editor, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
}

/* The streaks alone with Solo Element on; then snapshot A held, the flare
 * scaled up and the two side by side in the split view, the light above
 * the preview's centre so that every element lies across the divider.
 * The scale goes back after, for the pictures that follow. */
void SoloAndSplitPictures(HWND editor)
{
    ClearPreviewNotice();   /* the undo's, from the picture before */
    HWND list = GetDlgItem(editor, IDC_ELEMENT_LIST);
    SelectElementLine(editor, (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1,
                                                (LPARAM)"Streaks"));
    SendMessageA(editor, WM_SYSCOMMAND, IDM_SOLO_ELEMENT, 0);
    Save(previewControl, "solo-element.png", true);
    SendMessageA(editor, WM_SYSCOMMAND, IDM_SOLO_ELEMENT, 0);

    const KaGBuffer *buffer = PreviewGBuffer();
    RefreshPreview((int16_t)(buffer->width / 2), (int16_t)(buffer->height / 4));
    SendMessageA(editor, WM_SYSCOMMAND, IDM_HOLD_SNAPSHOT, 0);
    SetWindowTextA(scaleSlider->edit, "1.6");
    SendMessageA(editor, WM_SYSCOMMAND, IDM_SPLIT_VIEW, 0);
    Save(previewControl, "split-view.png", true);
    SendMessageA(editor, WM_SYSCOMMAND, IDM_SPLIT_VIEW, 0);
    SetWindowTextA(scaleSlider->edit, "1");
}

/* The demo effects as tiles, every picture drawn, the cinematic look
 * selected so that the large picture beside the grid shows it. */
void EffectBrowserPicture(HWND browser)
{
    HWND grid = GetDlgItem(browser, IDC_BROWSER_GRID);
    SendMessageA(grid, GM_SETSELECTION, 2, 0);
    SendMessageA(browser, WM_COMMAND, MAKEWPARAM(IDC_BROWSER_GRID, GRIDN_SELCHANGE), (LPARAM)grid);
    auto drawing = [browser] {
        return ui::ItemText(browser, IDC_BROWSER_STATUS).find("to draw") != std::string::npos;
    };
    /* The first slice draws the large picture, also when every tile was
     * drawn before the selection. */
    int slice = 0;
    do
        SendMessageA(browser, WM_TIMER, IDT_BROWSER_SLICE, 0);
    while (drawing() && ++slice < 1000);
    Save(browser, "effect-browser.png");
    Close(browser, IDCANCEL);
}

void EditorPictures(HostSession &host, ui::Driver &driver, bool editorOnly)
{
    driver.Then([&, editorOnly](HWND editor) {
        if (editorOnly) {
            ShowSection(editor, SECTION_GLOBAL);
            Save(editor, "global-parameters.png");
            Close(editor, IDOK);
            return;
        }
        Save(editor, "editor.png");
        ShowSection(editor, SECTION_GLOBAL);
        Save(editor, "global-parameters.png");
        ShowSection(editor, SECTION_GLOBAL_FADING);
        Save(editor, "global-fading-parameters.png");
        ShowSection(editor, SECTION_ELEMENT);
        ui::PostClick(editor, IDC_ADD_ELEMENT);
    });
    if (editorOnly)
        return;
    driver.When("Select Element", [](HWND add) {
        SendDlgItemMessageA(add, IDC_ELEMENT_TYPES, LB_SETCURSEL, 0, 0);
        Save(add, "add-element.png");
        Close(add, IDCANCEL);
    });
    driver.When("Lens Flare Editor", [](HWND editor) {
        ShowSection(editor, SECTION_GLOBAL);
        ui::PostClick(editor, IDC_BASE_COLOR);
    });
    driver.When("Interactive Color Selector", [](HWND selector) {
        Save(selector, "color-selector.png");
        ui::PostClick(selector, IDC_COLOR_NAMES);
    });
    driver.When("Named Color Selector", [](HWND named) {
        Save(named, "named-colors.png");
        Close(named, IDCANCEL);
    });
    driver.When("Interactive Color Selector", [](HWND selector) { Close(selector, IDCANCEL); });
    driver.When("Lens Flare Editor", [&host](HWND editor) {
        ShowSection(editor, SECTION_ELEMENT);
        if (HWND gradient = FirstGradient(host)) {
            PostMessageA(gradient, WM_COMMAND, IDM_GRADIENT_LARGE_DIALOG, 0);
        } else {
            std::fprintf(stderr, "guide_pictures: the first element has no gradient\n");
            failed++;
        }
    });
    driver.When("Gradient Edit", [](HWND large) {
        Save(large, "large-gradient.png");
        Close(large, IDCANCEL);
    });
    driver.When("Lens Flare Editor", ElementClipboardPicture);
    driver.When("Lens Flare Editor", [](HWND editor) {
        SoloAndSplitPictures(editor);
        PostMessageA(editor, WM_SYSCOMMAND, IDM_BROWSE_EFFECTS, 0);
    });
    driver.When("Effect Browser", EffectBrowserPicture);
    driver.When("Lens Flare Editor", [&host](HWND editor) {
        SweepPictures(editor);
        host.services.showHelpWindow = true;
        host.services.openUrl = nullptr;   /* the host's own window, not a browser */
        ui::Click(editor, IDC_HELP_BUTTON);
        if (HWND help = host.services.helpWindow) {
            Save(help, "help-window.png");
            DestroyWindow(help);
        } else {
            std::fprintf(stderr, "guide_pictures: no help window\n");
            failed++;
        }
        Close(editor, IDOK);
    });
}

struct ElementType {
    std::string name, description;
};

/* The element types as the host offers them to "Select Element". */
std::vector<ElementType> OfferedTypes()
{
    std::vector<ElementType> types;
    int32_t count = 0;
    Ki_LensFlare_Enumerate_ElementInfo(T("numelements"), &count, 0);
    for (int32_t i = 0; i < count; i++) {
        const char *name = nullptr, *description = nullptr;
        Ki_LensFlare_Enumerate_ElementInfo(T("element"), &i, T("description"), &description,
                                           T("name"), &name, 1, 0);
        if (name)
            types.push_back({name, description ? description : name});
    }
    return types;
}

/* "Disc Reflex" gives element-disc-reflex.png. */
std::string ElementPictureName(const std::string &description)
{
    std::string file = "element-";
    for (char c : description)
        file += c == ' ' ? '-' : (char)std::tolower((unsigned char)c);
    return file + ".png";
}

/* Each type alone in the light's flare, at its defaults, as the editor's
 * preview shows it when it opens: the host's rendering with the light
 * where the editor puts it. */
void ElementTypePictures()
{
    for (const ElementType &type : OfferedTypes()) {
        HostSession host;
        const char *light = host.light.c_str();
        int32_t count = 0;
        Ki_Inquire_LensFlare(T("light"), light, T("numelements"), &count, 1, 0);
        for (int32_t e = count - 1; e >= 0; e--) {
            const char *guid = nullptr;
            Ki_Inquire_LensFlare(T("light"), light, T("element"), &e, T("guid"), &guid, 1, 0);
            std::string kept = guid ? guid : "";
            Ki_LensFlare(T("light"), light, T("delete"), kept.c_str(), 0);
        }
        const char *guid = nullptr;
        Ki_LensFlare(T("light"), light, T("insert"), T("end"), type.name.c_str(), &guid, 0);
        std::string file = ElementPictureName(type.description);
        host.Edit([&file](HWND) { Save(previewControl, file.c_str(), true); });
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: guide_pictures FOLDER [editor-only]\n");
        return 2;
    }
    folder = argv[1];
    bool editorOnly = argc > 2 && std::string(argv[2]) == "editor-only";
    moduleHandle = GetModuleHandleA(nullptr);
    Kh_Set_Error_Echo(0);
    {
        HostSession host("Light01", true, kHostFolder);
        Kh_Write_Demo_Effects(host.Path("lensfx").c_str());
        ui::Driver driver;
        EditorPictures(host, driver, editorOnly);
        host.OpenEditor();
        if (driver.PendingSteps() != 0) {
            std::fprintf(stderr, "guide_pictures: %d steps never ran\n", driver.PendingSteps());
            failed++;
        }
    }
    if (!editorOnly)
        ElementTypePictures();
    std::printf("guide_pictures: %d pictures written, %d failed\n", written, failed);
    return failed == 0 && written > 0 ? 0 : 1;
}
