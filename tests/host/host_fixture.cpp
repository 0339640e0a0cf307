// Shared pieces of the host tests.
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "host_fixture.h"

const char *const kProbeType =
    "type probe\n"
    "description Probe Element\n"
    "param intslider count\n"
    "  description Number of Things\n"
    "  id 77\n"
    "  absmin 1\n"
    "  absmax 64\n"
    "  uimax 16\n"
    "  default 3\n"
    "  precision 0\n"
    "  floatarg off\n"
    "param floatslider size\n"
    "  absmin -FLT_MAX\n"
    "  absmax FLT_MAX\n"
    "  uimin -FLT_MAX\n"
    "  uimax FLT_MAX\n"
    "  default 0.5\n"
    "  delta 0.01\n"
    "  precision 3\n"
    "  percentage on\n"
    "param angle turn\n"
    "  absmin -360\n"
    "  absmax 360\n"
    "  default 45\n"
    "param checkbox flag\n"
    "  default 1\n"
    "param color tint\n"
    "  guid {11111111-2222-3333-4444-555555555555}\n"
    "  absmin 0\n"
    "  absmax 16 16 16\n"
    "  default 1 0.5 0.25\n"
    "param point where\n"
    "  absmin -10\n"
    "  absmax 10\n"
    "  default 0.1 0.2 0.3\n"
    "param list shape\n"
    "  list Low:0,High:1\n"
    "  absmax 2\n"
    "  default 1\n"
    "param gradient ramp\n"
    "  stop 0 1 1 1\n"
    "  stop 0.004 0.5 0.5 0.5\n"
    "  stop 0.25 1 0 0\n"
    "  stop 1 0 0 1\n"
    "param arbitrarydata blob\n"
    "  data \"AB\\0\\x7F\\\"q\\\\\"\n"
    "end\n";

const char *const kBareType =
    "type bare\n"
    "description Bare Element\n"
    "end\n";

void LightTest::SetUp()
{
    static int counter;   /* lights outlive tests in one process: never reuse a name */
    name = "TestLight" + std::to_string(++counter);
    light = T("light");
    Kh_Set_Error_Echo(0);
    ASSERT_EQ(Kh_Define_Element_Type(kProbeType), 0);
    ASSERT_EQ(Kh_Define_Element_Type(kBareType), 0);
    ASSERT_EQ(Ki_Light(name.c_str(), T("model"), T("point"), 1, 0), 0);
    Kh_Clear_Errors();
}

void LightTest::TearDown()
{
    Ki_Remove(light, name.c_str(), 0);
}

std::string LightTest::Describe() const
{
    char text[65536];
    Kh_Describe_Flare(light, name.c_str(), text, sizeof text);
    return text;
}

int32_t LightTest::Count() const
{
    int32_t n = -1;
    Ki_Inquire_LensFlare(light, name.c_str(), T("numelements"), &n, 0);
    return n;
}

const char *LightTest::GuidAt(int32_t index) const
{
    const char *guid = nullptr;
    Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &index, T("guid"), &guid, 1, 0);
    return guid;
}

std::vector<std::string> LightTest::Names() const
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < Count(); i++) {
        const char *type = nullptr;
        Ki_Inquire_LensFlare(light, name.c_str(), T("element"), &i, T("name"), &type, 1, 0);
        names.push_back(type ? type : "");
    }
    return names;
}

void LightTest::RemoveAllElements()
{
    while (Count() > 0)
        Ki_LensFlare(light, name.c_str(), T("delete"), GuidAt(0), 0);
}

const char *LightTest::Insert(const char *type, const char *where, const char *anchor)
{
    const char *guid = nullptr;
    if (anchor)
        Ki_LensFlare(light, name.c_str(), T("insert"), T(where), type, anchor, &guid, 0);
    else
        Ki_LensFlare(light, name.c_str(), T("insert"), T(where), type, &guid, 0);
    return guid;
}

int32_t LightTest::File(const char *command, const std::string &path, const std::string &owner)
{
    int32_t status = -1;
    int result = Ki_LensFlare(light, (owner.empty() ? name : owner).c_str(), T(command),
                              path.c_str(), &status, 0);
    EXPECT_EQ(result, status == 0 ? 0 : -1) << command << " " << path;
    return status;
}

std::string TempPath(const std::string &file)
{
    static std::string dir;
    if (dir.empty()) {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        unsigned n = std::random_device()();
        std::filesystem::path made = base / ("host_tests_" + std::to_string(n));
        for (int attempt = 0; attempt < 100 && !std::filesystem::create_directory(made, error); attempt++)
            made = base / ("host_tests_" + std::to_string(++n));
        dir = made.generic_string();
    }
    return dir + "/" + file;
}

bool Exists(const std::string &path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

void WriteFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
