/*
 * help_window.cpp - the demo host's help: the user guide, which the build
 * turns into HTML, opened in the system's browser at the heading that
 * answers the plug-in's topic.  Where no browser opens, a window of the
 * host shows the same text formatted in a rich edit box (pictures named
 * by their caption, not drawn), scrolled to that heading.
 */
#include <richedit.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host_app.h"
#include "refhost_api.h"

namespace {

const char kHelpClass[] = "FlareHostHelp";
const char kHelpCaption[] = "flarehost Help";
const int kHelpTextId = 1;
const int kHelpMargin = 12;   /* pixels left and right of the text */

/* The topics a plug-in asks for and the guide's headings that answer them. */
struct HelpTopic {
    const char *topic;
    const char *heading;
};
const HelpTopic kHelpTopics[] = {
    {"lens flare effects", "The Lens Flare Editor"},
};

/* riched20.dll, loaded with the first help window and kept for the
 * process: the class must outlive every box made from it. */
HMODULE richEditLibrary = nullptr;

/* The whole guide through the host's file reader; false with the cause. */
bool LoadGuide(const std::string &path, std::string *html, std::string *why)
{
    int64_t size = Kh_Load_File(path.c_str(), nullptr, 0);
    if (size >= 0) {
        html->assign((size_t)size, '\0');
        if (Kh_Load_File(path.c_str(), &(*html)[0], size) == size)
            return true;
        size = KH_LOAD_FAILED;
    }
    *why = size == KH_LOAD_CANNOT_OPEN ? "it cannot be opened"
           : size == KH_LOAD_TOO_LARGE ? "it is too large"
                                       : "reading it failed";
    return false;
}

/* A heading's text: tags left out, white space as single spaces. */
std::string HeadingText(const std::string &html, size_t from, size_t to)
{
    std::string text;
    bool inTag = false;
    for (size_t i = from; i < to; i++) {
        char c = html[i];
        if (c == '<' || c == '>') {
            inTag = c == '<';
        } else if (!inTag) {
            bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
            if (!space)
                text += c;
            else if (!text.empty() && text.back() != ' ')
                text += ' ';
        }
    }
    if (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG *given)
{
    auto *source = reinterpret_cast<std::pair<const std::string *, size_t> *>(cookie);
    size_t left = source->first->size() - source->second;
    *given = (LONG)std::min(left, (size_t)wanted);
    std::memcpy(buffer, source->first->data() + source->second, (size_t)*given);
    source->second += (size_t)*given;
    return 0;
}

LRESULT CALLBACK HelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *services = reinterpret_cast<DemoHostServices *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, kHelpTextId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, kHelpTextId));
        return 0;
    case WM_DESTROY:
        if (services)
            services->helpWindow = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHelpWindow(HWND owner, DemoHostServices *services)
{
    if (!richEditLibrary)
        richEditLibrary = LoadLibraryA("riched20.dll");
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls = {};
    cls.lpfnWndProc = HelpWindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    cls.lpszClassName = kHelpClass;
    RegisterClassA(&cls);   /* fails harmlessly once the class exists */
    HWND window = CreateWindowExA(0, kHelpClass, kHelpCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 680, 560, owner, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(services));
    RECT client;
    GetClientRect(window, &client);
    HWND text = CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL,
                                0, 0, client.right, client.bottom, window,
                                reinterpret_cast<HMENU>((INT_PTR)kHelpTextId), instance, nullptr);
    if (!text) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(text, EM_EXLIMITTEXT, 0, 0x7fffffff);
    SendMessageA(text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELONG(kHelpMargin, kHelpMargin));
    return window;
}

/* The guide formatted in the box, its first visible line the anchor's
 * heading (the whole guide from the top without one). */
void ShowGuideText(HWND text, const std::string &html, const std::string &anchor)
{
    RichGuide guide = GuideRtf(html);
    std::pair<const std::string *, size_t> source(&guide.rtf, 0);
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadRtf;
    SendMessageA(text, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    long at = 0;
    for (const auto &heading : guide.anchors)
        if (heading.first == anchor)
            at = heading.second;
    SendMessageA(text, EM_SETSEL, at, at);
    /* In pixels: lines differ in height (headings, paragraph spacing), and
     * a scroll by lines counts them all as body lines. */
    POINTL heading = {};
    POINT scrolled = {};
    SendMessageA(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&heading), at);
    SendMessageA(text, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    POINT wanted = {0, scrolled.y + heading.y};
    SendMessageA(text, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&wanted));
}

