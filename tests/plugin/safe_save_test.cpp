// A Library Save that fails loses nothing: through the real editor and
// DLL, the host's write made to fail at each step (any machine) and onto a
// real full disk (a small tmpfs that CTest mounts when it runs as root),
// where Wine's C runtime hides the failed final flush from fclose.  The
// folder is the oracle: the old file's bytes and the names beside it.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <windows.h>

#include "element_fixture.h"
#include "host_errors.h"
#include "library/library.h"
#include "refhost_api.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

/* File names in a folder, lower case (Windows names compare so). */
std::vector<std::string> Listing(const std::string &folder)
{
    std::vector<std::string> names = ui::FileNames(folder, "*");
    for (std::string &name : names)
        name = ui::Lower(name);
    std::sort(names.begin(), names.end());
    return names;
}

/* The folder as the save found it. */
struct Before {
    std::string folder, target, bytes;
    std::vector<std::string> names;

    Before(const std::string &folderPath, const std::string &file)
        : folder(folderPath), target(folderPath + "\\" + file), bytes(ReadBytes(target)),
          names(Listing(folder))
    {
    }
    void ExpectUnchanged(const std::string &what) const
    {
        EXPECT_EQ(ReadBytes(target), bytes) << what << ": the old file";
        EXPECT_EQ(Listing(folder), names) << what << ": no backup or temporary file left";
    }
};

/* Library Saves in one editor session onto each file of folder, where
 * the host first saved kept.lnz, answering "replace" with yes; prepare
 * runs once that file is there, and arm(i) just before save i starts.
 * Each save must fail, show its File Write Error and leave the folder as
 * it was. */
void ExpectFailedLibrarySaves(HostSession &host, const std::string &folder,
                              const std::vector<std::string> &files, std::function<void()> prepare,
                              std::function<void(size_t)> arm)
{
    fx::SetFlareTypes(host, {"ring"});
    ASSERT_EQ(fx::SaveFlare(host, folder + "\\kept.lnz"), 0);
    fx::SetFlareTypes(host, {"glow", "glow"});
    prepare();
    std::vector<Before> before;
    ui::Driver driver;
    std::vector<int> answers;
    std::vector<std::string> expected;
    for (size_t i = 0; i < files.size(); i++) {
        std::string file = files[i], path = folder + "\\" + file;
        driver.Then([&before, &arm, folder, file, i](HWND dialog) {
            before.emplace_back(folder, file);
            arm(i);
            ui::PostClick(dialog, IDC_LIBRARY_SAVE);
        });
        driver.When(fx::kSaveTitle, [path](HWND dialog) { ui::ChooseFile(dialog, path); });
        if (Exists(path))
            answers.push_back(IDYES);
        answers.push_back(IDOK);
        expected.push_back("Error writing lens flare effect file '" + path + "'. Disk full?");
    }
    driver.AnswerBoxesWith(answers);
    host.Edit(driver, [](HWND) {});
    Kh_Fail_File_Step(0, 0, 0);

    std::vector<std::string> errors;
    for (const ui::MessageBoxSeen &box : driver.Boxes())
        if (box.caption == "File Write Error")
            errors.push_back(box.text);
    EXPECT_EQ(errors, expected);
    ASSERT_EQ(before.size(), files.size());
    for (const Before &b : before)
        b.ExpectUnchanged(b.target);
}

} // namespace

