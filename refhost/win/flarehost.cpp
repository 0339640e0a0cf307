/*
 * flarehost.cpp - the demo rendering host.  It sets its working directory
 * to the demo data folder, creates a light, loads lensflare_ui.dll and opens
 * the lens flare editor on the light's flare exactly as a rendering host
 * does, then reports any host memory still allocated.
 *
 *   flarehost [--light NAME] [--effect FILE.lnz] [--log-calls FILE]
 *             [--screenshot FILE.png] [--dump-flare] [--data DIR]
 *             [--plugin DLL]
 *   flarehost --render FILE.png [--size WxH] [--at X,Y] [--effect FILE.lnz] ...
 *   flarehost --help
 *
 * --render draws the light's flare into a G-buffer of the given size
 * (default 640x480) with the light at X,Y (pixels, y up from the bottom
 * row; default a quarter of the way in, as the editor starts) and writes
 * it as a PNG, without loading the plug-in.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host_app.h"
#include "refhost_api.h"

namespace {

struct Options {
    std::string light = "Light01";
    std::string effect;
    std::string logCalls;
    std::string screenshot;
    std::string dataDir;
    std::string plugin = "lensflare_ui.dll";
    bool dumpFlare = false;
    bool help = false;
    std::string render;            /* --render: PNG to write instead of editing */
    int width = 640, height = 480; /* --size */
    bool atGiven = false;          /* --at */
    int atX = 0, atY = 0;
};

const char kUsage[] =
    "flarehost " FLAREHOST_VERSION ", the demo host of lensflare_ui\n"
    "usage: flarehost [--light NAME] [--effect FILE.lnz] [--log-calls FILE]\n"
    "                 [--screenshot FILE.png] [--dump-flare] [--data DIR]\n"
    "                 [--plugin DLL]\n"
    "       flarehost --render FILE.png [--size WxH] [--at X,Y] [--effect FILE.lnz]\n"
    "       flarehost --help\n"
    "\n"
    "  --light NAME           the light whose flare is edited (default Light01)\n"
    "  --effect FILE.lnz      load a library file into the light's flare first\n"
    "  --log-calls FILE       write the host's call log\n"
    "  --screenshot FILE.png  save a picture of the editor once it is up, then close it with OK\n"
    "  --dump-flare           print the flare after the editor closes\n"
    "  --data DIR             the working directory (default: demo beside the program)\n"
    "  --plugin DLL           the plug-in to load (default lensflare_ui.dll)\n"
    "  --render FILE.png      render the flare without the editor\n"
    "  --size WxH             the size of --render (default 640x480)\n"
    "  --at X,Y               the light in --render, in pixels, y up from the bottom\n"
    "                         (default a quarter of the width and of the height)\n"
    "  --help                 print this and exit\n";

/* The options whose value is kept as it is given. */
const struct {
    const char *name;
    std::string Options::*field;
} kTextOptions[] = {
    {"--light", &Options::light},           {"--effect", &Options::effect},
    {"--log-calls", &Options::logCalls},    {"--screenshot", &Options::screenshot},
    {"--data", &Options::dataDir},          {"--plugin", &Options::plugin},
    {"--render", &Options::render},
};

/* The field of the text option named arg, or null for any other. */
std::string Options::*TextOption(const std::string &arg)
{
    for (const auto &option : kTextOptions)
        if (arg == option.name)
            return option.field;
    return nullptr;
}

