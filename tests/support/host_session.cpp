/*
 * host_session.cpp - a fresh reference host state per test.
 */
#include <cstdio>
#include <fstream>

#include "host_session.h"
#include "ui_driver.h"

namespace {

/* Process ids come back under Wine, so the clock makes the name unique;
 * the folder goes again when the session ends. */
std::string FreshDirectory()
{
    static int counter;   /* several sessions in one test get their own folders */
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%slensflare_test_%lu_%d_%llx", temp, GetCurrentProcessId(),
                  ++counter, (unsigned long long)now.QuadPart);
    CreateDirectoryA(name, nullptr);
    return name;
}

void RemoveTree(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string EmptiedDirectory(const char *path)
{
    RemoveTree(path);
    CreateDirectoryA(path, nullptr);
    return path;
}

} // namespace

int64_t LiveHostBlocks()
{
    int64_t blocks = 0;
    Kh_Memory_Stats(&blocks, nullptr);
    return blocks;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HostSession::HostSession(const char *lightName, bool withServices, const char *workingDirectory)
    : dir(workingDirectory ? EmptiedDirectory(workingDirectory) : FreshDirectory()),
      light(lightName), services(dir)
{
    Kh_Set_Environment("KA_WORKING_DIR", dir.c_str());
    SetCurrentDirectoryA(dir.c_str());
    Ki_Light(light.c_str(), Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    services.showHelpWindow = false;
    logFile = Path("calls.log");
    Kh_Set_Call_Log(logFile.c_str(), 0);

    const char *keywords[] = {"parent_hInstance", "new_instance", nullptr};
    void *values[] = {withServices ? static_cast<HostServices *>(&services) : nullptr, nullptr,
                      nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, nullptr);
    instance = static_cast<PluginInstance *>(values[1]);
}

HostSession::~HostSession()
{
    const char *keywords[] = {"destroy_instance", nullptr};
    void *values[] = {nullptr, nullptr};
    int32_t status = -1;
    PluginEntryPoint(keywords, values, &status, instance);
    Kh_Set_Call_Log(nullptr, 0);
    Ki_Remove(Ki_Inquire_Token("light"), light.c_str(), 0);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    RemoveTree(dir);
}

int32_t HostSession::OpenEditor()
{
    const char *keywords[] = {"handle_type", "execute_lens_flare_dialog_box", nullptr};
    void *values[] = {reinterpret_cast<void *>((uintptr_t)Ki_Inquire_Token("light")),
                      const_cast<char *>(light.c_str()), nullptr};
    return ExecuteLensFlareCommand(instance, ui::TestOwnerWindow(), keywords, values);
}

int32_t HostSession::Edit(std::function<void(HWND dialog)> step)
{
    ui::Driver driver;
    return Edit(driver, std::move(step));
}

int32_t HostSession::Edit(ui::Driver &driver, std::function<void(HWND dialog)> step)
{
    driver.Then([step](HWND dialog) {
        step(dialog);
        CloseWithOk(dialog);
    });
    return OpenEditor();
}

void CloseWithOk(HWND dialog)
{
    HWND ok = GetDlgItem(dialog, IDOK);
    SetFocus(ok);
    SendMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)ok);
}

std::vector<std::string> HostSession::Log() const
{
    std::vector<std::string> lines;
    std::ifstream in(logFile);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> HostSession::Log(const char *function) const
{
    std::vector<std::string> picked;
    std::string prefix = std::string(function) + " ";
    for (const std::string &line : Log())
        if (line.compare(0, prefix.size(), prefix) == 0 || line == function)
            picked.push_back(line);
    return picked;
}

void HostSession::ClearLog()
{
    Kh_Set_Call_Log(nullptr, 0);
    DeleteFileA(logFile.c_str());
    Kh_Set_Call_Log(logFile.c_str(), 0);
}

std::string HostSession::Path(const char *file) const
{
    return dir + "\\" + file;
}
