/*
 * plugin_entry.cpp - the two entries the host calls: the generic plug-in
 * entry (start-up data, instances) and the command entry that opens the
 * lens flare editor.  Stray keywords are reported to the host and skipped.
 */
#include <cstring>
#include <new>

#include "entry/plugin.h"
#include "host/host_services.h"
#include "host/kalvos_io.h"
#include "model/lens_flare_model.h"

HINSTANCE moduleHandle;
char *savedInitString;            /* host copy of the latest "initialize" */
PluginInstance *currentInstance;  /* the instance the editor works on */

namespace {

const char kBadToken[] = "ERR_GEOM_IMPORT_BAD_TOKEN";
const char kEntryRoutine[] = "LensFlare_Entry()";

void ReportBadKeyword(const char *keyword)
{
    Ki_Report_Error(4, kBadToken, kEntryRoutine, keyword);
}

bool ListEnds(const char *keyword)
{
    return keyword == nullptr || keyword[0] == '\0';
}

PluginInstance *NewInstance(HostServices *services)
{
    PluginInstance *instance = new (std::nothrow) PluginInstance();
    if (!instance)
        return nullptr;
    instance->model = nullptr;
    currentInstance = instance;
    instance->initString = nullptr;
    Import_IO_Copy_String(&instance->initString, savedInitString ? savedInitString : "");
    instance->moduleInstance = moduleHandle;
    instance->hostServices = services;
    return instance;
}

void DestroyInstance(PluginInstance *instance)
{
    if (!instance)
        return;
    FreeLensFlareModel(&instance->model);
    if (instance->initString)
        Ki_Free_Memory(instance->initString);
    if (instance == currentInstance)
        currentInstance = nullptr;
    delete instance;
}

} // namespace

void PluginEntryPoint(const char **keywords, void **values, int32_t *status, void *instance)
{
    if (status)
        *status = 0;
    if (!keywords)
        return;
    HostServices *services = nullptr;   /* "parent_hInstance" of this call */
    for (int16_t i = 0; !ListEnds(keywords[i]); i++) {
        const char *keyword = keywords[i];
        void *value = values ? values[i] : nullptr;
        if (std::strcmp(keyword, "parent_hWnd") == 0) {
            continue;
        } else if (std::strcmp(keyword, "parent_hInstance") == 0) {
            services = static_cast<HostServices *>(value);
        } else if (std::strcmp(keyword, "initialize") == 0) {
            Import_IO_Copy_String(&savedInitString, static_cast<const char *>(value));
        } else if (std::strcmp(keyword, "new_instance") == 0) {
            PluginInstance *created = NewInstance(services);
            if (values)
                values[i] = created;
        } else if (std::strcmp(keyword, "destroy_instance") == 0) {
            DestroyInstance(static_cast<PluginInstance *>(instance));
        } else if (std::strcmp(keyword, "shutdown") == 0) {
            continue;
        } else if (std::strcmp(keyword, "execute") == 0) {
            for (int16_t j = i + 1; !ListEnds(keywords[j]); j++) {
                if (std::strcmp(keywords[j], "filename") != 0)
                    ReportBadKeyword(keywords[j]);
            }
            if (status)
                *status = 0;
            return;
        }
    }
}

int32_t ExecuteLensFlareCommand(PluginInstance *instance, HWND parent, const char **keywords,
                                void **values)
{
    if (!instance)
        return 0;
    if (!instance->hostServices) {
        MessageBoxA(nullptr, "Could not link to the Kalvos interface API methods.",
                    "Plug-in Error", MB_OK);
        return 1;
    }
    if (!keywords)
        return 1;
    for (int16_t i = 0; !ListEnds(keywords[i]); i++) {
        const char *keyword = keywords[i];
        void *value = values ? values[i] : nullptr;
        if (std::strcmp(keyword, "handle_type") == 0) {
            instance->handleType = (KaToken)(uintptr_t)value;
        } else if (std::strcmp(keyword, "execute_lens_flare_dialog_box") == 0) {
            /* Names longer than the buffer are cut: the host's own names are
             * far shorter, and a cut name simply finds no flare. */
            const char *name = static_cast<const char *>(value);
            std::strncpy(instance->handleName, name ? name : "", HANDLE_NAME_SIZE - 1);
            instance->handleName[HANDLE_NAME_SIZE - 1] = '\0';
            currentInstance = instance;
            OpenEditorDialog(instance, parent);
        } else {
            ReportBadKeyword(keyword);
        }
    }
    return 1;
}

const char *SettingsIniFile()
{
    if (currentInstance && currentInstance->hostServices)
        return currentInstance->hostServices->GetIniFileName();
    return "kalvos.ini";
}
