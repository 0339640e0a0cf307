// The effect browser, opened from the real editor's system menu and driven
// with real messages: the tiles' pixels against the host's own rendering of
// each file, the filter and keys, a bad file, Apply against a Library Load
// of the same file (the host's saved text and calls), the kept pictures
// and what fifty openings leave behind.
#include <fstream>
#include <gtest/gtest.h>
#include <windows.h>

#include "editor/editor.h"
#include "editor/effect_browser.h"
#include "editor/undo.h"
#include "host/kalvos_io.h"
#include "element_fixture.h"
#include "preview/preview.h"
#include "refhost_api.h"
#include "ui_driver.h"

namespace {

const char kBrowserTitle[] = "Effect Browser";
const char kOracleLight[] = "OracleLight";

struct LibraryFile {
    const char *name;                 /* below lensfx */
    std::vector<const char *> types;  /* empty: a file that is no lens effect */
};

/* Writes each file with the host's own "savetofile", then gives the light
 * back the flare it had. */
void MakeLibrary(HostSession &host, const std::vector<LibraryFile> &files)
{
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    const std::string opening = host.Path("opening.lnz");
    ASSERT_EQ(fx::SaveFlare(host, opening), 0);
    for (const LibraryFile &f : files) {
        std::string path = host.Path((std::string("lensfx\\") + f.name).c_str());
        if (f.types.empty()) {
            std::ofstream(path) << "not a lens effect\n";
            continue;
        }
        fx::SetFlareTypes(host, f.types);
        ASSERT_EQ(fx::SaveFlare(host, path), 0) << path;
    }
    fx::SetFlareTypes(host, {});
    int32_t status = -1;
    Ki_LensFlare(T("light"), host.light.c_str(), T("loadfromfile"), opening.c_str(), &status, 0);
    ASSERT_EQ(status, 0);
    DeleteFileA(opening.c_str());
    host.ClearLog();
}

std::string Status(HWND browser)
{
    return ui::ItemText(browser, IDC_BROWSER_STATUS);
}

/* Runs the drawing slices until the status has nothing left to draw; the
 * first slice draws the selected file's large picture. */
void DrawAll(HWND browser)
{
    SendMessageA(browser, WM_TIMER, IDT_BROWSER_SLICE, 0);
    for (int i = 0; i < 5000 && Status(browser).find("to draw") != std::string::npos; i++)
        SendMessageA(browser, WM_TIMER, IDT_BROWSER_SLICE, 0);
    ASSERT_EQ(Status(browser).find("to draw"), std::string::npos) << Status(browser);
}

HWND Grid(HWND browser)
{
    return GetDlgItem(browser, IDC_BROWSER_GRID);
}

int Selected(HWND browser)
{
    return (int)SendMessageA(Grid(browser), GM_GETSELECTION, 0, 0);
}

/* The file as the host itself renders it on a light of the test's own, a
 * width x height buffer with the light at (x, y): 24-bit pixels as the
 * preview shows them (the low byte of trunc(channel x 255)), top row first. */
std::vector<COLORREF> HostRendering(const std::string &path, int width, int height, int x, int y)
{
    int32_t exists = 0;
    Ki_Handle_Name_Exists(kOracleLight, &exists, T("light"), 0);
    if (exists)
        Ki_Remove(T("light"), kOracleLight, 0);
    Ki_Light(kOracleLight, T("model"), T("point"), 1, 0);
    int32_t count = 0;
    Ki_Inquire_LensFlare(T("light"), kOracleLight, T("numelements"), &count, 0);
    for (int32_t e = count - 1; e >= 0; e--) {
        const char *guid = nullptr;
        Ki_Inquire_LensFlare(T("light"), kOracleLight, T("element"), &e, T("guid"), &guid, 1, 0);
        Ki_LensFlare(T("light"), kOracleLight, T("delete"), guid, 0);
    }
    int32_t status = -1;
    Ki_LensFlare(T("light"), kOracleLight, T("loadfromfile"), path.c_str(), &status, 0);
    EXPECT_EQ(status, 0) << path;
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    for (int i = 0; i < width * height; i++) {
        buffer->red[i] = buffer->green[i] = buffer->blue[i] = 0.0f;
        buffer->coverage[i] = 1.0f;
    }
    Ki_LensFlareApplyToGBuffer(buffer, T("light"), kOracleLight, x, y, nullptr);
    std::vector<COLORREF> pixels((size_t)width * height);
    auto byte = [](float v) { return (BYTE)(int)((double)v * 255.0); };
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++) {
            int i = (height - 1 - row) * width + col;
            pixels[(size_t)row * width + col] =
                RGB(byte(buffer->red[i]), byte(buffer->green[i]), byte(buffer->blue[i]));
        }
    Ki_Free_Global_GBuffer(buffer);
    Ki_Remove(T("light"), kOracleLight, 0);
    return pixels;
}

