/*
 * gradient_files.cpp - loading and saving a gradient control's pivots
 * through the host's ".grd" and ".cmp" files, and the open requestor that
 * previews the gradient of the file under selection.  The file formats are
 * the host's; this side converts between the host's float arrays and the
 * pivots and remembers the last file in the host's ini file.
 */
#include <cstdio>

#include "color/color.h"
#include "entry/plugin.h"
#include "gradient/colour_slider.h"
#include "host/host_helpers.h"
#include "host/host_services.h"
#include "host/kalvos_io.h"
#include "library/library.h"
#include "resources/resource_ids.h"

namespace {

const char kIniSection[] = "LensFlare";
const char kLastFileKey[] = "LastGradientDirectory";
const char kFolder[] = "colormap";

/* Room for the extension Ki_Check_File_Extension may add to a full name. */
#define NAME_WITH_EXTENSION (FILE_NAME_SIZE + 8)

/* A gradient in the host's form; the blocks are the host's. */
struct HostGradient {
    int32_t count;
    float *offsets;   /* count entries, 0..1 */
    float *colors;    /* count red, green, blue triples, 0..1 */
    void *extra;      /* the host's optional block; only freed here */
    KaToken interpolation;
};

/* The picture of the open requestor's preview item, owned by its hook from
 * WM_INITDIALOG to WM_DESTROY; kept so that repaints can draw it again. */
HostGradient requestorGradient;

void FreeHostGradient(HostGradient *gradient)
{
    if (gradient->offsets)
        Ki_Free_Memory(gradient->offsets);
    if (gradient->colors)
        Ki_Free_Memory(gradient->colors);
    if (gradient->extra)
        Ki_Free_Memory(gradient->extra);
    gradient->count = 0;
    gradient->offsets = nullptr;
    gradient->colors = nullptr;
    gradient->extra = nullptr;
}

int LoadHostGradient(const char *name, HostGradient *gradient)
{
    gradient->count = 0;
    gradient->offsets = nullptr;
    gradient->colors = nullptr;
    gradient->extra = nullptr;
    gradient->interpolation = Token("linear");
    return Ki_Load_Gradient_Colormap(name, &gradient->count, &gradient->offsets,
                                     &gradient->colors, &gradient->extra,
                                     &gradient->interpolation);
}

/* The host's ini file, or null when there is none to keep settings in. */
const char *GradientIniFile()
{
    PluginInstance *instance = currentInstance;
    if (!instance || !instance->hostServices)
        return nullptr;
    const char *ini = instance->hostServices->GetIniFileName();
    return ini && ini[0] ? ini : nullptr;
}

void ReadLastGradientFile(char *name)
{
    name[0] = '\0';
    const char *ini = GradientIniFile();
    if (ini)
        GetPrivateProfileStringA(kIniSection, kLastFileKey, "", name, FILE_NAME_SIZE, ini);
}

void RememberGradientFile(const char *name)
{
    const char *ini = GradientIniFile();
    if (ini)
        WritePrivateProfileStringA(kIniSection, kLastFileKey, name, ini);
}

uint8_t BlendByte(float c0, float c1, float t)
{
    return WrappedByte(c1 * t + c0 * (1.0f - t));
}

/* A file of more than 100 entries keeps its first 100, and the last kept
 * entry ends the band so that the gradient still spans it. */
void HostGradientToPivots(const HostGradient &gradient, GradientPivots *pivots)
{
    int32_t count = gradient.count;
    if (count > GRADIENT_MAX_PIVOTS)
        count = GRADIENT_MAX_PIVOTS;
    for (int32_t i = 0; i < count; i++) {
        const float *rgb = gradient.colors + 3 * i;
        pivots->colours[i] = WrappedColor(rgb);
        int32_t position = PositionOfOffset(gradient.offsets[i]);
        pivots->positions[i] = position < 0 ? 0 : position;
    }
    if (gradient.count > GRADIENT_MAX_PIVOTS)
        pivots->positions[count - 1] = GRADIENT_LAST_POSITION;
    pivots->count = count;
    pivots->interpolation = gradient.interpolation;
}

void ShowGradientError(HWND owner, const char *text)
{
    MessageBoxA(owner, text, "Error", MB_OK);
}

void PaintGradientPreview(HDC dc, int32_t width, int32_t height, int32_t count,
                          const float *offsets, const float *colors)
{
    if (count < 1 || !offsets || !colors)
        return;
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    if (count == 1) {
        SetDCBrushColor(dc, WrappedColor(colors));
        PatBlt(dc, 0, 0, width, height, PATCOPY);
    }
    for (int32_t k = 1; k < count; k++) {
        int16_t x0 = (int16_t)TruncSaturated((float)width * offsets[k - 1]);
        int16_t x1 = (int16_t)TruncSaturated((float)width * offsets[k]);
        const float *c0 = colors + 3 * (k - 1);
        const float *c1 = colors + 3 * k;
        for (int32_t x = x0; x < x1; x++) {
            float t = (float)(x - x0) / (float)(x1 - x0 + 1);
            SetDCBrushColor(dc, RGB(BlendByte(c0[0], c1[0], t), BlendByte(c0[1], c1[1], t),
                                    BlendByte(c0[2], c1[2], t)));
            PatBlt(dc, x, 0, 1, height, PATCOPY);
        }
    }
    SelectObject(dc, previousBrush);
}

/* Full path of the requestor's selection, or the empty string. */
void SelectedFile(HWND hook, char *path)
{
    HWND requestor = GetParent(hook);
    LPARAM buffer = reinterpret_cast<LPARAM>(path);
    if (SendMessageA(requestor, CDM_GETSPEC, FILE_NAME_SIZE, buffer) <= 0 || !path[0] ||
        SendMessageA(requestor, CDM_GETFILEPATH, FILE_NAME_SIZE, buffer) <= 0)
        path[0] = '\0';
}

/* A file that does not load keeps the previous picture, also for later
 * repaints. */
void PreviewSelectedFile(HWND hook)
{
    char path[FILE_NAME_SIZE];
    SelectedFile(hook, path);
    if (!path[0])
        return;
    HostGradient loaded;
    if (LoadHostGradient(path, &loaded) != 0) {
        FreeHostGradient(&loaded);
        return;
    }
    FreeHostGradient(&requestorGradient);
    requestorGradient = loaded;
    DrawGradientPreview(hook, IDC_GRADIENT_FILE_PREVIEW, loaded.count, loaded.offsets,
                        loaded.colors);
}

void OnRequestorInit(HWND hook)
{
    Import_IO_Center_Window(GetParent(hook), hook);
    FreeHostGradient(&requestorGradient);
    requestorGradient.interpolation = Token("linear");
}

/* The owner-drawn preview item repaints the last picture on a clean face. */
INT_PTR DrawPreviewItem(const DRAWITEMSTRUCT *item)
{
    if (item->CtlID != IDC_GRADIENT_FILE_PREVIEW)
        return 0;
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    PaintGradientPreview(item->hDC, item->rcItem.right - item->rcItem.left,
                         item->rcItem.bottom - item->rcItem.top, requestorGradient.count,
                         requestorGradient.offsets, requestorGradient.colors);
    return 1;
}

} // namespace

