// Dragging the light across the preview, the right-button clipboard copy
// and the radius overlay drawn on the preview.
#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <tuple>

#include "model/lens_flare_model.h"
#include "preview_fixture.h"

using namespace preview_test;

namespace {

TEST_F(PreviewFixture, PressAndDragRenderWithTheLightUnderTheMouseUntilReleaseCancelOrCaptureLoss)
{
    OpenPreview(300, 200);   /* G-buffer 201 high: y counts up from the bottom */
    enum Act { kPress, kRelease, kHover, kDrag, kCancel, kCaptureTaken };
    const int kNone = -1000;
    struct Step {
        Act act;
        int mouseX, mouseY;
        int x, y;   /* where it renders; kNone: it does not */
        bool captured;
    } steps[] = {
        {kPress, 10, 0, 10, 200, true}, {kRelease, 10, 0, kNone, 0, false},
        {kPress, 10, 200, 10, 0, true}, {kRelease, 10, 200, kNone, 0, false},
        {kPress, 299, 199, 299, 1, true}, {kRelease, 299, 199, kNone, 0, false},
        {kHover, 40, 40, kNone, 0, false},
        {kPress, 20, 100, 20, 100, true},
        {kPress, 90, 90, kNone, 0, true},   /* a second press while dragging */
        {kDrag, 30, 40, 30, 160, true},
        {kDrag, 50, -5, 50, 205, true},     /* above the control */
        {kDrag, 320, 260, 320, -60, true},  /* right of and below it */
        /* One pixel left of the control reads as x = -1: the stored position. */
        {kDrag, -1, 30, 320, -60, true},
        {kRelease, 10, 10, kNone, 0, false},
        {kDrag, 60, 60, kNone, 0, false},
        {kPress, 20, 20, 20, 180, true},
        {kCancel, 0, 0, kNone, 0, false},
        {kDrag, 60, 60, kNone, 0, false},
        {kPress, 70, 70, 70, 130, true},
        {kCaptureTaken, 0, 0, kNone, 0, false},
        {kHover, 60, 60, kNone, 0, false},   /* the button up: the light stays */
        {kPress, 80, 80, 80, 120, true},
    };
    const std::function<void(int, int)> acts[] = {   /* in the order of Act */
        [&](int x, int y) { ui::LeftDown(preview, x, y); },
        [&](int x, int y) { ui::LeftUp(preview, x, y); },
        [&](int x, int y) { ui::MouseMove(preview, x, y, false); },
        [&](int x, int y) { ui::MouseMove(preview, x, y, true); },
        [&](int, int) { SendMessageA(preview, WM_CANCELMODE, 0, 0); },
        [&](int, int) {
            SetCapture(dialog);
            ReleaseCapture();
        },
    };
    Point light = {75, 50};
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "act " << s.act << " at " << s.mouseX << ","
                                        << s.mouseY);
        host.ClearLog();
        acts[s.act](s.mouseX, s.mouseY);
        if (s.x != kNone)
            light = {s.x, s.y};
        EXPECT_EQ(s.x == kNone ? std::vector<Point>{} : std::vector<Point>{light},
                  RenderPositions(host));
        EXPECT_EQ(light, Point({flareX, flareY}));
        EXPECT_EQ(s.captured ? preview : nullptr, GetCapture());
    }
    ui::LeftUp(preview, 70, 70);
}

BOOL CALLBACK CloseClipboardErrorBox(HWND window, LPARAM)
{
    if (ui::Text(window) == "Clipboard Error")
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

/* Closes a box the driver failed to answer, so that the test fails rather
 * than hangs with the session's clipboard held. */
void CALLBACK UnansweredBoxGuard(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CloseClipboardErrorBox, 0);
}