TEST(SafeSave, AFailedLibrarySaveShowsFileWriteErrorAndRestoresTheBackup)
{
    HostSession host;
    std::string folder = host.Path("fx");   /* the ini file comes and goes beside the session */
    CreateDirectoryA(folder.c_str(), nullptr);
    /* Onto the kept file its rename fails, under a new name the write.  A
     * read-only older backup keeps the last file from being moved aside;
     * the failed write must still leave it where it was. */
    const int steps[] = {KH_FILE_RENAME, KH_FILE_WRITE, KH_FILE_WRITE};
    const int errors[] = {EACCES, ENOSPC, ENOSPC};
    std::string stuckBackup = folder + "\\STUCK.BAK";
    ExpectFailedLibrarySaves(host, folder, {"kept.lnz", "new.lnz", "stuck.lnz"}, [&] {
        ASSERT_TRUE(CopyFileA((folder + "\\kept.lnz").c_str(), (folder + "\\stuck.lnz").c_str(), TRUE));
        std::ofstream(stuckBackup) << "an older backup";
        SetFileAttributesA(stuckBackup.c_str(), FILE_ATTRIBUTE_READONLY);
    }, [&](size_t i) { Kh_Fail_File_Step(steps[i], 1, errors[i]); });
    SetFileAttributesA(stuckBackup.c_str(), FILE_ATTRIBUTE_NORMAL);
}

/* Wine's rename replaces a read-only file, Windows' refuses: the host
 * itself keeps the mark, and says so; a folder under the name is named
 * as the cause of a save and of a load alike. */
TEST(SafeSave, TheHostKeepsAReadOnlyFileAndNamesAFolderInTheWay)
{
    HostSession host;
    const std::string folder = host.Path("guarded");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string kept = folder + "\\kept.lnz", inTheWay = folder + "\\folder.lnz";
    fx::SetFlareTypes(host, {"ring"});
    ASSERT_EQ(fx::SaveFlare(host, kept), 0);
    ASSERT_TRUE(SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY));
    CreateDirectoryA(inTheWay.c_str(), nullptr);
    fx::SetFlareTypes(host, {"glow", "glow"});
    Before before(folder, "kept.lnz");
    Kh_Clear_Errors();
    EXPECT_EQ(fx::SaveFlare(host, kept), 4);
    EXPECT_EQ(Kh_Save_File(kept.c_str(), "new", 3), -1);
    EXPECT_EQ(fx::SaveFlare(host, inTheWay), 4);
    int32_t status = -1;
    Ki_LensFlare(T("light"), host.light.c_str(), T("loadfromfile"), inTheWay.c_str(), &status, 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ErrorReports(),
              (std::vector<std::string>{
                  "ERR_LNZ_WRITE|Ki_LensFlare()|" + kept + ": cannot create the file: the file is read-only",
                  "ERR_FILE_WRITE|Kh_Save_File()|" + kept + ": cannot create the file: the file is read-only",
                  "ERR_LNZ_WRITE|Ki_LensFlare()|" + inTheWay + ": cannot create the file: a folder is in the way",
                  "ERR_LNZ_READ|Ki_LensFlare()|" + inTheWay + ": cannot open the file: a folder is in the way"}));
    before.ExpectUnchanged("over a read-only file");
    EXPECT_EQ(GetFileAttributesA(kept.c_str()) & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(fx::ElementNames(host), (std::vector<std::string>{"glow", "glow"}));
    SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(fx::SaveFlare(host, kept), 0) << "once it may be written";
}

TEST(SafeSave, ATargetAtTheLongestPathIsSavedBesideItself)
{
    HostSession host;
    std::string folder = host.Path("deep");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string inside = folder + "\\";
    for (size_t length : {inside.size() + 10, size_t(MAX_PATH - 1)}) {
        std::string path = inside + std::string(length - inside.size() - 4, 'n') + ".lnz";
        EXPECT_EQ(Kh_Save_File(path.c_str(), "kept", 4), 0) << length;
        EXPECT_EQ(ReadBytes(path), "kept") << length;
        EXPECT_EQ(Listing(folder).size(), 1u) << length << ": no temporary left";
        DeleteFileA(path.c_str());
    }
}

/* The small tmpfs CTest mounts at $SMALL_DISK (tools/small-disk), as a
 * Windows path; emptied at the start, its filler removed at the end. */
struct SmallDisk {
    std::string folder, reason;

