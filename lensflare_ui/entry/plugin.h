/*
 * plugin.h - the per-instance record and the module globals that tie the
 * editor to the instance it works on.
 */
#ifndef PLUGIN_H
#define PLUGIN_H

#include <windows.h>
#include "host/kalvos_core.h"

struct LensFlareModel;
struct FlareElement;
class HostServices;

#define HANDLE_NAME_SIZE 1024

struct PluginInstance {
    LensFlareModel *model;          /* null while no editor is open */
    HWND dialog;                    /* the editor while it is open */
    HINSTANCE moduleInstance;       /* where templates and cursors come from */
    char *initString;               /* host copy of the "initialize" text */
    char handleName[HANDLE_NAME_SIZE];  /* owner of the flare */
    KaToken handleType;             /* owner's type, e.g. the token of "light" */
    int16_t realtimeUpdates;
    FlareElement *currentElement;   /* selected element, or null */
    HostServices *hostServices;     /* null when the host gave none */
};

extern HINSTANCE moduleHandle;
extern char *savedInitString;
extern PluginInstance *currentInstance;

/* Ini file of the settings: the current instance's host's, or
 * "kalvos.ini" without services. */
const char *SettingsIniFile();

void PluginEntryPoint(const char **keywords, void **values, int32_t *status, void *instance);
int32_t ExecuteLensFlareCommand(PluginInstance *instance, HWND parent, const char **keywords,
                                void **values);
/* Runs the editor modally over parent; the editor's own (editor_dialog.cpp),
 * so that the entries need none of its headers. */
void OpenEditorDialog(PluginInstance *instance, HWND parent);

#endif