TEST_F(PreviewFixture, RightButtonCopiesASmallRenderingWithTheLightAtTheSamePlaceOrSaysItIsBusy)
{
    OpenPreview(300, 200);   /* image 301 x 201, light at (75, 50) */
    RefreshPreview(-1, -1);
    std::vector<unsigned char> editorPixels(editorPreview.pixels,
                                            editorPreview.pixels + 904 * 201);
    std::vector<float> editorRed(PreviewGBuffer()->red, PreviewGBuffer()->red + 301 * 201);
    {
        /* First held by another window, with text on it: a box, and the
         * clipboard kept. */
        ASSERT_TRUE(ui::OpenClipboardSoon(ui::TestOwnerWindow()));
        EmptyClipboard();
        HGLOBAL kept = GlobalAlloc(GMEM_MOVEABLE, 5);
        std::memcpy(GlobalLock(kept), "kept", 5);
        GlobalUnlock(kept);
        SetClipboardData(CF_TEXT, kept);
        ui::Driver driver;
        UINT_PTR guard = SetTimer(nullptr, 0, 5000, UnansweredBoxGuard);
        ui::RightUp(preview, 5, 5);
        KillTimer(nullptr, guard);
        CloseClipboard();
        EXPECT_EQ(driver.Seen(), std::vector<std::string>{
                                     "Clipboard Error|The clipboard is currently being used by "
                                     "another application."});
    }
    ASSERT_TRUE(ui::OpenClipboardSoon(dialog));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    HANDLE text = GetClipboardData(CF_TEXT);
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("kept", static_cast<const char *>(GlobalLock(text)));
    GlobalUnlock(text);
    CloseClipboard();

    host.ClearLog();
    ui::RightDown(preview, 5, 5);
    ui::RightUp(preview, 5, 5);

    ASSERT_EQ((std::vector<Point>{{29, 22}}), RenderPositions(host));
    std::vector<std::string> renders = host.Log("Ki_LensFlareApplyToGBuffer");
    EXPECT_EQ("null", renders[0].substr(renders[0].rfind(' ') + 1)) << "no progress callback";
    std::vector<std::string> allocs = host.Log("Ki_Alloc_Global_GBuffer");
    ASSERT_EQ(1u, allocs.size());
    EXPECT_NE(std::string::npos, allocs[0].find(" 120 90 90 0")) << allocs[0];
    EXPECT_EQ(1u, host.Log("Ki_Free_Global_GBuffer").size());
    EXPECT_EQ(Point({75, 50}), Point({flareX, flareY}));
    EXPECT_EQ(0, std::memcmp(editorPixels.data(), editorPreview.pixels, editorPixels.size()));
    EXPECT_EQ(0, std::memcmp(editorRed.data(), PreviewGBuffer()->red,
                             editorRed.size() * sizeof(float)));

    ASSERT_TRUE(ui::OpenClipboardSoon(dialog));
    HANDLE block = GetClipboardData(CF_DIB);
    ASSERT_NE(nullptr, block);
    ASSERT_GE(GlobalSize(block), (SIZE_T)(40 + 360 * 90));
    const unsigned char *bytes = static_cast<const unsigned char *>(GlobalLock(block));
    ASSERT_NE(nullptr, bytes);
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    std::vector<unsigned char> pixels(bytes + 40, bytes + 40 + 360 * 90);
    GlobalUnlock(block);
    CloseClipboard();

    using Header = std::tuple<DWORD, LONG, LONG, WORD, WORD, DWORD, DWORD>;
    EXPECT_EQ(Header(40, 120, 90, 1, 24, BI_RGB, 0),
              std::tie(header.biSize, header.biWidth, header.biHeight, header.biPlanes,
                       header.biBitCount, header.biCompression, header.biClrUsed));
    /* An independent look at what the host renders for the light at (29, 22)
     * in a fresh (black, fully covered) 120 x 90 buffer: the 24-bit bytes,
     * bottom row first. */
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(120, 90, 90, 0);
    ASSERT_NE(nullptr, buffer);
    Ki_LensFlareApplyToGBuffer(buffer, Ki_Inquire_Token("light"), kLight, 29, 22, nullptr);
    std::vector<unsigned char> expected(360 * 90);
    for (int row = 0; row < 90; row++) {
        for (int column = 0; column < 120; column++) {
            int i = row * 120 + column;
            unsigned char *out = &expected[row * 360 + column * 3];
            out[0] = (unsigned char)(long long)(buffer->blue[i] * 255.0);
            out[1] = (unsigned char)(long long)(buffer->green[i] * 255.0);
            out[2] = (unsigned char)(long long)(buffer->red[i] * 255.0);
        }
    }
    Ki_Free_Global_GBuffer(buffer);
    EXPECT_TRUE(pixels == expected) << "clipboard pixels differ from the host's rendering";
    size_t lit = 0;
    for (unsigned char b : expected)
        lit += b != 0;
    EXPECT_GT(lit, 50u) << "the default flare should show in the copy";
}

