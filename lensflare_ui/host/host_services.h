/*
 * host_services.h - the object a host hands over as "parent_hInstance".
 * Plug-ins call only the last two slots; the first three serve the host's
 * other modules.  No virtual destructor: the host owns the object and a
 * destructor would shift the slots.
 */
#ifndef HOST_SERVICES_H
#define HOST_SERVICES_H

#include <windows.h>

class HostServices {
public:
    virtual const char *GetHostName() = 0;
    virtual HWND GetMainWindow() = 0;
    virtual const char *GetWorkingDirectory() = 0;
    virtual const char *GetIniFileName() = 0;
    virtual void ShowHelp(HWND window, const char *topic) = 0;

protected:
    ~HostServices() {}
};

#endif
