// Saves that cannot destroy a file: each step of the host's file writing
// made to fail (any machine) and a real full disk (a small tmpfs that CTest
// mounts when it runs as root), for .lnz, .grd and .cmp files, over an
// existing file and under a new name, short texts and long ones.  The
// oracle is the folder itself: the target's bytes and the file names
// before and after.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "host_fixture.h"

namespace {

std::vector<std::string> Listing(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *dir = opendir(folder.c_str())) {
        while (dirent *entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool IsLnz(const std::string &path)
{
    return path.substr(path.size() - 4) == ".lnz";
}

struct SafeSave : LightTest {
    void SetUp() override
    {
        LightTest::SetUp();
        Kh_Fail_File_Step(0, 0, 0);
    }
    void TearDown() override
    {
        Kh_Fail_File_Step(0, 0, 0);
        LightTest::TearDown();
    }

    /* 0 when written, as "savetofile" or Ki_Save_Gradient_Colormap
     * answers; the error record is cleared first.  A short text is the
     * light's flare of one bare element or a gradient of 3 stops, a long
     * one 40 probes or 400 stops. */
    int Save(const std::string &path, bool longText)
    {
        Kh_Clear_Errors();
        if (IsLnz(path)) {
            RemoveAllElements();
            for (int i = 0; i < (longText ? 40 : 1); i++)
                Insert(longText ? "probe" : "bare");
            return File("savetofile", path);
        }
        std::vector<float> offsets, colors;
        for (int i = 0, n = longText ? 400 : 3; i < n; i++) {
            offsets.push_back((float)i / (float)(n - 1));
            colors.insert(colors.end(), {0.25f, (float)(i % 7) / 7.0f, 1.0f});
        }
        return Ki_Save_Gradient_Colormap(path.c_str(), (int32_t)offsets.size(), offsets.data(),
                                         colors.data(), nullptr, T("linear"));
    }
};

/* The status of a failed save. */
int FailedStatus(const std::string &path) { return IsLnz(path) ? 4 : -1; }

/* The folder as a save found it, and the checks that it still is. */
struct Before {
    std::string folder, target, bytes;
    bool existed;
    std::vector<std::string> names;

    Before(const std::string &folderPath, const std::string &file)
        : folder(folderPath), target(folderPath + "/" + file), existed(Exists(target))
    {
        bytes = existed ? ReadBytes(target) : "";
        names = Listing(folder);
    }
    void ExpectUnchanged(const std::string &what) const
    {
        EXPECT_EQ(Exists(target), existed) << what;
        EXPECT_EQ(existed ? ReadBytes(target) : "", bytes) << what << ": the old file byte for byte";
        EXPECT_EQ(Listing(folder), names) << what << ": no temporary file left";
    }
};

} // namespace

TEST_F(SafeSave, EveryFailingStepLeavesTheTargetAsItWasAndSaysWhy)
{
    struct Case {
        const char *file;
        bool existing, longText;
        int step, nth, error;
        const char *detail;
    } cases[] = {
        {"a.lnz", true, false, KH_FILE_CREATE, 1, EACCES, "cannot create the file: permission denied"},
        {"a.lnz", true, true, KH_FILE_WRITE, 3, ENOSPC, "writing failed: disk full"},
        {"a.lnz", true, true, KH_FILE_CLOSE, 1, ENOSPC, "closing failed: disk full"},
        {"new.lnz", false, false, KH_FILE_FLUSH, 1, ENOSPC, "flushing failed: disk full"},
        {"new.lnz", false, true, KH_FILE_RENAME, 1, EACCES, "cannot replace the file: permission denied"},
        {"b.grd", true, true, KH_FILE_WRITE, 2, ENOSPC, "writing failed: disk full"},
        {"b.grd", true, false, KH_FILE_RENAME, 1, EROFS, "cannot replace the file: read-only file system"},
        {"c.cmp", true, false, KH_FILE_FLUSH, 1, EDQUOT, "flushing failed: disk quota exceeded"},
        {"new.cmp", false, false, KH_FILE_WRITE, 1, ENOSPC, "writing failed: disk full"},
        {"new.grd", false, true, KH_FILE_CREATE, 1, ENOENT, "cannot create the file: no such file or folder"},
    };
    int number = 0;
    for (const Case &c : cases) {
        std::string folder = TempPath("faults" + std::to_string(++number));
        mkdir(folder.c_str(), 0755);
        std::string what = std::string(c.file) + " case " + std::to_string(number);
        SCOPED_TRACE(what);
        if (c.existing) {
            WriteFile(folder + "/" + c.file, "the user's old file\n");
            chmod((folder + "/" + c.file).c_str(), 0640);
        }
        Before before(folder, c.file);

        Kh_Fail_File_Step(c.step, c.nth, c.error);
        EXPECT_EQ(Save(before.target, c.longText), FailedStatus(c.file));
        before.ExpectUnchanged(what);
        const char *head = IsLnz(c.file) ? "ERR_LNZ_WRITE|Ki_LensFlare()|"
                                         : "ERR_GRADIENT_WRITE|Ki_Save_Gradient_Colormap()|";
        EXPECT_EQ(ErrorReports(), std::vector<std::string>{head + before.target + ": " + c.detail});

        EXPECT_EQ(Save(before.target, c.longText), 0) << "a fault happens once";
        EXPECT_EQ(Listing(folder), c.existing ? before.names : std::vector<std::string>{c.file});
        /* over an old file, its permissions and the same bytes as under a new name */
        struct stat info;
        ASSERT_EQ(stat(before.target.c_str(), &info), 0);
        if (c.existing) {
            EXPECT_EQ(info.st_mode & 07777, 0640u);
        }
        const std::string fresh = TempPath(std::to_string(number) + c.file);
        ASSERT_EQ(Save(fresh, c.longText), 0);
        EXPECT_EQ(ReadBytes(before.target), ReadBytes(fresh));
    }
}

/* The small tmpfs CTest mounts at $SMALL_DISK (tools/small-disk), filled
 * up by the test and emptied again when it ends. */
struct SmallDisk {
    std::string folder, reason;

    SmallDisk()
    {
        const char *dir = std::getenv("SMALL_DISK");
        struct statvfs disk;
        if (!dir)
            reason = "SMALL_DISK is not set: ctest mounts the small disk and names it there";
        else if (statvfs(dir, &disk) != 0 || (unsigned long long)disk.f_blocks * disk.f_frsize > (1u << 20))
            reason = std::string(dir) + " is no small file system: mounting one needs root";
        else
            folder = dir;
        for (const std::string &name : Listing(folder))   /* an earlier run's files */
            std::remove((folder + "/" + name).c_str());
    }
    ~SmallDisk()
    {
        if (!folder.empty())
            std::remove(Filler().c_str());
    }
    std::string Filler() const { return folder + "/filler"; }
    /* Writes until the disk refuses a byte more. */
    void Fill() const
    {
        std::FILE *file = std::fopen(Filler().c_str(), "ab");
        ASSERT_NE(file, nullptr);
        std::setvbuf(file, nullptr, _IONBF, 0);
        static const char block[512] = {};
        while (std::fwrite(block, 1, sizeof block, file) == sizeof block) {
        }
        while (std::fwrite(block, 1, 1, file) == 1) {
        }
        std::fclose(file);
    }
};

TEST_F(SafeSave, FullDiskSavesFailAndKeepTheOldFiles)
{
    SmallDisk disk;
    if (disk.folder.empty())
        GTEST_SKIP() << disk.reason;
    struct Case {
        const char *file;
        bool existing, longText;
    } cases[] = {
        {"old.lnz", true, false}, {"old-long.lnz", true, true}, {"new.lnz", false, false},
        {"old.grd", true, false}, {"old-long.grd", true, true}, {"new.cmp", false, false},
    };
    for (const Case &c : cases) {
        if (c.existing) {
            ASSERT_EQ(Save(disk.folder + "/" + c.file, false), 0) << c.file;
        }
    }
    disk.Fill();
    for (const Case &c : cases) {
        Before before(disk.folder, c.file);
        EXPECT_EQ(Save(before.target, c.longText), FailedStatus(c.file)) << c.file;
        before.ExpectUnchanged(c.file);
        std::vector<std::string> reports = ErrorReports();
        ASSERT_EQ(reports.size(), 1u) << c.file;
        EXPECT_NE(reports[0].find(": disk full"), std::string::npos) << reports[0];
    }
    std::remove(disk.Filler().c_str());
    for (const Case &c : cases)
        EXPECT_EQ(Save(disk.folder + "/" + c.file, c.longText), 0) << c.file << " with room again";
}

TEST_F(SafeSave, ATargetWithTheLongestNameIsSavedBesideItself)
{
    std::string folder = TempPath("long-names");
    mkdir(folder.c_str(), 0755);
    for (size_t length : {8, 200, 255}) {
        std::string file = std::string(length - 4, 'n') + ".grd", path = folder + "/" + file;
        EXPECT_EQ(Save(path, false), 0) << length;
        EXPECT_EQ(Listing(folder), std::vector<std::string>{file}) << length << ": no temporary left";
        std::remove(path.c_str());
    }
}

/* Every save, failed or not, and every load closes what it opened: the
 * process's open files are the entries of /proc/self/fd.  Loads of both
 * formats read through one reader. */
TEST_F(SafeSave, SavesAndLoadsLeaveNoFileOpen)
{
    const std::string lnz = TempPath("open.lnz"), grd = TempPath("open.grd");
    const size_t open = Listing("/proc/self/fd").size();
    ASSERT_GT(open, 2u);
    for (int round = 0; round < 20; round++) {
        for (const std::string &path : {lnz, grd}) {
            ASSERT_EQ(Save(path, false), 0) << path;
            for (int step = KH_FILE_WRITE; step <= KH_FILE_RENAME; step++) {
                Kh_Fail_File_Step(step, 1, ENOSPC);
                EXPECT_EQ(Save(path, false), FailedStatus(path)) << path << " step " << step;
            }
        }
        EXPECT_EQ(File("loadfromfile", lnz), 0);
    }
    EXPECT_EQ(Listing("/proc/self/fd").size(), open);
}

/* A save keeps the user's protections and says what was in its way: a
 * read-only file (even to the superuser, whom the system lets write it)
 * and a folder under the target's name stay as they were. */
TEST_F(SafeSave, AReadOnlyFileOrAFolderInTheWayIsRefusedWithItsOwnCause)
{
    const std::string folder = TempPath("in-the-way");
    mkdir(folder.c_str(), 0755);
    for (const char *file : {"kept.lnz", "kept.grd", "kept.cmp"}) {
        const std::string path = folder + "/" + file;
        WriteFile(path, "the user's read-only file\n");
        chmod(path.c_str(), 0444);
        Before before(folder, file);
        EXPECT_EQ(Save(path, false), FailedStatus(path)) << file;
        before.ExpectUnchanged(file);
        const std::string head = IsLnz(path) ? "ERR_LNZ_WRITE|Ki_LensFlare()|"
                                             : "ERR_GRADIENT_WRITE|Ki_Save_Gradient_Colormap()|";
        EXPECT_EQ(ErrorReports(), std::vector<std::string>{head + path +
                                                           ": cannot create the file: the file is read-only"});
        chmod(path.c_str(), 0644);
        EXPECT_EQ(Save(path, false), 0) << file << " once it may be written";

        const std::string sub = folder + "/folder-" + file;
        mkdir(sub.c_str(), 0755);
        EXPECT_EQ(Save(sub, false), FailedStatus(path)) << file;
        EXPECT_EQ(ErrorReports(), std::vector<std::string>{head + sub +
                                                           ": cannot create the file: a folder is in the way"});
        EXPECT_TRUE(Listing(sub).empty());
    }

    /* a folder given to a load, and folders for the demo files that cannot be made */
    const std::string sub = folder + "/folder-kept.lnz";
    Kh_Clear_Errors();
    EXPECT_EQ(File("loadfromfile", sub), 1);
    EXPECT_EQ(ErrorReports(), std::vector<std::string>{"ERR_LNZ_READ|Ki_LensFlare()|" + sub +
                                                       ": cannot open the file: a folder is in the way"});
    const std::string file = folder + "/kept.lnz";
    Kh_Clear_Errors();
    EXPECT_EQ(Kh_Write_Demo_Effects((file + "/lensfx").c_str()), 0);
    EXPECT_EQ(Kh_Write_Demo_Gradients((folder + "/missing/colormap").c_str()), 0);
    EXPECT_EQ(ErrorReports(),
              (std::vector<std::string>{
                  "ERR_LNZ_WRITE|Kh_Write_Demo_Effects()|" + file +
                      "/lensfx: cannot make the folder: a file is in the way",
                  "ERR_GRADIENT_WRITE|Kh_Write_Demo_Gradients()|" + folder +
                      "/missing/colormap: cannot make the folder: no such file or folder"}));
    EXPECT_GT(Kh_Write_Demo_Effects((folder + "/made/").c_str()), 0) << "a missing folder is made";
}