/* Unknown or malformed options stop the program with status 2. */
bool ParseOptions(int argc, char **argv, Options *o)
{
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        std::string Options::*text = TextOption(arg);
        if (text && hasValue)
            o->*text = argv[++i];
        else if (arg == "--help" || arg == "-h")
            o->help = true;
        else if (arg == "--dump-flare")
            o->dumpFlare = true;
        else if (arg == "--size" && hasValue) {
            char extra;
            if (std::sscanf(argv[++i], "%dx%d%c", &o->width, &o->height, &extra) != 2 ||
                o->width < 1 || o->height < 1 || o->width > 16384 || o->height > 16384) {
                std::fprintf(stderr, "flarehost: --size wants WxH, 1 to 16384 each, not '%s'\n",
                             argv[i]);
                return false;
            }
        } else if (arg == "--at" && hasValue) {
            char extra;
            if (std::sscanf(argv[++i], "%d,%d%c", &o->atX, &o->atY, &extra) != 2) {
                std::fprintf(stderr, "flarehost: --at wants X,Y in pixels, not '%s'\n", argv[i]);
                return false;
            }
            o->atGiven = true;
        } else {
            std::fprintf(stderr, "flarehost: unknown or incomplete option '%s'\n", arg.c_str());
            return false;
        }
    }
    return true;
}

/* The demo data folder: --data, else "demo" beside the executable. */
std::string DataFolder(const Options &o)
{
    if (!o.dataDir.empty())
        return o.dataDir;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    return dir + "\\demo";
}

/* The screenshot is taken once the editor's modal loop first goes idle.
 * The loop shows the dialog at that moment, so everything is painted
 * first. */
