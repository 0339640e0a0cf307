// The call log: the exact line each kind of argument produces, the
// bookkeeping switch, rejected calls, and the colour and display calls' lines.
#include "calllog.h"
#include "host_fixture.h"

namespace {

struct CallLog : LightTest {
    void SetUp() override
    {
        LightTest::SetUp();
        RemoveAllElements();
        probe = Insert("probe");
        path = TempPath("calls-" + name + ".log");
        ASSERT_EQ(Kh_Set_Call_Log(path.c_str(), 0), 0);
    }
    void TearDown() override
    {
        Kh_Set_Call_Log(nullptr, 0);
        LightTest::TearDown();
    }
    /* The log so far, read while it is still open; a last line without its
     * newline comes marked unfinished. */
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::string text = ReadBytes(path);
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                lines.push_back("unfinished: " + text.substr(start));
                break;
            }
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
    std::string Quoted() const { return "\"" + name + "\""; }
    const char *probe = nullptr;
    std::string path;
};

/* Asks the host about the name while the enumeration runs. */
int InquireWhileEnumerating(KaEnumRecord *record)
{
    if (record->valid) {
        float color[3];
        Ki_Inquire_Colorname(record->name, color, 0);
    }
    return 0;
}

} // namespace

TEST_F(CallLog, EachArgumentIsWrittenAsItsKindSaysAndARejectedCallEndsAtTheFault)
{
    const char *n = name.c_str();
    float scale = 1.23457f, color[3] = {1, 0.5f, 0.25f};
    int32_t seed = -3, e = 0, p = 7, count = 2, size = 4;
    KaToken on = 0;
    const float colors[6] = {1, 0, 0, 0, 0, 1}, offsets[2] = {0, 1};
    const float value[1] = {0};
    const char data[4] = {'a', '"', '\n', '\0'};
    const char *guid = nullptr;
    Ki_LensFlare(light, n, T("scale"), &scale, 1, T("randomseed"), &seed, 1, T("color"), T("rgb"),
                 color, 1, T("fastdrag"), T("enabled"), T("on"), 1, 0);
    Ki_Inquire_LensFlare(light, n, T("element"), &e, T("enabled"), &on, T("guid"), &guid, 1, 0);
    int32_t zero = 0, blob = 8;
    Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &p, T("value"), value,
                 T("gradientdata"), &count, colors, offsets, T("arbitrarydata"), &zero, nullptr, 1, 0);
    Ki_LensFlare(light, n, T("element"), probe, 1, T("parameter"), &blob, T("value"), value,
                 T("gradientdata"), &zero, nullptr, nullptr, T("arbitrarydata"), &size, data, 1, 0);
    char out[64];
    Ki_Check_File_Extension(out, "glow.txt", ".lnz");
    Ki_Report_Error(4, "ERR_GEOM_IMPORT_BAD_TOKEN", "LensFlare_Entry()", "odd");
    // rejected calls end at the fault and name it
    Ki_LensFlare(light, n, T("scale"), &scale, 1, T("sparkle"), 1, 0);
    Ki_Inquire_LensFlare(light, n, T("intensity"), nullptr, 1, 0);
    Ki_Light("", 0);
    const std::string g = "\"" + std::string(probe) + "\"";
    std::vector<std::string> expected = {
        "Ki_LensFlare light " + Quoted() +
            " scale &1.23457 1 randomseed &-3 1 color rgb &1,0.5,0.25 1 fastdrag enabled on 1 0",
        "Ki_Inquire_LensFlare light " + Quoted() + " element &0 enabled &out guid &out 1 0",
        "Ki_LensFlare light " + Quoted() + " element " + g +
            " 1 parameter &7 value &0 gradientdata &2 &1,0,0,0,0,1 &0,1 arbitrarydata &0 null 1 0",
        "Ki_LensFlare light " + Quoted() + " element " + g +
            " 1 parameter &8 value &0 gradientdata &0 null null arbitrarydata &4 &\"a\\\"\\n\\x00\" 1 0",
        "Ki_Check_File_Extension &out \"glow.txt\" \".lnz\"",
        "Ki_Report_Error 4 \"ERR_GEOM_IMPORT_BAD_TOKEN\" \"LensFlare_Entry()\" \"odd\"",
        "Ki_LensFlare light " + Quoted() + " scale &1.23457 1 sparkle !ERR_UNKNOWN_KEYWORD",
        "Ki_Inquire_LensFlare light " + Quoted() + " intensity null !ERR_NULL_ADDRESS",
        "Ki_Light \"\" !ERR_BAD_NAME",
    };
    EXPECT_EQ(Lines(), expected);
}