    SmallDisk()
    {
        const char *dir = std::getenv("SMALL_DISK");
        if (!dir) {
            reason = "SMALL_DISK is not set: ctest mounts the small disk and names it there";
            return;
        }
        std::string path = std::string("Z:") + dir;
        std::replace(path.begin(), path.end(), '/', '\\');
        ULARGE_INTEGER available, total, free;
        if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, &free) ||
            total.QuadPart > (1u << 20)) {
            reason = path + " is no small file system: mounting one needs root";
            return;
        }
        folder = path;
        for (const std::string &name : Listing(folder))   /* an earlier run's files */
            DeleteFileA((folder + "\\" + name).c_str());
    }
    ~SmallDisk()
    {
        if (!folder.empty())
            DeleteFileA(Filler().c_str());
    }
    std::string Filler() const { return folder + "\\filler"; }
    /* Writes until the disk refuses a byte more. */
    void Fill() const
    {
        HANDLE file = CreateFileA(Filler().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        static const char block[512] = {};
        DWORD written = 0;
        while (WriteFile(file, block, sizeof block, &written, nullptr) && written == sizeof block) {
        }
        while (WriteFile(file, block, 1, &written, nullptr) && written == 1) {
        }
        CloseHandle(file);
    }
};

TEST(SafeSave, FullDiskLibrarySaveShowsFileWriteErrorAndKeepsTheOldFile)
{
    SmallDisk disk;
    if (disk.folder.empty())
        GTEST_SKIP() << disk.reason;
    HostSession host;
    ExpectFailedLibrarySaves(host, disk.folder, {"kept.lnz", "new.lnz"}, [&disk] { disk.Fill(); },
                             [](size_t) {});
}

TEST(SafeSave, FullDiskGradientSavesFailAndKeepTheOldFiles)
{
    SmallDisk disk;
    if (disk.folder.empty())
        GTEST_SKIP() << disk.reason;
    Kh_Set_Error_Echo(0);
    /* 3 stops make a text far under the C runtime's 4 KiB buffer, 400 one
     * of several buffers. */
    auto save = [](const std::string &path, int stops) {
        std::vector<float> offsets, colors;
        for (int i = 0; i < stops; i++) {
            offsets.push_back((float)i / (float)(stops - 1));
            colors.insert(colors.end(), {1.0f, 0.5f, (float)(i % 5) / 5.0f});
        }
        return Ki_Save_Gradient_Colormap(path.c_str(), stops, offsets.data(), colors.data(),
                                         nullptr, Ki_Inquire_Token("linear"));
    };
    struct Case {
        const char *file;
        bool existing;
        int stops;
    } cases[] = {
        {"old.grd", true, 3}, {"old-long.grd", true, 400}, {"new.grd", false, 3},
        {"new.cmp", false, 400},
    };
    for (const Case &c : cases) {
        if (c.existing) {
            ASSERT_EQ(save(disk.folder + "\\" + c.file, 3), 0) << c.file;
        }
    }
    disk.Fill();
    for (const Case &c : cases) {
        Before before(disk.folder, c.file);
        Kh_Clear_Errors();
        EXPECT_EQ(save(before.target, c.stops), -1) << c.file;
        before.ExpectUnchanged(c.file);
        char report[512] = "";
        Kh_Get_Error(0, report, sizeof report);
        EXPECT_NE(std::string(report).find(": disk full"), std::string::npos) << report;
    }
}

TEST(SafeSave, APictureThatCannotBeWrittenKeepsTheOlderOne)
{
    HostSession host;
    Kh_Set_Error_Echo(0);
    Capture picture;
    picture.width = 3;
    picture.height = 2;
    picture.rgb.assign(18, 200);
    std::string png = host.Path("shot.png");
    ASSERT_TRUE(WritePng(picture, png.c_str()));
    std::string first = ReadBytes(png);
    EXPECT_EQ(first.substr(0, 4), "\x89PNG");

    picture.rgb.assign(18, 10);
    Before before(host.dir, "shot.png");
    Kh_Fail_File_Step(KH_FILE_CLOSE, 1, ENOSPC);
    EXPECT_FALSE(WritePng(picture, png.c_str()));
    before.ExpectUnchanged("a failed close");
    ASSERT_TRUE(WritePng(picture, png.c_str()));
    EXPECT_NE(ReadBytes(png), first);
}