/* Pixels of the capture inside r that differ from the expected image. */
int Differences(const Capture &shown, const RECT &r, const std::vector<COLORREF> &expected)
{
    int width = r.right - r.left, differ = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            differ += shown.Pixel(x, y) != expected[(size_t)(y - r.top) * width + (x - r.left)];
    return differ;
}

int CountInside(const Capture &shown, const RECT &r, COLORREF colour)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            n += shown.Pixel(x, y) == colour;
    return n;
}

RECT TileRect(HWND browser, int tile)
{
    RECT r = {};
    SendMessageA(Grid(browser), GM_GETTILERECT, (WPARAM)tile, reinterpret_cast<LPARAM>(&r));
    return r;
}

/* The editor's system menu command, posted: the browser's own loop runs
 * the steps that follow. */
void OpenBrowser(HWND editor)
{
    PostMessageA(editor, WM_SYSCOMMAND, IDM_BROWSE_EFFECTS, 0);
}

void CloseBrowser(HWND browser)
{
    PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
}

void HoldControl(bool held)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

void TypeFilter(HWND browser, const char *text)
{
    SetDlgItemTextA(browser, IDC_BROWSER_FILTER, text);
}

} // namespace

TEST(EffectBrowser, EveryFileIsATileOfTheHostsRenderingAndABadFileIsCrossedAndRefused)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "glow", "glow"});
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    CreateDirectoryA(host.Path("lensfx\\sub").c_str(), nullptr);
    MakeLibrary(host, {{"bad.lnz", {}}, {"pair.lnz", {"ring", "glow"}}, {"sub\\deep.lnz", {"halo"}},
                       {"streak.lnz", {"glow", "streak"}}});
    const std::string opening = fx::SavedFlare(host);
    ui::Driver driver;
    driver.Then([](HWND editor) {
        EXPECT_EQ(fx::SystemMenuItem(editor, IDM_BROWSE_EFFECTS).text, "Browse Effects...\tCtrl+B");
        OpenBrowser(editor);
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        EXPECT_EQ(Status(browser), "4 effects");
        int32_t range[2] = {-1, -1};
        SendMessageA(Grid(browser), GM_GETVISIBLE, 0, reinterpret_cast<LPARAM>(range));
        EXPECT_EQ(range[0], 0);
        EXPECT_EQ(range[1], 3) << "every tile in view";
        Capture shown = ui::PrintClient(Grid(browser));
        /* Sorted by path: bad, pair, streak, sub\deep. */
        const char *files[] = {"pair.lnz", "streak.lnz", "sub\\deep.lnz"};
        int width = editorPreview.header->biWidth, height = editorPreview.header->biHeight;
        for (int i = 0; i < 3; i++) {
            SCOPED_TRACE(files[i]);
            std::vector<COLORREF> expected =
                HostRendering(host.Path((std::string("lensfx\\") + files[i]).c_str()),
                              THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, flareX * THUMBNAIL_WIDTH / width,
                              flareY * THUMBNAIL_HEIGHT / height);
            EXPECT_EQ(Differences(shown, TileRect(browser, i + 1), expected), 0);
            EXPECT_GT(THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT - CountInside(shown, TileRect(browser, i + 1), 0),
                      100) << "a flare, not an empty tile";
        }
        EXPECT_GT(CountInside(shown, TileRect(browser, 0), RGB(220, 40, 40)), 300) << "crossed";

        SendMessageA(Grid(browser), GM_MOVESELECTION, VK_RIGHT, 0);
        DrawAll(browser);
        std::vector<COLORREF> large = HostRendering(host.Path("lensfx\\pair.lnz"), width,
                                                    height, flareX, flareY);
        HWND picture = GetDlgItem(browser, IDC_BROWSER_PICTURE);
        RECT whole = {0, 0, width - 1, height - 1};   /* the control clips the extra pixel */
        std::vector<COLORREF> clipped;
        for (int y = 0; y < height - 1; y++)
            for (int x = 0; x < width - 1; x++)
                clipped.push_back(large[(size_t)y * width + x]);
        EXPECT_EQ(Differences(ui::Pixels(picture), whole, clipped), 0) << "the preview's size and light";

        SendMessageA(Grid(browser), GM_SETSELECTION, 0, 0);
        SendMessageA(browser, WM_COMMAND, MAKEWPARAM(IDC_BROWSER_GRID, GRIDN_SELCHANGE), 0);
        EXPECT_NE(ui::ItemText(browser, IDC_BROWSER_NAME).find("Not a lens effect file"),
                  std::string::npos);
        EXPECT_FALSE(ui::IsEnabled(browser, IDC_BROWSER_APPLY));
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_RETURN);
    });
    driver.Then([&](HWND browser) {
        EXPECT_EQ(fx::SavedFlare(host), opening) << "a bad file is refused";
        EXPECT_EQ(lastLibraryFile, nullptr);
        CloseBrowser(browser);
    });
    driver.Then([&](HWND editor) {
        EXPECT_TRUE(IsWindowEnabled(editor));
        EXPECT_EQ(fx::ListCount(editor), 3);
    });
    host.Edit(driver, [](HWND) {});
    int32_t tempLight = 1;
    Ki_Handle_Name_Exists("Kalvos___TempLensFlareLight", &tempLight, T("light"), 0);
    EXPECT_EQ(tempLight, 0) << "the temporary light goes with the browser";
}