int LoadGradientFromFile(CColourSlider *slider)
{
    char name[FILE_NAME_SIZE];
    ReadLastGradientFile(name);
    if (!RequestGradientFile(slider->control, kFolder, "Load Color Gradient File", name, name,
                             slider->instance))
        return 0;
    RememberGradientFile(name);

    HostGradient gradient;
    int status = LoadHostGradient(name, &gradient);
    if (status == -3)
        ShowGradientError(slider->control, "Out of memory while parsing the gradient file.");
    else if (status == -2)
        ShowGradientError(slider->control, "Parsing error encountered in the gradient file.");
    else if (status == -1)
        ShowGradientError(slider->control, "Could not find or open the gradient file.");
    else if (gradient.count < 1 || !gradient.offsets || !gradient.colors)
        /* A control needs at least one pivot; an empty answer is no gradient. */
        ShowGradientError(slider->control, "Parsing error encountered in the gradient file.");
    else
        HostGradientToPivots(gradient, &slider->pivots);
    FreeHostGradient(&gradient);
    return 1;
}

int SaveGradientToFile(CColourSlider *slider)
{
    char name[NAME_WITH_EXTENSION];
    ReadLastGradientFile(name);
    /* An empty name stays empty rather than starting the field at ".grd". */
    if (name[0])
        Ki_Check_File_Extension(name, name, ".grd");
    char filter[] = "Color Gradient Files (*.GRD)|*.grd|";
    if (!RunFileRequestor(slider->control, 0, kFolder, filter, "Save Color Gradient File", name, 0,
                          nullptr, nullptr, slider->instance))
        return 0;
    RememberGradientFile(name);

    const GradientPivots &pivots = slider->pivots;
    int32_t count = pivots.count;
    if (count > GRADIENT_MAX_PIVOTS)
        count = GRADIENT_MAX_PIVOTS;
    float offsets[GRADIENT_MAX_PIVOTS];
    float colors[3 * GRADIENT_MAX_PIVOTS];
    for (int32_t i = 0; i < count; i++) {
        float offset = (float)(pivots.positions[i] / 99.0);
        offsets[i] = offset > 1.0f ? 1.0f : offset;
        UnpackColor(pivots.colours[i], colors + 3 * i);
    }
    int status = Ki_Save_Gradient_Colormap(name, count, offsets, colors, nullptr,
                                           pivots.interpolation);
    if (status == -2)
        ShowGradientError(slider->control, "Too few entry in the gradient (need 1 or more).");
    else if (status == -1)
        ShowGradientError(slider->control, "Could not open the gradient file for writing.");
    return 1;
}