void ShowHelpWindow(DemoHostServices *services, HWND owner, const std::string &html,
                    const std::string &anchor, const char *topic)
{
    if (!services->helpWindow)
        services->helpWindow = CreateHelpWindow(owner, services);
    HWND window = services->helpWindow;
    if (!window) {
        MessageBoxA(owner, "The help window could not be opened.", kHelpCaption,
                    MB_OK | MB_ICONWARNING);
        return;
    }
    std::string caption = kHelpCaption;
    if (anchor.empty() && topic && *topic)
        caption += std::string(" - no section for \"") + topic + "\", the whole guide";
    SetWindowTextA(window, caption.c_str());
    ShowWindow(window, SW_SHOWNORMAL);
    ShowGuideText(GetDlgItem(window, kHelpTextId), html, anchor);
    SetForegroundWindow(window);
}

} // namespace

/* The browser gets the URL as its argument: opened as a document, a file
 * URL loses its anchor (Wine looks for a file named with it).  A browser
 * that ends with a failure at once (Wine's winebrowser without a desktop
 * browser) counts as none; one still running after the wait is showing. */
bool OpenInBrowser(HWND window, const char *url)
{
    const DWORD kBrowserVerdictMs = 2000;
    char browser[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    bool found = AssocQueryStringA(0, ASSOCSTR_EXECUTABLE, "http", "open", browser, &size) == S_OK;
    SHELLEXECUTEINFOA run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.hwnd = window;
    run.lpVerb = "open";
    run.lpFile = found ? browser : url;
    run.lpParameters = found ? url : nullptr;
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&run))
        return false;
    DWORD status = 0;
    if (run.hProcess) {
        if (WaitForSingleObject(run.hProcess, kBrowserVerdictMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(run.hProcess, &status);
        CloseHandle(run.hProcess);
    }
    return status == 0;
}

std::string DefaultGuideFile()
{
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    return dir + "\\docs\\user-guide.html";
}

std::string HelpAnchor(const std::string &html, const char *topic)
{
    const char *heading = nullptr;
    for (const HelpTopic &known : kHelpTopics)
        if (topic && std::strcmp(known.topic, topic) == 0)
            heading = known.heading;
    for (size_t at = html.find("<h"); heading && at != std::string::npos; at = html.find("<h", at + 1)) {
        char level = at + 2 < html.size() ? html[at + 2] : '\0';
        size_t id = html.find(" id=\"", at);
        size_t open = html.find('>', at);
        if (level < '1' || level > '6' || open == std::string::npos || id > open)
            continue;
        size_t close = html.find(std::string("</h") + level, open);
        if (close != std::string::npos && HeadingText(html, open + 1, close) == heading)
            return html.substr(id + 5, html.find('"', id + 5) - id - 5);
    }
    return "";
}

std::string FileUrl(const std::string &path)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, path.data(), (int)path.size(), nullptr, 0);
    std::wstring buffer((size_t)wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), (int)path.size(), &buffer[0], wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8((size_t)narrow, '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, &utf8[0], narrow, nullptr, nullptr);
    std::string url = "file:///";
    for (unsigned char c : utf8) {
        if (c == '\\')
            url += '/';
        else if (std::isalnum(c) || std::strchr("-._~/:", c))
            url += (char)c;
        else
            url += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    }
    return url;
}

void DemoHostServices::ShowHelp(HWND window, const char *topic)
{
    helpTopics.push_back(topic ? topic : "");
    if (!showHelpWindow)
        return;
    std::string path = guideFile.empty() ? DefaultGuideFile() : guideFile;
    std::string html, why;
    if (!LoadGuide(path, &html, &why)) {
        std::string text = "The user guide could not be read from\n" + path + "\n(" + why +
                           ").\n\nIt is docs\\user-guide.html beside flarehost.exe.";
        MessageBoxA(window, text.c_str(), kHelpCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    std::string anchor = HelpAnchor(html, topic);
    std::string url = FileUrl(path) + (anchor.empty() ? "" : "#" + anchor);
    if (!openUrl || !openUrl(window, url.c_str()))
        ShowHelpWindow(this, window, html, anchor, topic);
}
