// Copy, paste and duplicate of elements in the real editor, driven by key
// chords; the host's own saved flares are the oracle: an element pasted or
// duplicated saves as the same text as the one copied.
#include <algorithm>
#include <cstring>
#include <sstream>
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "editor/element_clipboard.h"
#include "element_fixture.h"
#include "panel/panel.h"
#include "preview/preview.h"
#include "ui_driver.h"

namespace {

using fx::SavedFlare;
using fx::SystemMenuItem;

/* Every kind of parameter, with ranges that take the odd values below. */
const char kClipType[] =
    "type t_clip\ndescription Clip Test\n"
    "param floatslider size\nabsmax 10\ndefault 2\n"
    "param intslider count\nabsmax 100\ndefault 3\n"
    "param angle turn\nabsmin -360\nabsmax 360\n"
    "param checkbox flag\n"
    "param color tint\ndefault 0.2 0.4 0.6\n"
    "param point where\nabsmin -1000\nabsmax 1000\n"
    "param list mode\nlist Low:0,High:1\nabsmax 5\n"
    "param gradient ramp\nstop 0 1 1 1\nstop 1 0 0 0\n"
    "param arbitrarydata blob\ndata \"abc\"\n"
    "end\n";

void SetValue(const HostSession &host, const std::string &guid, int32_t p, float a, float b = 0,
              float c = 0)
{
    float v[3] = {a, b, c};
    ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1,
                           T("parameter"), &p, T("value"), v, 1, 0),
              0);
}

/* The t_clip element of the flare given values no default has. */
void GiveOddValues(const HostSession &host, const std::string &guid)
{
    SetValue(host, guid, 0, 7.25f);
    SetValue(host, guid, 1, 42);
    SetValue(host, guid, 2, -123.456789f);
    SetValue(host, guid, 3, 1);
    SetValue(host, guid, 4, 0.1f, 1e-40f, 1);
    SetValue(host, guid, 5, -999.5f, 1.0f / 3, 12);
    int32_t p = 7, stops = 5;
    float colors[15] = {0.1f, 0.2f, 0.3f, 1, 0, 0.5f, 0.25f, 0.75f, 1e-40f, 0, 0, 0, 1, 1, 1};
    float offsets[5] = {0, 0.1f, 0.35f, 0.9f, 1};
    ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1,
                           T("parameter"), &p, T("gradientdata"), &stops, colors, offsets, 1, 0),
              0);
    p = 8;
    const char data[] = "xyz\0\x01\xff\"q";
    int32_t size = sizeof data;
    ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(), 1,
                           T("parameter"), &p, T("arbitrarydata"), &size, data, 1, 0),
              0);
    ASSERT_EQ(Ki_LensFlare(T("light"), host.light.c_str(), T("element"), guid.c_str(),
                           T("enabled"), T("off"), 1, 0),
              0);
}

/* The "element ... end" blocks of a saved flare, each with its lines. */
std::vector<std::string> ElementBlocks(const std::string &saved)
{
    std::vector<std::string> blocks;
    std::istringstream in(saved);
    std::string line, block;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        inside = inside || line.rfind("element ", 0) == 0;
        if (inside)
            block += line + "\n";
        if (inside && line == "end") {
            blocks.push_back(block);
            block.clear();
            inside = false;
        }
    }
    return blocks;
}

/* A chord with Ctrl held, pressed in the window that has the focus; the
 * modal loop's key filter sees it before the next step runs. */
void QueueCtrl(ui::Driver &driver, UINT key, std::function<HWND(HWND)> target)
{
    driver.Then([=](HWND dialog) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        HWND window = target(dialog);
        SetFocus(window);
        ui::Key(window, key);
    });
    driver.Then([](HWND) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    });
}

HWND TheList(HWND dialog)
{
    return GetDlgItem(dialog, IDC_ELEMENT_LIST);
}

void PutOnClipboard(UINT format, const void *bytes, size_t size)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    EXPECT_TRUE(SetClipboardData(format, block));
    CloseClipboard();
}

