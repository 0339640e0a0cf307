/*
 * host_app.h - the demo host's side of the plug-in protocol: the services
 * object it hands over, loading the plug-in and driving its two entries,
 * and capturing windows to PNG files.  flarehost.exe and the tests use it.
 */
#ifndef HOST_APP_H
#define HOST_APP_H

#include <string>
#include <vector>
#include <windows.h>

#include "host/host_services.h"
#include "host/kalvos_core.h"

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
    bool showHelpWindow = true;           /* tests turn the help window off */
    std::string guideFile;                /* empty: DefaultGuideFile() */
    HWND helpWindow = nullptr;            /* the open help window, owned by the asking window */
};

/* docs\user-guide.md beside the program, where the package puts it. */
std::string DefaultGuideFile();
/* The line (from 0) of the guide's heading that answers a help topic, or -1
 * for a topic the host does not know or a guide without that heading. */
int FindHelpSection(const std::string &guide, const char *topic);

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
