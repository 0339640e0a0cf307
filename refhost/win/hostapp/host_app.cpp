/*
 * host_app.cpp - loading the plug-in and speaking its entry protocol as a
 * rendering host does, and the services object such a host hands over
 * (its help is in help_window.cpp).
 */
#include <cstdio>
#include <cstring>

#include "host_app.h"

DemoHostServices::DemoHostServices(const std::string &dir) : workingDirectory(dir)
{
    iniFile = dir;
    if (!iniFile.empty() && iniFile.back() != '\\' && iniFile.back() != '/')
        iniFile += '\\';
    iniFile += "flarehost.ini";
}

const char *DemoHostServices::GetHostName() { return "flarehost"; }
HWND DemoHostServices::GetMainWindow() { return mainWindow; }
const char *DemoHostServices::GetWorkingDirectory() { return workingDirectory.c_str(); }
const char *DemoHostServices::GetIniFileName() { return iniFile.c_str(); }

bool LoadPlugin(const char *path, LoadedPlugin *plugin, std::string *error)
{
    plugin->module = LoadLibraryA(path);
    if (!plugin->module) {
        if (error)
            *error = std::string("cannot load ") + path + " (error " +
                     std::to_string(GetLastError()) + ")";
        return false;
    }
    plugin->entry = reinterpret_cast<PluginEntryFn>(
        reinterpret_cast<void *>(GetProcAddress(plugin->module, "Kalvos_Plugin_EntryPoint")));
    plugin->command = reinterpret_cast<PluginCommandFn>(reinterpret_cast<void *>(
        GetProcAddress(plugin->module, "DLL_ExecuteLensFlareASCIICommand")));
    if (!plugin->entry || !plugin->command) {
        if (error)
            *error = std::string(path) + " does not export the plug-in entries";
        UnloadPlugin(plugin);
        return false;
    }
    return true;
}

void UnloadPlugin(LoadedPlugin *plugin)
{
    if (plugin->module)
        FreeLibrary(plugin->module);
    *plugin = LoadedPlugin();
}

void *CreatePluginInstance(LoadedPlugin *plugin, HostServices *services, const char *initText)
{
    const char *keywords[] = {"initialize", "parent_hInstance", "new_instance", nullptr};
    void *values[] = {const_cast<char *>(initText ? initText : ""), services, nullptr, nullptr};
    int32_t status = -1;
    plugin->entry(keywords, values, &status, nullptr);
    return values[2];
}

void DestroyPluginInstance(LoadedPlugin *plugin, void *instance)
{
    const char *keywords[] = {"destroy_instance", "shutdown", nullptr};
    void *values[] = {nullptr, nullptr, nullptr};
    int32_t status = -1;
    plugin->entry(keywords, values, &status, instance);
}

int32_t RunLensFlareEditor(LoadedPlugin *plugin, void *instance, HWND parent,
                           const char *ownerType, const char *ownerName)
{
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token(ownerType)),
                      const_cast<char *>(ownerName), nullptr};
    return plugin->command(instance, parent, keywords, values);
}
