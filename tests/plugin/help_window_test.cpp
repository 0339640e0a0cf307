// The demo host's help: the editor's Help button hands the user guide's
// HTML to the system's browser at the heading for the editor's topic;
// where no browser opens, a window of the host shows the guide formatted.
#include <fstream>
#include <string>

#include <richedit.h>

#include <gtest/gtest.h>

#include "host_session.h"
#include "resources/resource_ids.h"
#include "ui_driver.h"

namespace {

const char kTopic[] = "lens flare effects";
const char kEditorAnchor[] = "the-lens-flare-editor";

/* Every URL Help handed to the browser seam, in order. */
std::vector<std::string> urlsHandedOver;

bool BrowserOpens(HWND, const char *url)
{
    urlsHandedOver.push_back(url);
    return true;
}

bool NoBrowser(HWND, const char *url)
{
    urlsHandedOver.push_back(url);
    return false;
}

std::wstring WideText(HWND window)
{
    std::wstring text((size_t)GetWindowTextLengthW(window) + 1, L'\0');
    text.resize((size_t)GetWindowTextW(window, &text[0], (int)text.size()));
    return text;
}

/* The box's text from its first visible line. */
std::wstring FromTopLine(HWND box)
{
    LRESULT top = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
    LRESULT first = SendMessageW(box, EM_LINEINDEX, top, 0);
    /* The box counts a paragraph end as one character, the text has "\r\n". */
    std::wstring text = WideText(box);
    size_t at = 0;
    for (LRESULT counted = 0; counted < first && at < text.size(); counted++)
        at += text.compare(at, 2, L"\r\n") == 0 ? 2 : 1;
    return text.substr(at);
}

CHARFORMATW FormatAt(HWND box, long at)
{
    SendMessageW(box, EM_SETSEL, at, at + 1);
    CHARFORMATW format = {};
    format.cbSize = sizeof format;
    SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

HWND HelpBox(const HostSession &host) { return GetDlgItem(host.services.helpWindow, 1); }

TEST(HelpWindow, HelpHandsTheBrowserTheGuideAtTheEditorsHeading)
{
    HostSession host;
    CreateDirectoryA(host.Path("my guide#1").c_str(), nullptr);
    host.services.guideFile = host.Path("my guide#1\\user-guide.html");
    std::ofstream(host.services.guideFile, std::ios::binary)
        << "<h1 id=\"guide\">Guide</h1>\n<h2 id=\"the-lens-flare-editor\">The Lens Flare\nEditor</h2>\n";
    host.services.showHelpWindow = true;
    host.services.openUrl = BrowserOpens;
    urlsHandedOver.clear();
    ui::Driver driver;
    host.Edit(driver, [&](HWND dialog) {
        ui::Click(dialog, IDC_HELP_BUTTON);
        EXPECT_EQ(host.services.helpWindow, nullptr) << "the browser shows it";
    });
    host.services.ShowHelp(nullptr, "some other topic");
    std::string folder = "file:///" + host.dir + "/my%20guide%231/user-guide.html";
    for (char &c : folder)
        c = c == '\\' ? '/' : c;
    EXPECT_EQ(urlsHandedOver, std::vector<std::string>({folder + "#" + kEditorAnchor, folder}));
    EXPECT_EQ(host.services.helpTopics, std::vector<std::string>({kTopic, "some other topic"}));
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST(HelpWindow, WithoutABrowserTheShippedGuideShowsFormattedAtTheEditorsHeading)
{
    HostSession host;
    host.services.showHelpWindow = true;
    host.services.openUrl = NoBrowser;
    urlsHandedOver.clear();
    HWND shown = nullptr;
    ui::Driver driver;
    host.Edit(driver, [&](HWND dialog) {
        ui::Click(dialog, IDC_HELP_BUTTON);
        shown = host.services.helpWindow;
        ASSERT_TRUE(IsWindow(shown));
        EXPECT_TRUE(IsWindowVisible(shown));
        EXPECT_EQ(GetWindow(shown, GW_OWNER), dialog);
        EXPECT_EQ(ui::Text(shown), "flarehost Help");
        HWND box = HelpBox(host);
        std::wstring text = WideText(box);
        EXPECT_EQ(text.rfind(L"Using the lens flare editor\r\n", 0), 0u) << text.substr(0, 80);
        for (const wchar_t *syntax : {L"#", L"**", L"|", L"`", L"](", L"<", L"&amp;"})
            EXPECT_EQ(text.find(syntax), std::wstring::npos) << "shows " << syntax;
        EXPECT_NE(text.find(L"\r\nsection\tkey\twhat\r\n"), std::wstring::npos) << "a table row";
        EXPECT_EQ(FromTopLine(box).rfind(L"The Lens Flare Editor\r\n", 0), 0u);

        SendMessageW(box, EM_LINESCROLL, 0, -1000);
        ui::Click(dialog, IDC_HELP_BUTTON);
        EXPECT_EQ(host.services.helpWindow, shown) << "a second Help reuses the window";
        EXPECT_EQ(FromTopLine(box).rfind(L"The Lens Flare Editor\r\n", 0), 0u);
    });
    EXPECT_FALSE(IsWindow(shown)) << "the help window closes with the editor";
    EXPECT_EQ(host.services.helpWindow, nullptr);
    ASSERT_EQ(urlsHandedOver.size(), 2u);
    EXPECT_NE(urlsHandedOver[0].find("/docs/user-guide.html#the-lens-flare-editor"), std::string::npos)
        << urlsHandedOver[0];
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST(HelpWindow, TheFallbackFormatsHeadingsEmphasisListsTablesAndEntities)
{
    HostSession host;
    std::string guide =
        "<!DOCTYPE html>\n<html><head><title>Title</title><style>h1 { color: red; }</style>"
           "</head><body>\n<h1 id=\"a-guide\">A guide</h1>\n"
           "<p>Press <strong>Ok</strong> or see <a href=\"#pick\"><code>Pick</code></a> &amp;\n"
           "<em>more</em> &lt;1&gt; &#215;&#x2026;</p>\n<ul>\n<li><p><strong>Add</strong>: opens\n"
           "a dialog.</p>\n<p><img src=\"images/shot.png\"\nalt=\"Shot of it\" /></p></li>\n"
           "<li>Remove<ol>\n<li>first</li>\n<li>second</li>\n</ol></li>\n</ul>\n"
           "<table>\n<thead>\n<tr class=\"header\">\n<th>section</th>\n<th>key</th>\n</tr>\n"
           "</thead>\n<tbody>\n<tr class=\"odd\">\n<td><code>UI</code></td>\n<td>on (1)</td>\n"
           "</tr>\n</tbody>\n</table>\n<pre><code>two  spaces\nnext {line}\\</code></pre>\n"
           "<h2 id=\"the-lens-flare-editor\">The Lens Flare Editor</h2>\n";
    /* Enough below the heading for it to scroll to the top. */
    for (int line = 0; line < 80; line++)
        guide += "<p>more</p>\n";
    host.services.guideFile = host.Path("guide.html");
    std::ofstream(host.services.guideFile, std::ios::binary) << guide;
    host.services.showHelpWindow = true;
    host.services.openUrl = NoBrowser;
    host.services.ShowHelp(nullptr, kTopic);
    HWND box = HelpBox(host);
    ASSERT_TRUE(IsWindow(box));
    std::wstring text = WideText(box);
    EXPECT_EQ(text.substr(0, text.find(L"\r\nmore\r\n") + 2),
              L"A guide\r\nPress Ok or see Pick & more <1> \u00d7\u2026\r\n"
              L"\u2022\tAdd: opens a dialog.\r\nPicture: Shot of it\r\n\u2022\tRemove\r\n"
              L"1.\tfirst\r\n2.\tsecond\r\nsection\tkey\r\nUI\ton (1)\r\n"
              L"two  spaces\r\nnext {line}\\\r\nThe Lens Flare Editor\r\n");
    EXPECT_EQ(FromTopLine(box).rfind(L"The Lens Flare Editor\r\n", 0), 0u);
    CHARFORMATW body = FormatAt(box, 8);   /* "Press" */
    CHARFORMATW heading = FormatAt(box, 0);
    EXPECT_TRUE(heading.dwEffects & CFE_BOLD);
    EXPECT_GT(heading.yHeight, body.yHeight);
    EXPECT_FALSE(body.dwEffects & (CFE_BOLD | CFE_ITALIC));
    EXPECT_TRUE(FormatAt(box, 14).dwEffects & CFE_BOLD) << "Ok";
    EXPECT_FALSE(FormatAt(box, 17).dwEffects & CFE_BOLD) << "or, after Ok";
    EXPECT_STRNE(FormatAt(box, 24).szFaceName, body.szFaceName) << "code";
    EXPECT_TRUE(FormatAt(box, 31).dwEffects & CFE_ITALIC) << "more";
    DestroyWindow(host.services.helpWindow);
}

TEST(HelpWindow, AMissingGuideIsSaidWithItsPathAndNothingOpens)
{
    HostSession host;
    host.services.guideFile = host.Path("no-such-guide.html");
    host.services.showHelpWindow = true;
    host.services.openUrl = BrowserOpens;
    urlsHandedOver.clear();
    ui::Driver driver;
    host.Edit(driver, [](HWND dialog) { ui::Click(dialog, IDC_HELP_BUTTON); });
    ASSERT_EQ(driver.Boxes().size(), 1u);
    EXPECT_EQ(driver.Boxes()[0].caption, "flarehost Help");
    EXPECT_NE(driver.Boxes()[0].text.find(host.services.guideFile + "\n(it cannot be opened)"),
              std::string::npos)
        << driver.Boxes()[0].text;
    EXPECT_TRUE(urlsHandedOver.empty());
    EXPECT_EQ(host.services.helpWindow, nullptr);
}

TEST(HelpWindow, AnchorsAreFoundByTheWholeHeadingAndTheShippedGuideHasItsPictures)
{
    struct Case {
        const char *html;
        const char *topic;
        const char *anchor;
    } cases[] = {
        {"<h1 id=\"g\">Guide</h1><h2 id=\"x\">The Lens Flare Editor</h2>", kTopic, "x"},
        {"<h3 class=\"c\" id=\"y\">The Lens Flare\r\nEditor</h3>", kTopic, "y"},
        {"<h2 id=\"b\"><em>The</em> Lens Flare Editor</h2>", kTopic, "b"},
        {"<h2 id=\"x\">The Lens Flare Editor and more</h2>", kTopic, ""},
        {"<p id=\"p\">The Lens Flare Editor</p>", kTopic, ""},
        {"<header id=\"h\">The Lens Flare Editor</header>", kTopic, ""},
        {"<h2>The Lens Flare Editor</h2><p id=\"p\">", kTopic, ""},
        {"<h2 id=\"x\">The Lens Flare Editor</h2>", "some other topic", ""},
        {"<h2 id=\"x\">The Lens Flare Editor</h2>", nullptr, ""},
        {"<h2 id=\"x\">The Lens Flare Editor", kTopic, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HelpAnchor(c.html, c.topic), c.anchor) << c.html;

    std::string guide = ReadBytes(DefaultGuideFile());
    ASSERT_FALSE(guide.empty()) << DefaultGuideFile();
    EXPECT_EQ(HelpAnchor(guide, kTopic), kEditorAnchor);
    std::string docs = DefaultGuideFile().substr(0, DefaultGuideFile().rfind('\\') + 1);
    int pictures = 0;
    for (size_t at = guide.find("<img src=\""); at != std::string::npos;
         at = guide.find("<img src=\"", at + 1), pictures++) {
        std::string file = guide.substr(at + 10, guide.find('"', at + 10) - at - 10);
        EXPECT_TRUE(Exists(docs + file)) << file;
    }
    EXPECT_GE(pictures, 5);
}

} // namespace