TEST(EffectBrowser, TheFilterNarrowsAtOnceWithoutCaseAndArrowsMoveEnterAppliesEscapeCloses)
{
    HostSession host;
    MakeLibrary(host, {{"Alpha.lnz", {"glow"}}, {"alphabet.lnz", {"ring"}},
                       {"beta.lnz", {"halo"}}, {"gamma.lnz", {"streak"}}});
    ui::Driver driver;
    driver.Then(OpenBrowser);
    driver.When(kBrowserTitle, [&](HWND browser) {
        EXPECT_EQ(GetFocus(), GetDlgItem(browser, IDC_BROWSER_FILTER)) << "typing goes to the filter";
        TypeFilter(browser, "ALPHA");
        EXPECT_EQ(Status(browser).substr(0, 14), "2 of 4 effects");
        EXPECT_EQ(ui::ItemText(browser, IDC_BROWSER_NAME), host.Path("lensfx\\Alpha.lnz"));
        TypeFilter(browser, "zeta");
        EXPECT_EQ(Status(browser).substr(0, 14), "0 of 4 effects");
        EXPECT_EQ(Selected(browser), -1);
        EXPECT_FALSE(ui::IsEnabled(browser, IDC_BROWSER_APPLY));
        TypeFilter(browser, "");
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_RIGHT);
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_RIGHT);
    });
    driver.Then([&](HWND browser) {
        EXPECT_EQ(Selected(browser), 2);
        EXPECT_EQ(ui::ItemText(browser, IDC_BROWSER_NAME), host.Path("lensfx\\beta.lnz"));
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_LEFT);
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_UP);
    });
    driver.Then([&](HWND browser) {
        EXPECT_EQ(Selected(browser), 1) << "up from the first row stays";
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_RETURN);
    });
    driver.Then([&](HWND browser) {
        EXPECT_EQ(fx::ElementNames(host), std::vector<std::string>{"ring"}) << "Enter applied alphabet";
        EXPECT_TRUE(IsWindow(browser)) << "the browser stays open";
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), VK_ESCAPE);
    });
    driver.Then([&](HWND editor) {
        EXPECT_EQ(FindWindowA(nullptr, kBrowserTitle), nullptr);
        EXPECT_EQ(fx::ListCount(editor), 1) << "the editor shows the applied flare";
        /* Ctrl+B from wherever the focus is: here a global slider's box. */
        HoldControl(true);
        HWND box = GetDlgItem(editor, IDC_RANDOM_SEED);
        SetFocus(box);
        ui::Key(box, 'B');
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        HoldControl(false);
        EXPECT_EQ(Selected(browser), 1) << "opens on the last library file";
        CloseBrowser(browser);
    });
    host.Edit(driver, [](HWND) {});
}

/* The calls on the edited light, in order, without inquiries, each
 * element's guid as "{guid}": what a load asks of the host. */
std::vector<std::string> LoadCalls(const HostSession &host)
{
    std::vector<std::string> calls;
    for (std::string line : host.Log()) {
        if (line.find("\"" + host.light + "\"") == std::string::npos ||
            line.find("Inquire") != std::string::npos)
            continue;
        size_t open = line.find('{'), close = line.find('}');
        if (open != std::string::npos && close != std::string::npos)
            line.replace(open, close - open + 1, "{guid}");
        calls.push_back(line);
    }
    return calls;
}

