/*
 * host_session.h - a fresh host for one test: its own working directory
 * and ini file, a light with the default flare, a plug-in instance made
 * through the plug-in entry, and the host's call log.
 */
#ifndef HOST_SESSION_H
#define HOST_SESSION_H

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "entry/plugin.h"
#include "file_bytes.h"
#include "host_app.h"
#include "refhost_api.h"

namespace ui {
class Driver;
}

class HostSession {
public:
    /* A fresh temporary working directory, or the folder given, emptied
     * first; either goes again when the session ends. */
    explicit HostSession(const char *lightName = "Light01", bool withServices = true,
                         const char *workingDirectory = nullptr);
    ~HostSession();
    HostSession(const HostSession &) = delete;
    HostSession &operator=(const HostSession &) = delete;

    /* Opens the editor modally on the light, owned by a test window; steps
     * queued on a ui::Driver run inside.  Returns the command's result. */
    int32_t OpenEditor();
    /* Opens the editor and runs one step in it; OK then closes it, also
     * after a failed assertion ended the step early.  The driver form is
     * for tests that queue more steps or read the message boxes. */
    int32_t Edit(std::function<void(HWND dialog)> step);
    int32_t Edit(ui::Driver &driver, std::function<void(HWND dialog)> step);

    /* Lines of the call log since the last ClearLog (or the start). */
    std::vector<std::string> Log() const;
    /* Only the lines that begin with the function name. */
    std::vector<std::string> Log(const char *function) const;
    void ClearLog();

    std::string Path(const char *file) const;   /* a file in the working directory */

    std::string dir;          /* fresh working directory (Windows path) */
    std::string light;
    std::string logFile;
    DemoHostServices services;
    PluginInstance *instance = nullptr;
};

inline KaToken T(const char *keyword) { return Ki_Inquire_Token(keyword); }

/* OK as the user gives it: the button takes the focus, then commands. */
void CloseWithOk(HWND dialog);

int64_t LiveHostBlocks();
bool Exists(const std::string &path);

#endif
