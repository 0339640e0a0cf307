/*
 * lens_effect_files.cpp - "Library &Save" and "Library &Load" of the
 * editor: the host writes and reads the file, the plug-in picks the name
 * and keeps an upper-case ".bak" of a file it replaces until the write
 * has succeeded.
 */
#include <cctype>
#include <cstdio>

#include "entry/editor_state.h"
#include "entry/plugin.h"
#include "host/kalvos_io.h"
#include "library/library.h"
#include "model/lens_flare_model.h"

namespace {

/* Room for the extension Ki_Check_File_Extension may append. */
#define NAME_WITH_EXTENSION (FILE_NAME_SIZE + 8)

void StartName(char *name)
{
    std::snprintf(name, FILE_NAME_SIZE, "%s", lastLibraryFile ? lastLibraryFile : "");
}

bool FileExists(const char *path)
{
    int32_t exists = 0;
    Ki_File_Exists(path, &exists);
    return exists != 0;
}

/* The save name, asked again until the user keeps a new name or agrees
 * to replace; false when cancelled. */
bool ChooseSaveName(HWND window, HINSTANCE moduleInstance, char *name)
{
    for (;;) {
        StartName(name);
        char filter[] = "Lens Effect Files (*.LNZ)|*.lnz|";
        if (!RunFileRequestor(window, 0, "lensfx", filter, "Save a Lens Effect File", name, 0,
                              nullptr, nullptr, moduleInstance))
            return false;
        Ki_Check_File_Extension(name, name, ".lnz");
        if (!FileExists(name))
            return true;
        char text[NAME_WITH_EXTENSION + 64];
        std::snprintf(text, sizeof text, "%s\nThis file already exists.\n\nReplace existing file?",
                      name);
        if (MessageBoxA(window, text, "Info Request", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
            IDYES)
            return true;
    }
}

} // namespace

int SaveLensEffectFile(HWND window, HINSTANCE moduleInstance)
{
    PluginInstance *instance = currentInstance;
    char name[NAME_WITH_EXTENSION];
    if (!ChooseSaveName(window, moduleInstance, name))
        return 0;
    Import_IO_Copy_String(&lastLibraryFile, name);

    char backup[NAME_WITH_EXTENSION + 8] = "";
    bool existed = FileExists(name), backedUp = false;
    if (existed) {
        std::snprintf(backup, NAME_WITH_EXTENSION, "%s", name);
        for (char *c = backup; *c; c++)
            *c = (char)std::toupper((unsigned char)*c);
        Ki_Check_File_Extension(backup, backup, ".bak");
        if (FileExists(backup))
            DeleteFileA(backup);
        backedUp = MoveFileA(name, backup) != 0;
    }
    if (SaveFlareToFile(instance->handleType, instance->handleName, name) == 0)
        return 1;

    char text[NAME_WITH_EXTENSION + 64];
    std::snprintf(text, sizeof text, "Error writing lens flare effect file '%s'. Disk full?", name);
    MessageBoxA(window, text, "File Write Error", MB_OK);
    /* A file that could not be moved aside (its older backup read-only,
     * say) is still the user's: the host replaces a file only once the new
     * one is whole, so only a name this save made free is cleared. */
    if (!existed || backedUp)
        DeleteFileA(name);
    if (backedUp)
        MoveFileA(backup, name);
    return 0;
}

int ChooseLensEffectFileToLoad(HWND window, HINSTANCE moduleInstance, char *name)
{
    StartName(name);
    return RequestLensEffectFile(window, "lensfx", "Select Lens Flare Effect File", name, name,
                                 moduleInstance);
}

int LoadLensEffectFile(const char *name)
{
    PluginInstance *instance = currentInstance;
    if (LoadFlareFromFile(instance->handleType, instance->handleName, name) != 0)
        return 0;
    Import_IO_Copy_String(&lastLibraryFile, name);
    return 1;
}
