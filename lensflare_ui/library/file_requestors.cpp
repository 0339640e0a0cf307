/*
 * file_requestors.cpp - the common file dialogs with the host's folder
 * rules, and the lens effect open requestor whose template previews the
 * selected file through a temporary host light.  A selection that cannot
 * be previewed shows an empty preview with the reason, which the preview
 * item keeps as its window text.
 */
#include <cctype>
#include <cstdio>
#include <cstring>

#include "host/host_helpers.h"
#include "host/kalvos_io.h"
#include "library/library.h"
#include "library/temp_light.h"
#include "resources/resource_ids.h"

PreviewImage requestorPreview;
int16_t requestorPreviewOn = 1;

namespace {

/* Registered on the first requestor; 0xFFFFFFFF matches no message. */
UINT selectionChangedMessage = 0xFFFFFFFF;

/* The host's working directory, or null when it has none. */
const char *WorkingDirectory()
{
    char *value = nullptr;
    Ki_Inquire_Environment("KA_WORKING_DIR", &value);
    return value;
}

void CopyText(char *out, size_t size, const char *text)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

/* Initial folder and file name field from the start name; folder is left
 * empty when the dialog should choose. */
void SplitStartName(const char *start, const char *defaultFolder, char *folder, char *fileName)
{
    folder[0] = '\0';
    fileName[0] = '\0';
    if (!start[0]) {
        DefaultRequestorFolder(defaultFolder, folder);
        return;
    }
    size_t length = std::strlen(start);
    size_t k = 0;
    for (size_t i = 0; i + 1 < length; i++)
        if (start[i] == ':' || start[i] == '/' || start[i] == '\\')
            k = i + 1;
    CopyText(fileName, FILE_NAME_SIZE, start + k);
    if (k == 0) {
        if (defaultFolder)
            DefaultRequestorFolder(defaultFolder, folder);
        return;
    }
    char part[FILE_NAME_SIZE];
    std::snprintf(part, sizeof part, "%.*s", (int)k, start);
    size_t partLength = std::strlen(part);
    if (partLength > 1 && part[partLength - 1] == '\\')   /* a lone "\" stays the root */
        part[--partLength] = '\0';
    if (part[1] == ':' || part[0] == '/' || part[0] == '\\') {
        CopyText(folder, FILE_NAME_SIZE, part);
        return;
    }
    const char *work = WorkingDirectory();
    if (!work || !work[0]) {
        CopyText(folder, FILE_NAME_SIZE, part);
        return;
    }
    size_t workLength = std::strlen(work);
    bool endsInSeparator = work[workLength - 1] == '\\' || work[workLength - 1] == '/';
    std::snprintf(folder, FILE_NAME_SIZE, "%s%s%s", work, endsInSeparator ? "" : "\\", part);
}

void RepaintWithoutErase(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void InitRequestorTemplate(HWND hook)
{
    Import_IO_Center_Window(GetParent(hook), hook);
    RECT client;
    GetClientRect(GetDlgItem(hook, IDC_LIBRARY_PREVIEW), &client);
    CreatePreviewImage(&requestorPreview, IDC_LIBRARY_PREVIEW, client.right - client.left + 1,
                       client.bottom - client.top + 1, IsPaletteDisplay() ? 1 : 3);
    CheckDlgButton(hook, IDC_LIBRARY_PREVIEW_SWITCH, requestorPreviewOn ? BST_CHECKED : BST_UNCHECKED);
    selectionChangedMessage = RegisterWindowMessageA("commdlg_LBSelChangedNotify");
    CreateTempLight();
}

void FlipPreviewSwitch(HWND hook)
{
    requestorPreviewOn = requestorPreviewOn ? 0 : 1;
    CheckDlgButton(hook, IDC_LIBRARY_PREVIEW_SWITCH, requestorPreviewOn ? BST_CHECKED : BST_UNCHECKED);
    if (requestorPreviewOn) {
        PreviewLensEffectFile(hook, &requestorPreview, requestorPreviewOn);
        return;
    }
    requestorPreview.rendered = 0;
    SetDlgItemTextA(hook, IDC_LIBRARY_PREVIEW, "");
    RepaintWithoutErase(hook);
}

void CloseRequestorTemplate()
{
    FreePreviewImage(&requestorPreview);
    RemoveTempLight();
}

/* The light sits a quarter in from the top left for flares with
 * reflex-type elements, else in the centre. */
float PlacementDivisor()
{
    int32_t count = 0;
    Ki_Inquire_LensFlare(Token("light"), tempLightName, Token("numelements"), &count, 0);
    for (int32_t i = 0; i < count; i++) {
        const char *name = nullptr;
        Ki_Inquire_LensFlare(Token("light"), tempLightName, Token("element"), &i, Token("name"), &name,
                             1, 0);
        if (!name)
            continue;
        if (!std::strcmp(name, "inter") || !std::strcmp(name, "dscflx") ||
            !std::strcmp(name, "rngflx") || !std::strcmp(name, "prflx"))
            return 4.0f;
    }
    return 2.0f;
}

void ShowPreviewReason(HWND hook, const PreviewImage *image, const char *reason)
{
    SetDlgItemTextA(hook, image->controlId, reason);
    RepaintWithoutErase(GetDlgItem(hook, image->controlId));
}

} // namespace

/* The preview area without a picture: black as an empty render, with the
 * item's text (the reason, if any) centred in it. */
void DrawEmptyPreview(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT area = item->rcItem;
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    char reason[64];
    if (GetWindowTextA(item->hwndItem, reason, sizeof reason) <= 0)
        return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(item->hwndItem, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    COLORREF oldColor = SetTextColor(dc, RGB(192, 192, 192));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT text = area;
    InflateRect(&text, -4, 0);
    DrawTextA(dc, reason, -1, &text, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    int height = text.bottom - text.top;
    text.left = area.left + 4;
    text.right = area.right - 4;
    text.top = area.top + (area.bottom - area.top - height) / 2;
    text.bottom = text.top + height;
    DrawTextA(dc, reason, -1, &text, DT_CENTER | DT_WORDBREAK);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    if (oldFont)
        SelectObject(dc, oldFont);
}

void DefaultRequestorFolder(const char *folder, char *out)
{
    const char *work = WorkingDirectory();
    if (!work || !work[0]) {
        CopyText(out, FILE_NAME_SIZE, folder ? folder : "\\");
        return;
    }
    CopyText(out, FILE_NAME_SIZE, work);
    if (!folder)
        return;
    std::snprintf(out, FILE_NAME_SIZE, "%s\\%s", work, folder);
    int32_t exists = 0;
    Ki_File_Exists(out, &exists);
    if (!exists)
        CopyText(out, FILE_NAME_SIZE, work);
}

int RunFileRequestor(HWND owner, int16_t openMode, const char *folder, char *filter,
                     const char *title, char *name, DWORD extraFlags, LPOFNHOOKPROC hook,
                     const char *templateName, HINSTANCE moduleInstance)
{
    char initialFolder[FILE_NAME_SIZE];
    char file[FILE_NAME_SIZE];
    char fileTitle[FILE_NAME_SIZE] = "";
    SplitStartName(name, folder, initialFolder, file);
    for (char *c = filter; *c; c++)
        if (*c == '|')
            *c = '\0';

    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.hInstance = moduleInstance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = FILE_NAME_SIZE;
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = FILE_NAME_SIZE;
    ofn.lpstrInitialDir = initialFolder[0] ? initialFolder : nullptr;
    ofn.lpstrTitle = title;
    ofn.lpfnHook = hook;
    ofn.lpTemplateName = templateName;
    ofn.Flags = extraFlags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                (openMode ? OFN_FILEMUSTEXIST : 0);
    BOOL chosen = openMode ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!chosen)
        return 0;
    CopyText(name, FILE_NAME_SIZE, file);
    return 1;
}

int RunPreviewRequestor(HWND owner, const PreviewRequestor &kind, const char *folder,
                        const char *title, const char *start, char *result,
                        HINSTANCE moduleInstance)
{
    if (!folder)
        folder = kind.folder;
    char name[FILE_NAME_SIZE] = "";
    if (start) {
        size_t folderLength = std::strlen(folder);
        const char *rest = start;
        if (!std::strncmp(start, folder, folderLength) &&
            (start[folderLength] == '/' || start[folderLength] == '\\'))
            rest = start + folderLength + 1;
        CopyText(name, sizeof name, rest);
    }
    const char *work = WorkingDirectory();
    if (work)
        SetCurrentDirectoryA(work);
    char filter[256];
    CopyText(filter, sizeof filter, kind.filter);
    if (!RunFileRequestor(owner, 1, folder, filter, title, name,
                          OFN_LONGNAMES | OFN_EXPLORER | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK,
                          kind.hook, kind.templateName, moduleInstance))
        return 0;
    for (char *c = name; *c; c++)
        *c = (char)std::tolower((unsigned char)*c);
    bool accepted = false;
    for (const char *extension : kind.extensions)
        accepted |= extension && Ki_Check_For_File_Extension(name, extension);
    if (!accepted) {
        MessageBoxA(owner, kind.wrongExtension, "Filename Error", MB_OK);
        return 0;
    }
    CopyText(result, FILE_NAME_SIZE, name);
    return 1;
}

int RequestLensEffectFile(HWND owner, const char *folder, const char *title, const char *start,
                          char *result, HINSTANCE moduleInstance)
{
    static const PreviewRequestor lensEffects = {
        "lensfx",
        "Varel Lens Effect Files (*.LNZ)|*.lnz|",
        {".lnz", nullptr},
        "The filename does not have the file extensions of .lnz (lens effect file).",
        LensEffectRequestorHook,
        "LensFlareFileRequestor",
    };
    return RunPreviewRequestor(owner, lensEffects, folder, title, start, result, moduleInstance);
}

UINT_PTR CALLBACK LensEffectRequestorHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM && wParam == IDC_LIBRARY_PREVIEW && !requestorPreview.rendered) {
        DrawEmptyPreview(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return 1;
    }
    int16_t handled = 0;
    LRESULT result = PreviewImageMessage(&requestorPreview, hook, message, wParam, lParam, &handled);
    if (handled)
        return (UINT_PTR)result;
    if (message == selectionChangedMessage) {
        PreviewLensEffectFile(hook, &requestorPreview, requestorPreviewOn);
        return 0;
    }
    switch (message) {
    case WM_DESTROY:
        CloseRequestorTemplate();
        return 0;
    case WM_NOTIFY: {
        UINT code = reinterpret_cast<const NMHDR *>(lParam)->code;
        if (code == CDN_SELCHANGE || code == CDN_FOLDERCHANGE || code == CDN_TYPECHANGE)
            PreviewLensEffectFile(hook, &requestorPreview, requestorPreviewOn);
        return 0;
    }
    case WM_INITDIALOG:
        InitRequestorTemplate(hook);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_LIBRARY_PREVIEW_SWITCH)
            return 0;
        FlipPreviewSwitch(hook);
        return 1;
    }
    return 0;
}

