/*
 * help_window.cpp - the demo host's help: the user guide's text in a
 * window of the host, opened at the section that answers the plug-in's
 * topic.  The guide is the Markdown file shipped beside the program; it is
 * shown as plain text, with pictures named instead of drawn.
 */
#include <cstdio>
#include <cstring>
#include <vector>

#include "host_app.h"

namespace {

const char kHelpClass[] = "FlareHostHelp";
const char kHelpCaption[] = "flarehost Help";
const int kHelpTextId = 1;

/* The topics a plug-in asks for and the guide's headings that answer them. */
struct HelpTopic {
    const char *topic;
    const char *heading;
};
const HelpTopic kHelpTopics[] = {
    {"lens flare effects", "The Lens Flare Editor"},
};

bool ReadWholeFile(const std::string &path, std::string *text)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text->append(chunk, n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

/* The lines of a text without their LF or CR LF ends; a final line end
 * starts no further line. */
std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == '\r')
            lines.back().pop_back();
        start = end + 1;
    }
    return lines;
}

/* The guide is UTF-8; the edit box shows the ANSI code page. */
std::string FromUtf8(const std::string &text)
{
    int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    if (wide <= 0)
        return text;
    std::wstring buffer((size_t)wide, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &buffer[0], wide);
    int narrow = WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0)
        return text;
    std::string out((size_t)narrow, '\0');
    WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, &out[0], narrow, nullptr, nullptr);
    return out;
}

/* A guide line as plain text: "![what](file)" becomes "[picture: what]",
 * "[text](target)" its text; bold stars and code quotes go. */
std::string PlainLine(const std::string &line)
{
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        bool picture = line.compare(i, 2, "![") == 0;
        if (picture || line[i] == '[') {
            size_t textStart = i + (picture ? 2 : 1);
            size_t close = line.find("](", textStart);
            size_t targetEnd = close == std::string::npos ? close : line.find(')', close);
            if (targetEnd != std::string::npos) {
                std::string text = PlainLine(line.substr(textStart, close - textStart));
                out += picture ? "[picture: " + text + "]" : text;
                i = targetEnd + 1;
                continue;
            }
        }
        if (line.compare(i, 2, "**") == 0) {
            i += 2;
            continue;
        }
        if (line[i] != '`')
            out += line[i];
        i++;
    }
    return out;
}

/* Line ends become CR LF, as a multi-line edit box wants them. */
std::string TextForDisplay(const std::string &guide)
{
    std::string out;
    for (const std::string &line : SplitLines(guide)) {
        out += PlainLine(line);
        out += "\r\n";
    }
    return out;
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
    HWND text = CreateWindowExA(WS_EX_CLIENTEDGE, "edit", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL,
                                0, 0, client.right, client.bottom, window,
                                reinterpret_cast<HMENU>((INT_PTR)kHelpTextId), instance, nullptr);
    if (!text) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(text, WM_SETFONT, (WPARAM)GetStockObject(ANSI_FIXED_FONT), FALSE);
    SendMessageA(text, EM_SETLIMITTEXT, 0, 0);
    return window;
}

} // namespace

std::string DefaultGuideFile()
{
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    return dir + "\\docs\\user-guide.md";
}

int FindHelpSection(const std::string &guide, const char *topic)
{
    const char *heading = nullptr;
    for (const HelpTopic &known : kHelpTopics)
        if (topic && std::strcmp(known.topic, topic) == 0)
            heading = known.heading;
    if (!heading)
        return -1;
    std::vector<std::string> lines = SplitLines(guide);
    for (size_t line = 0; line < lines.size(); line++) {
        const std::string &text = lines[line];
        size_t hashes = text.find_first_not_of('#');
        if (hashes > 0 && hashes != std::string::npos && text[hashes] == ' ' &&
            text.compare(hashes + 1, std::string::npos, heading) == 0)
            return (int)line;
    }
    return -1;
}

void DemoHostServices::ShowHelp(HWND window, const char *topic)
{
    helpTopics.push_back(topic ? topic : "");
    if (!showHelpWindow)
        return;
    std::string path = guideFile.empty() ? DefaultGuideFile() : guideFile;
    std::string guide;
    if (!ReadWholeFile(path, &guide)) {
        std::string text = "The user guide could not be read from\n" + path +
                           "\n\nIt is docs\\user-guide.md beside flarehost.exe.";
        MessageBoxA(window, text.c_str(), kHelpCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    if (!helpWindow)
        helpWindow = CreateHelpWindow(window, this);
    if (!helpWindow) {
        MessageBoxA(window, "The help window could not be opened.", kHelpCaption,
                    MB_OK | MB_ICONWARNING);
        return;
    }
    HWND text = GetDlgItem(helpWindow, kHelpTextId);
    std::string shown = FromUtf8(TextForDisplay(guide));
    SetWindowTextA(text, shown.c_str());
    int section = FindHelpSection(guide, topic);
    std::string caption = kHelpCaption;
    if (section < 0 && topic && *topic)
        caption += std::string(" - no section for \"") + topic + "\", the whole guide";
    SetWindowTextA(helpWindow, caption.c_str());
    /* The box wraps long lines, so the heading's line on screen is found
     * from its first character. */
    size_t at = 0;
    for (int line = 0; line < section && at != std::string::npos; line++) {
        at = shown.find("\r\n", at);
        if (at != std::string::npos)
            at += 2;
    }
    if (section > 0 && at != std::string::npos) {
        SendMessageA(text, EM_LINESCROLL, 0, SendMessageA(text, EM_LINEFROMCHAR, at, 0));
        SendMessageA(text, EM_SETSEL, at, at);
    }
    ShowWindow(helpWindow, SW_SHOWNORMAL);
    SetForegroundWindow(helpWindow);
}