std::string ClipboardBytes(UINT format)
{
    std::string out;
    if (!OpenClipboard(nullptr))
        return out;
    if (HANDLE block = GetClipboardData(format)) {
        const char *at = static_cast<const char *>(GlobalLock(block));
        out.assign(at, GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return out;
}

std::string ClipboardText()
{
    std::string text = ClipboardBytes(CF_TEXT);
    return text.substr(0, text.find('\0'));
}

UINT RecordFormat()
{
    return RegisterClipboardFormatA(ELEMENT_CLIPBOARD_FORMAT);
}

std::string WithoutCr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

/* Copies line 1 of a t_clip flare in an editor; returns the record. */
std::string CopiedClipRecord()
{
    fx::Define(kClipType);
    HostSession source("Light07");
    fx::SetFlareTypes(source, {"glow", "t_clip"});
    GiveOddValues(source, fx::HostElements(source)[1].guid);
    ui::Driver driver;
    driver.Then([](HWND dialog) { fx::SelectLine(dialog, 1); });
    QueueCtrl(driver, 'C', TheList);
    source.Edit(driver, [](HWND) {});
    std::string record = ClipboardBytes(RecordFormat());
    uint32_t bytes = 0;
    if (record.size() >= 8)
        std::memcpy(&bytes, record.data() + 4, sizeof bytes);
    return record.substr(0, bytes);   /* the block may have been rounded up */
}

} // namespace

TEST(ElementClipboard, CopiedInOneEditorPastesAfterTheSelectionOfAnotherLightsFlareAsTheSameText)
{
    fx::Define(kClipType);
    HostSession source("Light01");
    fx::SetFlareTypes(source, {"glow", "t_clip", "ring"});
    GiveOddValues(source, fx::HostElements(source)[1].guid);
    const std::string copied = ElementBlocks(SavedFlare(source))[1];
    ui::Driver copying;
    copying.Then([](HWND dialog) { fx::SelectLine(dialog, 1); });
    QueueCtrl(copying, 'C', TheList);
    source.Edit(copying, [&](HWND dialog) {
        EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey) << "a copy changes nothing";
    });
    EXPECT_EQ(WithoutCr(ClipboardText()), copied) << "people read the library syntax";
    ASSERT_FALSE(ClipboardBytes(RecordFormat()).empty());

    HostSession target("Light02");
    fx::SetFlareTypes(target, {"halo", "ring"});
    const std::string before = SavedFlare(target);
    std::string pasted;
    ui::Driver pasting;
    pasting.Then([](HWND dialog) { fx::SelectLine(dialog, 0); });
    QueueCtrl(pasting, 'V', TheList);
    pasting.Then([&](HWND dialog) {
        pasted = SavedFlare(target);
        std::vector<std::string> blocks = ElementBlocks(pasted);
        ASSERT_EQ(blocks.size(), 3u);
        EXPECT_EQ(blocks[1], copied);
        EXPECT_EQ(fx::ListSelection(dialog), 1);
        ASSERT_NE(currentInstance->currentElement, nullptr) << "its panel is shown";
        EXPECT_STREQ(currentInstance->currentElement->name, "t_clip");
        EXPECT_FALSE(ui::IsChecked(dialog, IDC_ELEMENT_ENABLED));
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Paste Clip Test\tCtrl+Z");
        EXPECT_STREQ(PreviewNotice(), "") << "nothing was skipped";
    });
    QueueCtrl(pasting, 'Z', TheList);
    pasting.Then([&](HWND dialog) {
        EXPECT_EQ(SavedFlare(target), before);
        EXPECT_EQ(fx::ListCount(dialog), 2);
    });
    QueueCtrl(pasting, 'Y', TheList);
    target.Edit(pasting, [&](HWND dialog) {
        EXPECT_EQ(ElementBlocks(SavedFlare(target)), ElementBlocks(pasted));
        EXPECT_EQ(fx::ListCount(dialog), 3);
    });
    EXPECT_EQ(fx::ElementNames(target), (std::vector<std::string>{"halo", "t_clip", "ring"}));
}

TEST(ElementClipboard, DuplicateFollowsTheSelectedElementLeavesTheClipboardAndIsOneUndoStep)
{
    fx::Define(kClipType);
    HostSession host;
    fx::SetFlareTypes(host, {"t_clip", "glow"});
    GiveOddValues(host, fx::HostElements(host)[0].guid);
    const std::string opening = SavedFlare(host);
    const std::string original = ElementBlocks(opening)[0];
    PutOnClipboard(CF_TEXT, "kept", 5);
    std::string duplicated;
    ui::Driver driver;
    driver.Then([](HWND dialog) { fx::SelectLine(dialog, 0); });
    QueueCtrl(driver, 'D', [](HWND dialog) { return GetDlgItem(dialog, IDC_MOVE_UP); });
    driver.Then([&](HWND dialog) {
        duplicated = SavedFlare(host);
        EXPECT_EQ(ElementBlocks(duplicated),
                  (std::vector<std::string>{original, original, ElementBlocks(opening)[1]}));
        EXPECT_EQ(fx::ListSelection(dialog), 1);
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text,
                  "Undo Duplicate Clip Test\tCtrl+Z");
    });
    QueueCtrl(driver, 'Z', TheList);
    driver.Then([&](HWND) { EXPECT_EQ(SavedFlare(host), opening); });
    QueueCtrl(driver, 'Y', TheList);
    host.Edit(driver, [&](HWND) { EXPECT_EQ(SavedFlare(host), duplicated); });
    EXPECT_EQ(ClipboardText(), "kept");
    EXPECT_TRUE(ClipboardBytes(RecordFormat()).empty());
}