TEST(EffectBrowser, ApplyIsOneUndoStepThatLoadsAsLibraryLoadDoesAndCloseChangesNothing)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    MakeLibrary(host, {{"pair.lnz", {"halo", "glow", "streak"}}});
    const std::string opening = fx::SavedFlare(host);
    const std::string pair = host.Path("lensfx\\pair.lnz");
    std::string applied, appliedLast;
    std::vector<std::string> appliedCalls;
    ui::Driver driver;
    driver.Then([&](HWND editor) {
        OpenBrowser(editor);
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        CloseBrowser(browser);
    });
    driver.Then([&](HWND editor) {
        EXPECT_EQ(fx::SavedFlare(host), opening) << "browsing and closing change nothing";
        EXPECT_TRUE(fx::SystemMenuItem(editor, IDM_SYSTEM_UNDO).grey);
        OpenBrowser(editor);
    });
    /* Each step is queued at this level: a step queued from inside a
     * running one would come after the editor's closing step. */
    driver.When(kBrowserTitle, [&](HWND browser) {
        host.ClearLog();
        RECT tile = TileRect(browser, 0);
        PostMessageA(Grid(browser), WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM(tile.left + 10, tile.top + 10));
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        HWND editor = GetWindow(browser, GW_OWNER);
        appliedCalls = LoadCalls(host);
        applied = fx::SavedFlare(host);
        appliedLast = lastLibraryFile ? lastLibraryFile : "";
        EXPECT_EQ(fx::ListCount(editor), 3) << "the editor shows the new flare";
        EXPECT_EQ(fx::SystemMenuItem(editor, IDM_SYSTEM_UNDO).text, "Undo Apply pair.lnz\tCtrl+Z");
        /* Ctrl+Z and Ctrl+Y typed in the browser are the editor's. */
        HoldControl(true);
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), 'Z');
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        HWND editor = GetWindow(browser, GW_OWNER);
        EXPECT_EQ(fx::SavedFlare(host), opening) << "Ctrl+Z in the browser undoes the Apply";
        EXPECT_EQ(fx::ListCount(editor), 2);
        ui::Key(GetDlgItem(browser, IDC_BROWSER_FILTER), 'Y');
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        HoldControl(false);
        EXPECT_EQ(fx::SavedFlare(host), applied) << "Ctrl+Y in the browser redoes it";
        CloseBrowser(browser);
    });
    driver.Then([&](HWND editor) {
        EXPECT_EQ(fx::SavedFlare(host), applied) << "closing keeps what was applied";
        SendMessageA(editor, WM_SYSCOMMAND, IDM_SYSTEM_UNDO, 0);
        EXPECT_EQ(fx::SavedFlare(host), opening);
        EXPECT_TRUE(fx::SystemMenuItem(editor, IDM_SYSTEM_UNDO).grey) << "one step";
        SendMessageA(editor, WM_SYSCOMMAND, IDM_SYSTEM_REDO, 0);
        EXPECT_EQ(fx::SavedFlare(host), applied);
    });
    host.Edit(driver, [](HWND) {});
    ASSERT_NE(applied, opening);

    fx::SetFlareTypes(host, {"glow", "ring"});
    ASSERT_EQ(fx::SavedFlare(host), opening);
    driver.Then([&](HWND editor) {
        host.ClearLog();
        ui::PostClick(editor, IDC_LIBRARY_LOAD);
    });
    driver.When(fx::kLoadTitle, [&](HWND dialog) { ui::ChooseFile(dialog, pair); });
    driver.Then([&](HWND) {
        EXPECT_EQ(LoadCalls(host), appliedCalls) << "the same host calls in the same order";
        EXPECT_EQ(fx::SavedFlare(host), applied);
        EXPECT_EQ(lastLibraryFile ? lastLibraryFile : "", appliedLast);
    });
    host.Edit(driver, [](HWND) {});
    EXPECT_EQ(appliedLast, ui::Lower(pair));
}

TEST(EffectBrowser, PicturesAreKeptBetweenOpeningsAndDrawnAgainOnlyForAChangedFile)
{
    HostSession host;
    MakeLibrary(host, {{"a.lnz", {"glow"}}, {"b.lnz", {"ring"}}, {"c.lnz", {"halo"}}});
    auto tempLoads = [&] {
        return fx::CountContaining(host.Log("Ki_LensFlare light \"Kalvos___TempLensFlareLight\""),
                                   "loadfromfile");
    };
    ui::Driver driver;
    driver.Then(OpenBrowser);
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        CloseBrowser(browser);
    });
    driver.Then([&](HWND editor) {
        host.ClearLog();
        OpenBrowser(editor);
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        EXPECT_EQ(tempLoads(), 1u) << "only the large picture of the selection";
        CloseBrowser(browser);
    });
    driver.Then([&](HWND editor) {
        std::ofstream(host.Path("lensfx\\c.lnz"), std::ios::app) << "\n";
        host.ClearLog();
        OpenBrowser(editor);
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        EXPECT_EQ(tempLoads(), 2u) << "and the changed file";
        EXPECT_EQ(fx::FirstLineWith(host.Log(), "c.lnz") >= 0, true);
        CloseBrowser(browser);
    });
    host.Edit(driver, [](HWND) {});
}

