// Lens effect files and the file requestors: the common dialogs driven as
// a user does (file name field and OK or Cancel), the reference host's
// files and elements as the oracle.
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <windows.h>

#include "controls/controls.h"
#include "editor/editor.h"
#include "element_fixture.h"
#include "entry/plugin.h"
#include "library/library.h"
#include "preview_fixture.h"
#include "refhost_api.h"
#include "ui_driver.h"

TEST(FileRequestor, TheStartNameGivesTheInitialFolderAndTheFileNameField)
{
    HostSession host;
    CreateDirectoryA(host.Path("fx").c_str(), nullptr);
    CreateDirectoryA(host.Path("sub").c_str(), nullptr);
    /* The save requestor run from the start name and cancelled. */
    auto expectShown = [](const std::string &start, const std::string &folder, const char *name) {
        SCOPED_TRACE("from \"" + start + "\"");
        ui::Driver driver;
        driver.Then([&](HWND dialog) {
            EXPECT_EQ(ui::Lower(ui::FolderShown(dialog)), ui::Lower(folder));
            EXPECT_EQ(ui::FileNameShown(dialog), name);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        char shown[FILE_NAME_SIZE], filter[] = "Lens Effect Files (*.LNZ)|*.lnz|";
        std::snprintf(shown, sizeof shown, "%s", start.c_str());
        EXPECT_EQ(RunFileRequestor(ui::TestOwnerWindow(), 0, "lensfx", filter, "t", shown, 0,
                                   nullptr, nullptr, GetModuleHandleA(nullptr)),
                  0);
        EXPECT_EQ(shown, start) << "a cancel leaves the name alone";
    };
    expectShown(host.Path("fx\\glow.lnz"), host.Path("fx"), "glow.lnz");
    expectShown("sub\\glow.lnz", host.Path("sub"), "glow.lnz");
    expectShown("", host.dir, "");   /* no lensfx folder yet */
    Kh_Set_Environment("KA_WORKING_DIR", (host.dir + "\\").c_str());
    expectShown("sub/glow.lnz", host.Path("sub"), "glow.lnz");
    Kh_Set_Environment("KA_WORKING_DIR", host.dir.c_str());
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    expectShown("", host.Path("lensfx"), "");

    SCOPED_TRACE("without a working directory");
    char out[FILE_NAME_SIZE];
    Kh_Set_Environment("KA_WORKING_DIR", "");
    DefaultRequestorFolder(nullptr, out);
    EXPECT_STREQ(out, "\\");
    Kh_Set_Environment("KA_WORKING_DIR", nullptr);
    DefaultRequestorFolder("lensfx", out);
    EXPECT_STREQ(out, "lensfx");
}

TEST(FileRequestor, TheLensEffectRequestorDropsItsFolderPrefixLowerCasesAndWantsLnz)
{
    HostSession host;
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    CreateDirectoryA(host.Path("sub").c_str(), nullptr);
    std::ofstream(host.Path("lensfx\\GLOW.LNZ"));
    std::ofstream(host.Path("notes.txt"));
    HINSTANCE module = GetModuleHandleA(nullptr);
    char result[FILE_NAME_SIZE] = "unchanged";

    ui::Driver driver;
    driver.When("t", [&](HWND dialog) {
        EXPECT_EQ(ui::Lower(ui::FolderShown(dialog)), ui::Lower(host.Path("sub")))
            << "lensfx/ dropped";
        EXPECT_EQ(ui::FileNameShown(dialog), "glow.lnz");
        ui::ChooseFile(dialog, host.Path("LENSFX\\GLOW.LNZ"));
    });
    ASSERT_EQ(RequestLensEffectFile(ui::TestOwnerWindow(), nullptr, "t", "lensfx/sub\\glow.lnz",
                                    result, module),
              1);
    EXPECT_EQ(std::string(result), ui::Lower(host.Path("lensfx\\GLOW.LNZ")));

    driver.When("t", [&](HWND dialog) { ui::ChooseFile(dialog, host.Path("notes.txt")); });
    std::snprintf(result, sizeof result, "unchanged");
    EXPECT_EQ(RequestLensEffectFile(ui::TestOwnerWindow(), nullptr, "t", nullptr, result, module),
              0);
    EXPECT_STREQ(result, "unchanged");
    EXPECT_EQ(driver.Seen(), std::vector<std::string>{"Filename Error|The filename does not have the "
                                                      "file extensions of .lnz (lens effect file)."});

    int32_t tempLight = 1;
    Ki_Handle_Name_Exists("Kalvos___TempLensFlareLight", &tempLight, fx::T("light"), 0);
    EXPECT_EQ(tempLight, 0) << "the preview light goes with the requestor";
}

TEST(LibraryFiles, LoadDeletesTheOldElementsFirstAndSaveAddsTheExtensionAsksBeforeReplacingAndKeepsABackup)
{
    HostSession host;
    CreateDirectoryA(host.Path("lensfx").c_str(), nullptr);
    std::string pair = host.Path("lensfx\\pair.lnz");
    fx::SetFlareTypes(host, {"ring", "glow"});
    ASSERT_EQ(fx::SaveFlare(host, pair), 0);
    fx::SetFlareTypes(host, {"glow", "glow", "glow"});
    std::ofstream(host.Path("old.lnz"));
    ui::Driver driver;
    driver.AnswerBoxesWith({IDNO, IDYES});
    driver.Then([&](HWND dialog) {
        host.ClearLog();
        ui::PostClick(dialog, IDC_LIBRARY_LOAD);
    });
    driver.When(fx::kLoadTitle, [&](HWND dialog) {
        EXPECT_EQ(ui::Lower(ui::FolderShown(dialog)), ui::Lower(host.Path("lensfx")));
        ui::ChooseFile(dialog, pair);
    });
    driver.Then([&](HWND dialog) {
        EXPECT_EQ(fx::ListCount(dialog), 2);
        int firstRows = 0;
        for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            firstRows += GetDlgCtrlID(w) == IDC_PANEL_FIRST;
        EXPECT_LE(firstRows, 1) << "the old element's panel goes with it";
        ASSERT_NE(lastLibraryFile, nullptr);
        EXPECT_EQ(std::string(lastLibraryFile), ui::Lower(pair));
        std::vector<std::string> calls = host.Log("Ki_LensFlare light \"Light01\"");
        int load = fx::FirstLineWith(calls, "loadfromfile");
        ASSERT_GE(load, 0);
        calls.resize((size_t)load);
        EXPECT_EQ(fx::CountContaining(calls, " delete "), 3u) << "the old elements first";
        ui::PostClick(dialog, IDC_LIBRARY_SAVE);
    });
    driver.When(fx::kSaveTitle, [&](HWND dialog) { ui::ChooseFile(dialog, host.Path("saved")); });
    driver.Then([&](HWND dialog) {
        std::ofstream(host.Path("SAVED.BAK")) << "an older backup";
        ui::PostClick(dialog, IDC_LIBRARY_SAVE);
    });
    driver.When(fx::kSaveTitle, [&](HWND dialog) { ui::ChooseFile(dialog, host.Path("old.lnz")); });
    driver.When(fx::kSaveTitle, [&](HWND dialog) {
        EXPECT_EQ(ui::FileNameShown(dialog), "saved.lnz") << "IDNO reopens at the last saved file";
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    host.Edit(driver, [](HWND) {});

    EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"ring", "glow"}));
    ASSERT_EQ(driver.Boxes().size(), 2u);
    EXPECT_EQ(driver.Seen()[0], "Info Request|" + host.Path("old.lnz") +
                                    "\nThis file already exists.\n\nReplace existing file?");
    EXPECT_EQ(ReadBytes(host.Path("SAVED.BAK")), ReadBytes(host.Path("saved.lnz")))
        << "the backup is the file just replaced, not an older one";
    EXPECT_FALSE(Exists(host.Path("OLD.BAK")));
}

/* A radius typed as 1e-40, a float too small to be a normal one, goes
 * through Library Save and Library Load to the same bits, and the flare
 * keeps its elements. */
TEST(LibraryFiles, ATypedSubnormalRadiusSurvivesLibrarySaveAndLoad)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    const std::string path = host.Path("tiny.lnz");
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        fx::SelectLine(dialog, 0);
        const ElementParameter *radius = host.instance->currentElement->firstParameter;
        ASSERT_NE(radius, nullptr);
        ASSERT_NE(radius->slider, nullptr);
        SetWindowTextA(radius->slider->edit, "1e-40");
        ui::PostClick(dialog, IDC_LIBRARY_SAVE);
    });
    driver.When(fx::kSaveTitle, [&](HWND dialog) { ui::ChooseFile(dialog, path); });
    driver.Then([&](HWND dialog) { ui::PostClick(dialog, IDC_LIBRARY_LOAD); });
    driver.When(fx::kLoadTitle, [&](HWND dialog) { ui::ChooseFile(dialog, path); });
    host.Edit(driver, [](HWND) {});

    EXPECT_EQ(driver.Seen(), std::vector<std::string>{}) << "no box";
    EXPECT_NE(ReadBytes(path).find("value radius 9.9999461e-41\n"), std::string::npos);
    EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"glow", "ring"}));
    const float tiny = 1e-40f, loaded = fx::HostValue(host, 0, 0)[0];
    EXPECT_EQ(std::memcmp(&loaded, &tiny, sizeof tiny), 0) << loaded;
}