int RequestGradientFile(HWND owner, const char *folder, const char *title,
                        const char *initialName, char *outName, HINSTANCE instance)
{
    static const PreviewRequestor gradients = {
        kFolder,
        "Color Gradient and Map Files (*.grd, *.cmp)|*.grd;*.cmp|"
        "Color Gradient Files (*.grd)|*.grd|Color Map Files (*.cmp)|*.cmp|",
        {".grd", ".cmp"},
        "The filename does not have the file extensions of .grd or .cmp.",
        GradientRequestorHook,
        "GradientFileRequestor",
    };
    return RunPreviewRequestor(owner, gradients, folder, title, initialName, outName, instance);
}

UINT_PTR CALLBACK GradientRequestorHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnRequestorInit(dialog);
        return 1;
    case WM_NOTIFY: {
        UINT code = reinterpret_cast<const NMHDR *>(lParam)->code;
        if (code == CDN_SELCHANGE || code == CDN_FOLDERCHANGE || code == CDN_TYPECHANGE)
            PreviewSelectedFile(dialog);
        return 0;
    }
    case WM_DRAWITEM:
        return (UINT_PTR)DrawPreviewItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_DESTROY:
        FreeHostGradient(&requestorGradient);
        return 0;
    }
    return 0;
}

void DrawGradientPreview(HWND dialog, int itemId, int32_t count, const float *offsets,
                         const float *colors)
{
    HWND item = GetDlgItem(dialog, itemId);
    if (!item)
        return;
    RECT client;
    GetClientRect(item, &client);
    HDC dc = GetDC(item);
    if (!dc)
        return;
    PaintGradientPreview(dc, client.right - client.left, client.bottom - client.top, count,
                         offsets, colors);
    ReleaseDC(item, dc);
}