TEST(EffectBrowser, FiftyOpeningsLeaveNoGdiObjectsAndNoHostBlocks)
{
    const int kOpenings = 50, kSettled = 5;
    HostSession host;
    MakeLibrary(host, {{"a.lnz", {"glow"}}, {"bad.lnz", {}}, {"c.lnz", {"halo", "ring"}}});
    int64_t blocksBefore = 0, blocksAfter = 0;
    int gdiBefore = -1, gdiAfter = -1;
    ui::Driver driver;
    for (int i = 0; i < kOpenings; i++) {
        driver.Then([&, i](HWND editor) {
            if (i == kSettled) {
                blocksBefore = LiveHostBlocks();
                gdiBefore = ui::CountGdiObjects();
            }
            OpenBrowser(editor);
        });
        driver.When(kBrowserTitle, [](HWND browser) {
            DrawAll(browser);
            TypeFilter(browser, "C");
            DrawAll(browser);
            ui::Pixels(browser);
            CloseBrowser(browser);
        });
    }
    driver.Then([&](HWND) {
        blocksAfter = LiveHostBlocks();
        gdiAfter = ui::CountGdiObjects();
    });
    host.Edit(driver, [](HWND) {});
    EXPECT_EQ(blocksAfter, blocksBefore);
    EXPECT_EQ(gdiAfter, gdiBefore);
}

TEST(EffectBrowser, AFolderThatCannotBeReadIsNamedInTheBrowser)
{
    HostSession host;
    MakeLibrary(host, {{"a.lnz", {"glow"}}});
    ui::Driver driver;
    driver.Then([&](HWND editor) {
        Import_IO_Copy_String(&lastLibraryFile, host.Path("gone\\old.lnz").c_str());
        OpenBrowser(editor);
    });
    driver.When(kBrowserTitle, [&](HWND browser) {
        DrawAll(browser);
        EXPECT_EQ(Status(browser), "1 effect.  Cannot read the folder " + host.Path("gone"));
        CloseBrowser(browser);
    });
    host.Edit(driver, [](HWND) {});
}

TEST(EffectGrid, TheScrollBarsArrowsMoveALineAndItsPagesAWindowWithinTheRows)
{
    // 30 tiles in two columns are 15 rows of 148 pixels, 2220 in all; a
    // window 200 high scrolls from 0 to 2020.  Hidden, nothing is drawn.
    RegisterEffectGridClass(moduleHandle);
    HWND parent = ui::TestParentWindow("EffectGridTestParent", DefWindowProcA, 500, 300);
    ASSERT_NE(parent, nullptr);
    HWND grid = CreateWindowA(EFFECT_GRID_CLASS, "", WS_CHILD | WS_VSCROLL, 0, 0, 400, 200, parent,
                              nullptr, moduleHandle, nullptr);
    ASSERT_NE(grid, nullptr);
    std::vector<EffectThumbnail *> tiles(30, nullptr);
    SendMessageA(grid, GM_SETTILES, tiles.size(), reinterpret_cast<LPARAM>(tiles.data()));
    const struct {
        int code, times, top;
    } steps[] = {{SB_LINEDOWN, 2, 48}, {SB_LINEUP, 1, 24},  {SB_PAGEDOWN, 1, 224},
                 {SB_PAGEUP, 1, 24},   {SB_PAGEUP, 1, 0},   {SB_LINEUP, 1, 0},
                 {SB_PAGEDOWN, 20, 2020}, {SB_LINEDOWN, 1, 2020}, {SB_ENDSCROLL, 1, 2020}};
    for (const auto &s : steps) {
        for (int i = 0; i < s.times; i++)
            SendMessageA(grid, WM_VSCROLL, MAKEWPARAM(s.code, 0), 0);
        EXPECT_EQ(GetScrollPos(grid, SB_VERT), s.top) << "code " << s.code << " x" << s.times;
    }
    DestroyWindow(parent);
}