TEST(ElementClipboard, RefusedPastesLeaveTheFlareAsItWasAndSayWhy)
{
    const std::string record = CopiedClipRecord();
    ASSERT_GT(record.size(), 100u);
    std::string otherType = record;
    std::string::size_type at = otherType.find("t_clip");
    ASSERT_NE(at, std::string::npos);
    otherType[at + 5] = 'z';
    std::string hugeText = record;
    hugeText[19] = '\x7f';   /* the type name's length, top byte */
    std::string manyStops = record;
    at = manyStops.find("ramp");
    ASSERT_NE(at, std::string::npos);
    /* Past the name, the type's length and text and the value: 4101 stops. */
    manyStops[at + 4 + 4 + 8 + 16 + 1] = 0x10;
    std::string longer = record;
    longer[5] = (char)(longer[5] + 1);   /* says one byte more than there is */
    struct Row {
        const char *what;
        UINT format;
        std::string bytes;
        const char *notice;
    };
    const char *damaged = "Nothing pasted: the clipboard's element is damaged.";
    const Row rows[] = {
        {"plain text", CF_TEXT, std::string("element glow\nend\n", 18),
         "Nothing pasted: the clipboard holds no lens flare element."},
        {"a type the host lacks", RecordFormat(), otherType,
         "Nothing pasted: this host has no element type \"t_cliz\"."},
        {"cut off by one byte", RecordFormat(), record.substr(0, record.size() - 1), damaged},
        {"a text length beyond any limit", RecordFormat(), hugeText, damaged},
        {"more stops than a gradient takes", RecordFormat(), manyStops, damaged},
        {"a size beyond the block", RecordFormat(), longer.substr(0, record.size()), damaged},
        {"four bytes", RecordFormat(), record.substr(0, 4), damaged},
    };
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    const std::string opening = SavedFlare(host);
    for (const Row &row : rows) {
        ui::Driver driver;
        driver.Then([&](HWND) { PutOnClipboard(row.format, row.bytes.data(), row.bytes.size()); });
        QueueCtrl(driver, 'V', TheList);
        host.Edit(driver, [&](HWND dialog) {
            EXPECT_STREQ(PreviewNotice(), row.notice) << row.what;
            EXPECT_TRUE(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).grey) << row.what;
            EXPECT_EQ(fx::ListCount(dialog), 2) << row.what;
        });
        EXPECT_EQ(SavedFlare(host), opening) << row.what;
    }
}

TEST(ElementClipboard, AParameterTheTargetTypeLacksIsSkippedAndNamedTheOthersArePasted)
{
    std::string record = CopiedClipRecord();
    std::string::size_type at = record.find("size");
    ASSERT_NE(at, std::string::npos);
    record[at + 3] = 'k';
    HostSession host;
    fx::SetFlareTypes(host, {"glow"});
    ui::Driver driver;
    driver.Then([&](HWND) { PutOnClipboard(RecordFormat(), record.data(), record.size()); });
    QueueCtrl(driver, 'V', TheList);
    host.Edit(driver, [&](HWND dialog) {
        EXPECT_STREQ(PreviewNotice(),
                     "Pasted t_clip without 1 parameter it cannot take: sizk");
        EXPECT_EQ(SystemMenuItem(dialog, IDM_SYSTEM_UNDO).text, "Undo Paste Clip Test\tCtrl+Z");
    });
    EXPECT_EQ(fx::HostValue(host, 1, 0)[0], 2.0f) << "size keeps its default";
    EXPECT_EQ(fx::HostValue(host, 1, 1)[0], 42.0f) << "count is pasted";
}

TEST(ElementClipboard, InAnEditBoxCtrlCAndCtrlVStayTheBoxs)
{
    HostSession host;
    fx::SetFlareTypes(host, {"glow", "ring"});
    const std::string opening = SavedFlare(host);
    PutOnClipboard(RecordFormat(), "x", 1);   /* a paste by the editor would say "damaged" */
    std::string shown;
    ui::Driver driver;
    driver.Then([&](HWND dialog) {
        fx::ShowSection(dialog, SECTION_GLOBAL);
        shown = ui::Text(intensitySlider->edit);
        SendMessageA(intensitySlider->edit, EM_SETSEL, 0, -1);
    });
    auto box = [](HWND) { return intensitySlider->edit; };
    QueueCtrl(driver, 'V', box);
    driver.Then([&](HWND dialog) {
        EXPECT_STREQ(PreviewNotice(), "") << "the paste did not reach the editor";
        EXPECT_EQ(fx::ListCount(dialog), 2);
        SendMessageA(intensitySlider->edit, EM_SETSEL, 0, -1);
    });
    QueueCtrl(driver, 'C', box);
    host.Edit(driver, [&](HWND) {});
    EXPECT_EQ(SavedFlare(host), opening);
    EXPECT_LE(ClipboardBytes(RecordFormat()).size(), 1u) << "the copy did not reach the editor";
    EXPECT_EQ(ClipboardText(), shown) << "the box copied its text";
}
