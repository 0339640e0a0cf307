// The host's error record: the newest reports are kept in order, older
// ones only counted, so a long-running host stays the same size.
#include "host_fixture.h"

TEST(ErrorRecord, KeepsTheNewestReportsAndCountsTheRest)
{
    Kh_Set_Error_Echo(0);
    Kh_Clear_Errors();
    const int extra = 2500;
    for (int i = 0; i < KH_ERRORS_KEPT + extra; i++)
        Ki_Report_Error(4, "ERR_TEST", "Test()", std::to_string(i).c_str());
    ASSERT_EQ(Kh_Error_Count(), KH_ERRORS_KEPT);
    EXPECT_EQ(Kh_Errors_Dropped(), extra);
    std::vector<std::string> reports = ErrorReports();
    EXPECT_EQ(reports.front(), "ERR_TEST|Test()|" + std::to_string(extra));
    EXPECT_EQ(reports.back(), "ERR_TEST|Test()|" + std::to_string(KH_ERRORS_KEPT + extra - 1));
    char text[64];
    EXPECT_EQ(Kh_Get_Error(KH_ERRORS_KEPT, text, sizeof text), -1);

    Kh_Clear_Errors();
    EXPECT_EQ(Kh_Error_Count(), 0);
    EXPECT_EQ(Kh_Errors_Dropped(), 0);
    EXPECT_NE(Kh_Define_Element_Type("no definition"), 0);
    EXPECT_EQ(Kh_Error_Count(), 1) << "reports are kept again after a clear";
}
