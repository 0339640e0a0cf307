// The demo host's help: the editor's Help button opens the user guide in a
// window of the host at the section for the editor's topic.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "host_session.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const char kTopic[] = "lens flare effects";

/* The guide's text from the top line the box shows. */
std::string FromTopLine(HWND edit)
{
    LRESULT top = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    return ui::Text(edit).substr((size_t)SendMessageA(edit, EM_LINEINDEX, top, 0));
}

TEST(HelpWindow, HelpButtonOpensTheGuideAtTheEditorsSection)
{
    HostSession host;
    /* The editor's heading stands on line 40 of 120, after a line too long
     * for the window. */
    std::string guide = "# A guide\n![Shot of it](images/shot.png)\n"
                       "Press **Ok** or see [`Pick a colour`](#pick) and [x], `a` ** b.\n";
    for (int line = 3; line < 39; line++)
        guide += "line " + std::to_string(line) + "\n";
    for (int word = 0; word < 60; word++)
        guide += word < 59 ? "wrapped " : "wrapped\n";
    guide += "## The Lens Flare Editor\n";
    for (int line = 41; line < 120; line++)
        guide += "more " + std::to_string(line) + "\n";
    host.services.guideFile = host.Path("guide.md");
    std::ofstream(host.services.guideFile, std::ios::binary) << guide;
    host.services.showHelpWindow = true;
    HWND shown = nullptr;
    ui::Driver driver;
    host.Edit(driver, [&](HWND dialog) {
        ui::Click(dialog, IDC_HELP_BUTTON);
        shown = host.services.helpWindow;
        ASSERT_TRUE(IsWindow(shown));
        EXPECT_TRUE(IsWindowVisible(shown));
        EXPECT_EQ(GetWindow(shown, GW_OWNER), dialog);
        EXPECT_EQ(ui::Text(shown), "flarehost Help");
        HWND edit = GetDlgItem(shown, 1);
        std::string text = ui::Text(edit);
        EXPECT_EQ(text.rfind("# A guide\r\n[picture: Shot of it]\r\n"
                             "Press Ok or see Pick a colour and [x], a  b.\r\nline 3\r\n",
                             0),
                  0u)
            << text.substr(0, 120);
        EXPECT_NE(text.find("\r\n## The Lens Flare Editor\r\nmore 41\r\n"), std::string::npos);
        EXPECT_GT(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 121) << "the long line wraps";
        EXPECT_EQ(FromTopLine(edit).rfind("## The Lens Flare Editor\r\n", 0), 0u);

        SendMessageA(edit, EM_LINESCROLL, 0, -1000);
        ui::Click(dialog, IDC_HELP_BUTTON);
        EXPECT_EQ(host.services.helpWindow, shown) << "a second Help reuses the window";
        EXPECT_EQ(FromTopLine(edit).rfind("## The Lens Flare Editor\r\n", 0), 0u);
    });
    EXPECT_FALSE(IsWindow(shown)) << "the help window closes with the editor";
    EXPECT_EQ(host.services.helpWindow, nullptr);
    EXPECT_EQ(host.services.helpTopics, std::vector<std::string>({kTopic, kTopic}));
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST(HelpWindow, AMissingGuideIsSaidWithItsPath)
{
    HostSession host;
    host.services.guideFile = host.Path("no-such-guide.md");
    host.services.showHelpWindow = true;
    ui::Driver driver;
    host.Edit(driver, [](HWND dialog) { ui::Click(dialog, IDC_HELP_BUTTON); });
    ASSERT_EQ(driver.Boxes().size(), 1u);
    EXPECT_EQ(driver.Boxes()[0].caption, "flarehost Help");
    EXPECT_NE(driver.Boxes()[0].text.find(host.services.guideFile), std::string::npos)
        << driver.Boxes()[0].text;
    EXPECT_EQ(host.services.helpWindow, nullptr);
}

TEST(HelpWindow, SectionsAreFoundByTheirWholeHeadingAndTheShippedGuideAnswersTheEditorsTopic)
{
    struct Case {
        const char *guide;
        const char *topic;
        int line;
    } cases[] = {
        {"# Guide\ntext\n## The Lens Flare Editor\n", kTopic, 2},
        {"# Guide\r\n\r\n### The Lens Flare Editor\r\n", kTopic, 2},
        {"## The Lens Flare Editor", kTopic, 0},
        {"##The Lens Flare Editor\n", kTopic, -1},
        {"## The Lens Flare Editor and more\n", kTopic, -1},
        {"The Lens Flare Editor\n", kTopic, -1},
        {"## The Lens Flare Editor\n", "some other topic", -1},
        {"## The Lens Flare Editor\n", nullptr, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FindHelpSection(c.guide, c.topic), c.line) << c.guide;

    std::string guide = ReadBytes(DefaultGuideFile());
    ASSERT_FALSE(guide.empty()) << DefaultGuideFile();
    EXPECT_GT(FindHelpSection(guide, kTopic), 0);
}

} // namespace