TEST(FileRequestor, ThePreviewPlacesTheLightByTheFilesElementsAndShowsWhyAFileDoesNotLoad)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    ASSERT_EQ(fx::SaveFlare(host, host.Path("good.lnz")), 0);
    fx::SetFlareTypes(host, {"glow", "rngflx"});
    ASSERT_EQ(fx::SaveFlare(host, host.Path("reflex.lnz")), 0);
    std::string alien = ReadBytes(host.Path("good.lnz"));
    alien.replace(alien.find("element glow\n"), 13, "element alien\n");
    std::ofstream(host.Path("alien.lnz"), std::ios::binary) << alien;
    std::ofstream(host.Path("notes.lnz"), std::ios::binary) << "shopping list\n";

    /* Light position of the preview render of each file, from the call log. */
    std::vector<preview_test::Point> placed;
    int width = 0, height = 0;
    struct Shown {
        std::string reason;
        int16_t rendered;
        Capture pixels;
    };
    std::vector<Shown> shown;
    ui::Driver driver;
    driver.When("t", [&](HWND dialog) {
        HWND hook = ui::HookDialog(dialog, IDC_LIBRARY_PREVIEW);
        ASSERT_NE(hook, nullptr);
        ASSERT_TRUE(requestorPreview.valid);
        width = requestorPreview.header->biWidth;
        height = requestorPreview.header->biHeight;
        for (const char *file : {"good.lnz", "reflex.lnz"}) {   /* in the folder shown */
            host.ClearLog();
            ui::TypeFileName(dialog, file);
            PreviewLensEffectFile(hook, &requestorPreview, 1);
            std::vector<preview_test::Point> at =
                preview_test::RenderPositions(host, "Kalvos___TempLensFlareLight");
            ASSERT_EQ(at.size(), 1u);
            placed.push_back(at[0]);
        }
        for (const char *file : {"notes.lnz", "good.lnz", "notes.lnz", "good.lnz", "alien.lnz",
                                 "good.lnz", "gone.lnz"}) {
            ui::TypeFileName(dialog, file);
            ui::NotifySelectionChange(hook);
            HWND item = GetDlgItem(hook, IDC_LIBRARY_PREVIEW);
            shown.push_back({ui::Text(item), requestorPreview.rendered, ui::Pixels(item)});
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    char result[FILE_NAME_SIZE] = "";
    EXPECT_EQ(RequestLensEffectFile(ui::TestOwnerWindow(), nullptr, "t", nullptr, result,
                                    GetModuleHandleA(nullptr)),
              0);
    ASSERT_EQ(placed.size(), 2u);
    float w = (float)width, h = (float)height;   /* single precision, y counts upward */
    EXPECT_EQ(placed[0], (preview_test::Point{(int)(w / 2), (int)(h - h / 2)})) << "no reflex: centre";
    EXPECT_EQ(placed[1], (preview_test::Point{(int)(w / 4), (int)(h - h / 4)}));

    ASSERT_EQ(shown.size(), 7u);
    const char *reasons[] = {"Not a lens effect file", "", "Not a lens effect file", "",
                             "Unknown element type", "", "File not found"};
    for (size_t i = 0; i < shown.size(); i++) {
        EXPECT_EQ(shown[i].reason, reasons[i]) << i;
        EXPECT_EQ(shown[i].rendered, reasons[i][0] ? 0 : 1) << i;
    }
    EXPECT_NE(shown[1].pixels.rgb, shown[0].pixels.rgb) << "the flare is drawn";
    EXPECT_EQ(shown[2].pixels.rgb, shown[0].pixels.rgb) << "no trace of the flare shown before";
    EXPECT_EQ(shown[3].pixels.rgb, shown[1].pixels.rgb);
    EXPECT_NE(shown[4].pixels.rgb, shown[1].pixels.rgb);
    EXPECT_NE(shown[6].pixels.rgb, shown[1].pixels.rgb);
    EXPECT_NE(shown[6].pixels.rgb, shown[0].pixels.rgb) << "each reason is written in the preview";
}
