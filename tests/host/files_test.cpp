// Environment values and the file-name helpers.
#include <cstring>

#include "host_fixture.h"

TEST(FileNames, ExtensionsAreReplacedOrAppendedInPlaceAndFoundWhateverTheirCase)
{
    struct Case {
        const char *in, *extension, *out;
    } cases[] = {
        {"glow", ".lnz", "glow.lnz"},
        {"glow.lnz", ".lnz", "glow.lnz"},
        {"glow.txt", "lnz", "glow.lnz"},
        {"C:\\FX\\GLOW.LNZ", ".bak", "C:\\FX\\GLOW.bak"},
        {"C:\\fx.v2\\glow", ".lnz", "C:\\fx.v2\\glow.lnz"},
        {"dir.d/file", ".grd", "dir.d/file.grd"},
        {"a.b.c", ".cmp", "a.b.cmp"},
        {"glow.", ".lnz", "glow.lnz"},
        {".profile", ".bak", ".profile.bak"},
        {"", ".lnz", ".lnz"},
    };
    for (const Case &c : cases) {
        char buffer[300];
        std::strcpy(buffer, c.in);
        EXPECT_EQ(Ki_Check_File_Extension(buffer, buffer, c.extension), 0);
        EXPECT_STREQ(buffer, c.out) << c.in << " with the same buffer";
        char other[300] = "";
        Ki_Check_File_Extension(other, c.in, c.extension);
        EXPECT_STREQ(other, c.out) << c.in;
    }

    const struct {
        const char *path, *extension;
        int result;
    } endings[] = {
        {"c:\\fx\\glow.lnz", ".lnz", 1}, {"GLOW.LNZ", ".lnz", 1}, {"glow.Lnz", "lnz", 1},
        {"glow.lnzx", ".lnz", 0},        {"glowlnz", ".lnz", 0},  {"nz", ".lnz", 0},
        {"", ".lnz", 0},                 {"a.grd", ".cmp", 0},
    };
    for (const auto &c : endings)
        EXPECT_EQ(Ki_Check_For_File_Extension(c.path, c.extension), c.result) << c.path;
}

TEST(FileNames, FilesAndFoldersExistOrNot)
{
    std::string file = TempPath("exists.txt"), folder = TempPath("");
    WriteFile(file, "x");
    struct Case {
        std::string path;
        int32_t exists;
    } cases[] = {
        {file, 1}, {folder, 1}, {folder.substr(0, folder.size() - 1), 1},
        {TempPath("missing.txt"), 0}, {"", 0},
    };
    for (const Case &c : cases) {
        int32_t exists = -1;
        EXPECT_EQ(Ki_File_Exists(c.path.c_str(), &exists), 0);
        EXPECT_EQ(exists, c.exists) << c.path;
    }
}

TEST(Environment, ValuesAreSetChangedAndRemoved)
{
    char *value = nullptr;
    Kh_Set_Environment("KA_TEST_DIR", "D:\\work");
    EXPECT_EQ(Ki_Inquire_Environment("KA_TEST_DIR", &value), 0);
    EXPECT_STREQ(value, "D:\\work");
    Kh_Set_Environment("KA_TEST_DIR", "");
    Ki_Inquire_Environment("KA_TEST_DIR", &value);
    EXPECT_STREQ(value, "") << "an empty value is a value";
    Kh_Set_Environment("KA_TEST_DIR", nullptr);
    EXPECT_EQ(Ki_Inquire_Environment("KA_TEST_DIR", &value), -1);
    EXPECT_EQ(value, nullptr);
}