void GetSelectedLensEffectFile(HWND hook, char *out)
{
    HWND parent = GetParent(hook);
    LPARAM buffer = reinterpret_cast<LPARAM>(out);
    if (SendMessageA(parent, CDM_GETSPEC, FILE_NAME_SIZE, buffer) <= 0) {
        out[0] = '\0';
        return;
    }
    if (!out[0])
        return;
    if (SendMessageA(parent, CDM_GETFILEPATH, FILE_NAME_SIZE, buffer) <= 0) {
        out[0] = '\0';
        return;
    }
    if (!out[0] || Ki_Check_For_File_Extension(out, ".lnz"))
        return;
    char text[FILE_NAME_SIZE + 100];
    std::snprintf(text, sizeof text,
                  "The selected filename '%s' does not end in the .lnz file extension (lens effect file).",
                  out);
    MessageBoxA(parent, text, "Filename Error", MB_OK);
    out[0] = '\0';
}

void PreviewLensEffectFile(HWND hook, PreviewImage *image, int16_t previewOn)
{
    image->rendered = 0;
    SetDlgItemTextA(hook, image->controlId, "");
    RepaintWithoutErase(hook);
    if (!previewOn || !image->valid)
        return;
    char path[FILE_NAME_SIZE];
    GetSelectedLensEffectFile(hook, path);
    if (!path[0])
        return;
    int32_t exists = 0;
    Ki_File_Exists(path, &exists);
    if (!exists) {
        ShowPreviewReason(hook, image, "File not found");
        return;
    }

    SetWaitCursor();
    int32_t status = LoadFileIntoTempLight(path);
    if (status != 0) {
        ShowPreviewReason(hook, image, LoadFailureReason(status));
        RestoreCursor();
        return;
    }
    int32_t width = image->header->biWidth;
    int32_t height = image->header->biHeight;
    float d = PlacementDivisor();
    KaGBuffer *gbuffer = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    if (!gbuffer) {
        ShowPreviewReason(hook, image, "Not enough memory");
        RestoreCursor();
        return;
    }
    ClearGBuffer(gbuffer);
    float w = (float)width, h = (float)height;
    Ki_LensFlareApplyToGBuffer(gbuffer, Token("light"), tempLightName, TruncOrIntMin(w / d),
                               TruncOrIntMin(h - h / d), nullptr);
    ConvertGBufferToImage(gbuffer, image);
    Ki_Free_Global_GBuffer(gbuffer);
    RepaintWithoutErase(GetDlgItem(hook, image->controlId));
    RepaintWithoutErase(hook);
    RestoreCursor();
}