struct ScreenshotJob {
    std::string path;
    bool done = false;
    bool written = false;
};
ScreenshotJob g_screenshot;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && !g_screenshot.path.empty() &&
        !g_screenshot.done) {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        char caption[64] = "";
        GetWindowTextA(dialog, caption, sizeof caption);
        if (std::strcmp(caption, "Lens Flare Editor") == 0) {
            g_screenshot.done = true;
            RedrawWindow(dialog, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Capture picture;
            g_screenshot.written = CaptureWindow(dialog, false, &picture) &&
                                   WritePng(picture, g_screenshot.path.c_str());
            HWND ok = GetDlgItem(dialog, IDOK);
            SetFocus(ok);
            PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "FlareHostMain";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    return CreateWindowA("FlareHostMain", "flarehost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
}

/* --render: the flare drawn straight into a G-buffer and saved. */
int RenderWithoutEditor(const Options &o)
{
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(o.width, o.height, o.height, 0);
    if (!buffer) {
        std::fprintf(stderr, "flarehost: no G-buffer of %d x %d\n", o.width, o.height);
        return 1;
    }
    int x = o.atGiven ? o.atX : o.width / 4, y = o.atGiven ? o.atY : o.height / 4;
    int status = Ki_LensFlareApplyToGBuffer(buffer, Ki_Inquire_Token("light"), o.light.c_str(), x,
                                            y, nullptr);
    bool written = status == 0 && WriteGBufferPng(buffer, o.render.c_str());
    Ki_Free_Global_GBuffer(buffer);
    if (!written) {
        std::fprintf(stderr, "flarehost: could not render to %s\n", o.render.c_str());
        return 1;
    }
    std::printf("flarehost: rendered %d x %d with the light at (%d, %d) to %s\n", o.width,
                o.height, x, y, o.render.c_str());
    return 0;
}

/* An effect replaces the light's elements, as loading one in the editor
 * does: the file's elements are appended to what is left. */
bool LoadEffect(const std::string &light, const std::string &file)
{
    KaToken owner = Ki_Inquire_Token("light");
    int32_t count = 0;
    Ki_Inquire_LensFlare(owner, light.c_str(), Ki_Inquire_Token("numelements"), &count, 1, 0);
    for (int32_t i = 0; i < count; i++) {
        int32_t first = 0;
        const char *guid = nullptr;
        Ki_Inquire_LensFlare(owner, light.c_str(), Ki_Inquire_Token("element"), &first,
                             Ki_Inquire_Token("guid"), &guid, 1, 0);
        if (guid)
            Ki_LensFlare(owner, light.c_str(), Ki_Inquire_Token("delete"), guid, 0);
    }
    int32_t status = -1;
    Ki_LensFlare(owner, light.c_str(), Ki_Inquire_Token("loadfromfile"), file.c_str(), &status, 0);
    return status == 0;
}

/* A demo folder below data (the effect library's, the gradient
 * requestors') gets the host's demo files the first time. */
void ProvideDemoFiles(const std::string &data, const char *name, int (*write)(const char *),
                      const char *what)
{
    std::string folder = data + "\\" + name;
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    int written = write(folder.c_str());
    std::printf("flarehost: wrote %d demo %s to %s\n", written, what, folder.c_str());
}

/* The data folder as the working directory, the call log, the demo files
 * and the light with its effect; false after saying why. */
bool PrepareHost(const Options &options, const std::string &data)
{
    CreateDirectoryA(data.c_str(), nullptr);
    Kh_Set_Environment("KA_WORKING_DIR", data.c_str());
    SetCurrentDirectoryA(data.c_str());
    if (!options.logCalls.empty() && Kh_Set_Call_Log(options.logCalls.c_str(), 0) != 0) {
        std::fprintf(stderr, "flarehost: cannot write the call log %s\n", options.logCalls.c_str());
        return false;
    }
    ProvideDemoFiles(data, "lensfx", Kh_Write_Demo_Effects, "effects");
    ProvideDemoFiles(data, "colormap", Kh_Write_Demo_Gradients, "gradients");
    Ki_Light(options.light.c_str(), Ki_Inquire_Token("model"), Ki_Inquire_Token("point"), 1, 0);
    if (!options.effect.empty() && !LoadEffect(options.light, options.effect)) {
        std::fprintf(stderr, "flarehost: cannot load the effect %s\n", options.effect.c_str());
        return false;
    }
    return true;
}

/* The plug-in loaded, its editor run on the light and the plug-in let go;
 * false when it could not be loaded. */
bool EditWithPlugin(const Options &options, DemoHostServices *services)
{
    LoadedPlugin plugin;
    std::string error;
    if (!LoadPlugin(options.plugin.c_str(), &plugin, &error)) {
        std::fprintf(stderr, "flarehost: %s\n", error.c_str());
        return false;
    }
    void *instance = CreatePluginInstance(&plugin, services, "flarehost");
    RunLensFlareEditor(&plugin, instance, services->mainWindow, "light", options.light.c_str());
    DestroyPluginInstance(&plugin, instance);
    UnloadPlugin(&plugin);
    return true;
}

/* What the run leaves: the screenshot's fate, the flare when asked, and
 * the host memory still held; 1 when any of them is wrong. */
int ReportAfterEditing(const Options &options)
{
    int result = 0;
    if (!options.screenshot.empty()) {
        if (g_screenshot.written)
            std::printf("flarehost: saved the editor to %s\n", options.screenshot.c_str());
        else {
            std::fprintf(stderr, "flarehost: no screenshot written to %s\n",
                         options.screenshot.c_str());
            result = 1;
        }
    }
    if (options.dumpFlare) {
        int length = Kh_Describe_Flare(Ki_Inquire_Token("light"), options.light.c_str(), nullptr, 0);
        std::string text((size_t)(length > 0 ? length : 0) + 1, '\0');
        Kh_Describe_Flare(Ki_Inquire_Token("light"), options.light.c_str(), &text[0],
                          (int)text.size());
        std::fputs(text.c_str(), stdout);
    }
    Ki_Remove(Ki_Inquire_Token("light"), options.light.c_str(), 0);
    int64_t blocks = 0, bytes = 0;
    Kh_Memory_Stats(&blocks, &bytes);
    std::printf("flarehost: host memory still allocated: %lld blocks, %lld bytes\n",
                (long long)blocks, (long long)bytes);
    return blocks != 0 ? 1 : result;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::string data = DataFolder(options);
    if (!PrepareHost(options, data))
        return 1;
    if (!options.render.empty()) {
        int rendered = RenderWithoutEditor(options);
        Ki_Remove(Ki_Inquire_Token("light"), options.light.c_str(), 0);
        return rendered;
    }
    DemoHostServices services(data);
    services.mainWindow = CreateMainWindow(GetModuleHandleA(nullptr));
    g_screenshot.path = options.screenshot;
    if (!EditWithPlugin(options, &services))
        return 1;
    int result = ReportAfterEditing(options);
    DestroyWindow(services.mainWindow);
    return result;
}