/* ---- Radius overlay ------------------------------------------------------ */

/* Left, top, right and bottom: inclusive pixels of the control. */
using Box = std::array<int, 4>;

/* The smallest box around the white pixels the preview shows, {width,
 * height, -1, -1} without any, and whether the pixel in its middle is white. */
Box WhiteBox(HWND preview, bool *middleWhite = nullptr)
{
    Capture shown = ui::Pixels(preview);
    Box box = {shown.width, shown.height, -1, -1};
    for (int y = 0; y < shown.height; y++)
        for (int x = 0; x < shown.width; x++)
            if (IsWhite(shown.Pixel(x, y)))
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x),
                       std::max(box[3], y)};
    if (middleWhite)
        *middleWhite = IsWhite(shown.Pixel((box[0] + box[2]) / 2, (box[1] + box[3]) / 2));
    return box;
}

/* The outline just fits the box, and its middle is not filled. */
void ExpectEllipseIn(HWND preview, const Box &box)
{
    bool middleWhite = true;
    EXPECT_EQ(box, WhiteBox(preview, &middleWhite));
    EXPECT_FALSE(middleWhite);
}

TEST_F(PreviewFixture, TheRadiusOverlayIsAnEllipseSizedByTheValueAroundTheLightDrawnOnEachUpdateOnlyWithAPreview)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value, scale, stretch;
        Box box;
    } cases[] = {
        /* half = 75; corners (63, 112) and (138, 37) */
        {0.5f, 1.0f, 1.0f, {63, 37, 137, 111}},
        {0.25f, 2.0f, 1.0f, {63, 37, 137, 111}},
        /* stretch 2 halves the vertical radius: y0 = 56, y1 = 93 */
        {0.5f, 1.0f, 2.0f, {63, 56, 137, 92}},
        /* stretch 0.5 doubles it: x0 = 81, x1 = 118, y as the first */
        {0.25f, 1.0f, 0.5f, {82, 37, 118, 111}},
        /* no usable stretch: drawn as none */
        {0.5f, 1.0f, 0.0f, {63, 37, 137, 111}},
        {0.5f, 1.0f, nan, {63, 37, 137, 111}},
        {0.5f, 1.0f, inf, {63, 37, 137, 111}},
    };
    OpenPreview(200, 150);
    flareX = 100;
    flareY = 75;
    std::memset(editorPreview.pixels, 0, (size_t)editorPreview.rowLength * 151);
    editorPreview.rendered = 1;
    InvalidateRect(preview, nullptr, FALSE);
    UpdateWindow(preview);
    const KaToken update = Ki_Inquire_Token("update");
    DrawRadiusOverlay(update, 0, 0.5f);
    EXPECT_EQ(-1, WhiteBox(preview)[2]) << "without a model";
    LensFlareModel model = {};
    instance.model = &model;
    DrawRadiusOverlay(Ki_Inquire_Token("start"), 0, 0.5f);
    EXPECT_EQ(-1, WhiteBox(preview)[2]) << "start";
    /* Each over the last: a smaller one after a larger shows that each
     * update repaints the preview first. */
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " x " << c.scale << " / " << c.stretch);
        model.scale = c.scale;
        model.anamorphicStretch = c.stretch;
        DrawRadiusOverlay(update, 0, c.value);
        ExpectEllipseIn(preview, c.box);
    }
    DrawRadiusOverlay(Ki_Inquire_Token("end"), 0, 0.1f);
    ExpectEllipseIn(preview, cases[6].box);   /* "end" leaves the last one */

    SCOPED_TRACE("without a preview nothing is drawn over the last one");
    TearDownEditorPreview(dialog);
    DrawRadiusOverlay(update, 0, 0.25f);
    ExpectEllipseIn(preview, cases[6].box);
    instance.model = nullptr;
}

} // namespace