TEST_F(CallLog, BookkeepingCallsAppearOnlyWhenAskedForAndAnOpenedLogIsAppendedTo)
{
    T("scale");
    Ki_Free_Memory(Ki_Alloc_Memory(0, 1, 24));
    Ki_Free_Global_GBuffer(nullptr);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Ki_Free_Global_GBuffer null"});
    ASSERT_EQ(Kh_Set_Call_Log(path.c_str(), KH_LOG_BOOKKEEPING), 0);
    Ki_Inquire_Token("scale");
    Ki_Free_Memory(Ki_Alloc_Memory(0, 1, 24));
    Ki_Free_Memory(nullptr);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Ki_Free_Global_GBuffer null", "Ki_Inquire_Token \"scale\"",
                                                 "Ki_Alloc_Memory 0 1 24", "Ki_Free_Memory &out",
                                                 "Ki_Free_Memory null"}));
}

TEST_F(CallLog, TheLoggingApiForOtherHostCallsFormatsPointersAndNumbers)
{
    int dummy = 0;
    ka::LogLine line;
    ka::LogStart(&line, "Ki_LensFlareApplyToGBuffer");
    ka::LogOut(&line, &dummy);
    ka::LogToken(&line, light);
    ka::LogText(&line, name.c_str());
    ka::LogInt(&line, 80);
    ka::LogInt(&line, -60);
    ka::LogFunction(&line, reinterpret_cast<const void *>(&TempPath));
    ka::LogFunction(&line, nullptr);
    ka::LogFloatsAt(&line, nullptr, 3);
    ka::LogFinish(&line);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Ki_LensFlareApplyToGBuffer &out light " + Quoted() +
                                                " 80 -60 fn null null"});
}

TEST_F(CallLog, AClosedLogTakesNoMoreLinesAndOneThatCannotBeWrittenSaysSoWhenClosed)
{
    Ki_Light("", 0);
    EXPECT_EQ(Kh_Set_Call_Log(nullptr, 0), 0) << "a log written whole closes cleanly";
    Ki_Light("", 0);
    EXPECT_EQ(Lines().size(), 1u) << "nothing is written while the log is off";

    ASSERT_EQ(Kh_Set_Call_Log("/dev/full", 0), 0);
    Ki_Light("", 0);
    Ki_Light("", 0);   /* after the failed line: nothing more is tried, nothing breaks */
    EXPECT_EQ(Kh_Set_Call_Log(nullptr, 0), -1);
    EXPECT_EQ(Kh_Set_Call_Log(nullptr, 0), 0) << "the failure is reported once";
}

TEST_F(CallLog, ColourAndDisplayCallsAreLoggedAndAnEnumerationPrecedesTheCallsOfItsCallback)
{
    const float source[3] = {0.25f, 0.5f, 1};
    float destination[3];
    int data = 0;
    std::vector<float> map(3 * 256), corrected(3 * 256);
    KaColor *cube = reinterpret_cast<KaColor *>(map.data());
    unsigned char pixels[8 * 2] = {};
    int32_t flag = 0;
    Ki_Compute_Colormap(0, 5, 9, 5, cube);
    Ki_Gamma_Correct(cube, reinterpret_cast<KaColor *>(corrected.data()), 225, 1.7f);
    Ki_Gamma_Correct(nullptr, nullptr, 0, 2.2f);
    Ki_Dither_Image(pixels, cube, 6, 2, 5, 9, 5, &flag);
    Ki_Dither_Image(pixels, cube, 6, 2, 5, 9, 5, nullptr);
    Ki_Copy(T("color"), source, destination, 0);
    Ki_Inquire_Colorname("gold", destination, 0);
    Ki_Inquire_Colorname("nosuchcolour", destination, 0);
    Ki_Enumerate(0, "sun*", 1, &data, 0, InquireWhileEnumerating, T("colorname"), 0);
    Ki_Enumerate(2, "*", 0, 5, InquireWhileEnumerating, T("light"), 0);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  "Ki_Compute_Colormap 0 5 9 5 &out",
                  "Ki_Gamma_Correct &out &out 225 1.7",
                  "Ki_Gamma_Correct null null 0 2.2",
                  "Ki_Dither_Image &out &out 6 2 5 9 5 &out",
                  "Ki_Dither_Image &out &out 6 2 5 9 5 null",
                  "Ki_Copy color &0.25,0.5,1 &out 0",
                  "Ki_Inquire_Colorname \"gold\" &out 0",
                  "Ki_Inquire_Colorname \"nosuchcolour\" &out 0 !ERR_UNKNOWN_COLOR",
                  "Ki_Enumerate 0 \"sun*\" 1 data 0 fn colorname 0",
                  "Ki_Inquire_Colorname \"sunrise\" &out 0",
                  "Ki_Inquire_Colorname \"sunset\" &out 0",
                  "Ki_Enumerate 2 \"*\" 0 5 fn light !ERR_UNKNOWN_KIND",
              }));
}
