/*
 * host_app.cpp - loading the plug-in and speaking its entry protocol as a
 * rendering host does, and the services object such a host hands over.
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

namespace {

struct HelpTopic {
    const char *topic;
    const char *text;
};

const HelpTopic kHelpTopics[] = {
    {"lens flare effects",
     "Lens Flare Editor\n\n"
     "The preview shows the flare of the light. Drag with the left mouse button to move "
     "the light; release the right button to copy a small picture to the clipboard.\n\n"
     "Element List: select an element to edit its parameters on the \"Element Parameters\" "
     "tab. Add, Remove, Move Up and Move Down change the list; Element Enabled switches the "
     "selected element on or off.\n\n"
     "Global Parameters and Global Fading Parameters hold the settings of the whole flare.\n\n"
     "Realtime Updates renders every change at once; with it off, press Redraw Now. "
     "Faster Updates makes dragging cheaper.\n\n"
     "Library Save and Library Load keep whole effects in .lnz files in the lensfx folder."},
};

} // namespace

void DemoHostServices::ShowHelp(HWND window, const char *topic)
{
    helpTopics.push_back(topic ? topic : "");
    if (!showHelpWindow)
        return;
    const char *text = nullptr;
    for (const HelpTopic &known : kHelpTopics)
        if (topic && std::strcmp(known.topic, topic) == 0)
            text = known.text;
    char fallback[400];
    if (!text) {
        std::snprintf(fallback, sizeof fallback, "No help is installed for \"%s\".",
                      topic ? topic : "");
        text = fallback;
    }
    MessageBoxA(window, text, "flarehost Help", MB_OK | MB_ICONINFORMATION);
}

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
