/*
 * host_app.h - the demo host's side of the plug-in protocol: the services
 * object it hands over, loading the plug-in and driving its two entries,
 * and capturing windows to PNG files.  flarehost.exe and the tests use it.
 */
#ifndef HOST_APP_H
#define HOST_APP_H

#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "host/host_services.h"
#include "host/kalvos_core.h"

/* Hands a URL to the system's browser; false when none could be opened. */
typedef bool (*OpenUrlFn)(HWND window, const char *url);
bool OpenInBrowser(HWND window, const char *url);   /* ShellExecute "open" */

class DemoHostServices : public HostServices {
public:
    explicit DemoHostServices(const std::string &workingDirectory);
    const char *GetHostName() override;
    HWND GetMainWindow() override;
    const char *GetWorkingDirectory() override;
    const char *GetIniFileName() override;
    void ShowHelp(HWND window, const char *topic) override;

    HWND mainWindow = nullptr;
    std::string workingDirectory;
    std::string iniFile;                  /* <working dir>\flarehost.ini */
    std::vector<std::string> helpTopics;  /* every topic asked for, in order */
    bool showHelpWindow = true;           /* tests turn help off: no browser, no window */
    std::string guideFile;                /* the guide's HTML; empty: DefaultGuideFile() */
    OpenUrlFn openUrl = OpenInBrowser;    /* tests see the URL Help hands over; null: no browser */
    HWND helpWindow = nullptr;            /* the guide when no browser opened, owned by the asking window */
};

/* docs\user-guide.html beside the program, where the build and the package
 * put it with its pictures. */
std::string DefaultGuideFile();
/* The id of the guide's heading that answers a help topic, or "" for a
 * topic the host does not know or a guide without that heading. */
std::string HelpAnchor(const std::string &html, const char *topic);
/* A file: URL for a Windows path, bytes outside the URL's plain set
 * percent-encoded in UTF-8. */
std::string FileUrl(const std::string &path);

/* The guide's HTML as RTF for a rich edit box, and where each heading with
 * an id starts in the box's text. */
struct RichGuide {
    std::string rtf;
    long characters = 0;                                  /* the box's text length */
    std::vector<std::pair<std::string, long>> anchors;   /* heading id, its first character */
};
RichGuide GuideRtf(const std::string &html);

typedef void (*PluginEntryFn)(const char **keywords, void **values, int32_t *status, void *instance);
typedef int32_t (*PluginCommandFn)(void *instance, HWND parent, const char **keywords, void **values);

struct LoadedPlugin {
    HMODULE module = nullptr;
    PluginEntryFn entry = nullptr;
    PluginCommandFn command = nullptr;
};

bool LoadPlugin(const char *path, LoadedPlugin *plugin, std::string *error);
void UnloadPlugin(LoadedPlugin *plugin);
/* "initialize", "parent_hInstance", "new_instance" in one call. */
void *CreatePluginInstance(LoadedPlugin *plugin, HostServices *services, const char *initText);
void DestroyPluginInstance(LoadedPlugin *plugin, void *instance);
/* "handle_type" then "execute_lens_flare_dialog_box"; returns the entry's result. */
int32_t RunLensFlareEditor(LoadedPlugin *plugin, void *instance, HWND parent,
                           const char *ownerType, const char *ownerName);

/* A 24-bit top-down RGB capture of a window (whole window, or its client
 * area), read back from its device context. */
struct Capture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;   /* 3 bytes a pixel, rows top to bottom */
    COLORREF Pixel(int x, int y) const;
};
bool CaptureWindow(HWND window, bool clientOnly, Capture *out);
bool WritePng(const Capture &capture, const char *path);

/* A G-buffer's red, green and blue as a 24-bit PNG, top row first: each
 * channel clamped to 0..1 and rounded to the nearest of 256 steps, without
 * tone mapping or gamma (what the editor's 24-bit preview shows, up to
 * rounding).  False when the buffer is empty or the file cannot be written. */
bool WriteGBufferPng(const KaGBuffer *buffer, const char *path);

#endif
