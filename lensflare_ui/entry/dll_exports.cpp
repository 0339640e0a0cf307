/*
 * dll_exports.cpp - DllMain and the two exported entries of the plug-in.
 * The entries' logic lives in plugin_entry.cpp so tests can link it.
 */
#include "entry/plugin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        moduleHandle = instance;
    /* Unloaded by FreeLibrary (not at process exit, when the host's
     * allocator may be gone): give the saved init string back. */
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr && savedInitString) {
        Ki_Free_Memory(savedInitString);
        savedInitString = nullptr;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void Kalvos_Plugin_EntryPoint(const char **keywords, void **values,
                                                               int32_t *status, void *instance)
{
    PluginEntryPoint(keywords, values, status, instance);
}

extern "C" __declspec(dllexport) int32_t DLL_ExecuteLensFlareASCIICommand(
    PluginInstance *instance, HWND parent, const char **keywords, void **values)
{
    return ExecuteLensFlareCommand(instance, parent, keywords, values);
}
