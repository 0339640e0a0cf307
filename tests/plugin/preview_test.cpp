// The preview's image, conversion, set-up, refresh, drawing, progress line
// and palette messages, on the editor template's real preview control.
#include <cmath>

#include "preview_fixture.h"

using namespace preview_test;

namespace {

/* A G-buffer owned by the test, every pixel the same colour. */
struct FilledBuffer {
    FilledBuffer(int width, int height, float r, float g, float b)
        : red(width * height, r), green(width * height, g), blue(width * height, b),
          depth(width * height, 0.0f), coverage(width * height, 1.0f)
    {
        buffer = {width, height, red.data(), green.data(), blue.data(), depth.data(),
                  coverage.data()};
    }
    std::vector<float> red, green, blue, depth, coverage;
    KaGBuffer buffer;
};

class PreviewImageTest : public PreviewFixture {
protected:
    void TearDown() override
    {
        FreePreviewImage(&image);
        PreviewFixture::TearDown();
    }
    PreviewImage image = {};
};

TEST_F(PreviewImageTest, EachLevelConvertsToItsBytesInRowsPaddedToFourBytes)
{
    const unsigned char kMarker = 0xEE;
    const int height = 7;
    struct Case {
        int bytesPerPixel, width, rowLength;
        float r, g, b;
        int bytes[3];   /* of each pixel: the palette index, or blue, green, red */
    } cases[] = {
        /* Paletted levels top out at 1.0. */
        {1, 301, 304, 1.0f, 1.0f, 1.0f, {224 + 10}},
        {1, 5, 8, 2.0f, 1.5f, 1.0f, {224 + 10}},
        {1, 8, 8, 0, 0, 0, {10}},
        {1, 13, 16, 1.0f, 0, 0, {180 + 10}},
        {1, 6, 8, 0, 1.0f, 0, {40 + 10}},
        {1, 1, 4, 0, 0, 1.0f, {4 + 10}},
        {1, 7, 8, 0.6f, 0.5f, 0.2f, {45 * 3 + 5 * 4 + 1 + 10}},
        /* True colour keeps the low byte; blue carries the value here, green
         * a quarter and red nothing. */
        {3, 301, 904, 0, 0.25f, 0, {0, 63, 0}},
        {3, 120, 360, 0, 0.25f, 1.0f, {255, 63, 0}},
        {3, 1, 4, 0, 0.25f, 0.5f, {127, 63, 0}},
        {3, 3, 12, 0, 0.25f, 1.0f / 255.0f, {1, 63, 0}},
        {3, 2, 8, 0, 0.25f, 2.0f, {254, 63, 0}},
        {3, 5, 16, 0, 0.25f, 1.5f, {126, 63, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.bytesPerPixel << ": " << c.r
                                        << " " << c.g << " " << c.b);
        forcePaletteDisplay = c.bytesPerPixel == 1;
        ASSERT_EQ(0, CreatePreviewImage(&image, IDC_PREVIEW, c.width, height, c.bytesPerPixel));
        ASSERT_EQ(c.rowLength, image.rowLength);
        EXPECT_EQ(c.bytesPerPixel == 1 ? 256u : 0u, image.header->biClrUsed);
        FilledBuffer source(c.width, height, c.r, c.g, c.b);
        std::memset(image.pixels, kMarker, (size_t)image.rowLength * height);
        ConvertGBufferToImage(&source.buffer, &image);
        EXPECT_EQ(1, image.rendered);
        const int used = c.width * c.bytesPerPixel;
        for (int row = 0; row < height; row++)
            for (int x = 0; x < image.rowLength; x++)
                ASSERT_EQ(x < used ? c.bytes[x % c.bytesPerPixel] : kMarker,
                          (int)image.pixels[(size_t)row * image.rowLength + x])
                    << x << "," << row;
        FreePreviewImage(&image);
    }
}

/* The rule a 24-bit byte follows, worked out apart from the plug-in: the
 * low byte of trunc(value x 255.0) in double precision, where NaN and
 * anything whose truncation does not fit 32 bits give 0. */
unsigned char RuleByte(float value)
{
    double scaled = (double)value * 255.0;
    if (std::isnan(scaled) || scaled <= -2147483649.0 || scaled >= 2147483648.0)
        return 0;
    return (unsigned char)((long long)scaled & 255);
}

float FloatOfBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

/* Converts the values as rows of an odd width, each value in turn in every
 * channel, eight and four pixels at a time, and counts the bytes that
 * break the rule. */
long long BytesAgainstTheRule(const std::vector<float> &values)
{
    const size_t width = 1021, n = values.size();
    std::vector<unsigned char> expected(n);
    for (size_t j = 0; j < n; j++)
        expected[j] = RuleByte(values[j]);
    auto wrap = [n](size_t j) {
        while (j >= n)
            j -= n;
        return j;
    };
    std::vector<float> red(width), green(width), blue(width);
    std::vector<unsigned char> out(3 * width);
    long long wrong = 0;
    for (size_t start = 0; start < n; start += width) {
        for (size_t i = 0; i < width; i++) {
            red[i] = values[wrap(start + i)];
            green[i] = values[wrap(start + i + 1)];
            blue[i] = values[wrap(start + i + 2)];
        }
        for (bool plain : {false, true}) {
            plainVectorConversion = plain;
            ConvertRowTo24Bit(red.data(), green.data(), blue.data(), (int)width, out.data());
            for (size_t i = 0; i < width; i++)
                wrong += (out[3 * i] != expected[wrap(start + i + 2)]) +
                         (out[3 * i + 1] != expected[wrap(start + i + 1)]) +
                         (out[3 * i + 2] != expected[wrap(start + i)]);
        }
    }
    plainVectorConversion = false;
    return wrong;
}

TEST(PreviewConversion, FloatsAroundEveryByteAndSpreadOverAllBitsGiveTheRulesByte)
{
    std::vector<float> values;
    /* where the rule turns: each byte's edge and its neighbours, NaN,
     * infinities, signed zeros, subnormals, and where 32 bits run out */
    const float specials[] = {
        NAN, -NAN, INFINITY, -INFINITY, 0.0f, -0.0f, FloatOfBits(1), FloatOfBits(0x807FFFFF),
        FloatOfBits(0x7FBFFFFF), FloatOfBits(0xFFC00001), 1.0f, 1.5f, 2.0f, -1.0f / 255.0f,
        2147483647.0f / 255.0f, 2147483648.0f / 255.0f, -2147483648.0f / 255.0f,
        -2147483649.0f / 255.0f, 1e10f, -1e10f, 3.4e38f, -3.4e38f};
    for (float v : specials)
        for (float edge = v, n = 0; n < 3; n++, edge = std::nextafter(edge, INFINITY))
            values.push_back(edge);
    for (int k = -300; k <= 600; k++) {
        float edge = (float)k / 255.0f;
        for (int i = 0; i < 256; i++)
            edge = std::nextafter(edge, -INFINITY);
        for (int i = 0; i < 513; i++, edge = std::nextafter(edge, INFINITY))
            values.push_back(edge);
    }
    EXPECT_EQ(BytesAgainstTheRule(values), 0);
    values.clear();
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFull; bits += 4093)
        values.push_back(FloatOfBits((uint32_t)bits));
    EXPECT_EQ(BytesAgainstTheRule(values), 0) << "every 4093rd bit pattern";
    /* a pixel's usual values, 0 to 1: every 13th float */
    values.clear();
    for (uint32_t bits = 0; bits <= 0x3F800000; bits += 13)
        values.push_back(FloatOfBits(bits));
    EXPECT_EQ(BytesAgainstTheRule(values), 0) << "every 13th float of 0 to 1";
}

TEST_F(PreviewImageTest, ImpossibleSizesAreRefusedAndAMismatchedOrMissingBufferIsNotConverted)
{
    for (int width : {0, -4, 40000}) {
        EXPECT_EQ(1, CreatePreviewImage(&image, IDC_PREVIEW, width, 10, 3)) << width;
        EXPECT_EQ(0, image.valid);
        FreePreviewImage(&image);
    }
    EXPECT_EQ(1, CreatePreviewImage(&image, IDC_PREVIEW, 10, 10, 2));
    FreePreviewImage(&image);
    ASSERT_EQ(0, CreatePreviewImage(&image, IDC_PREVIEW, 10, 10, 3));
    FilledBuffer wider(11, 10, 1, 1, 1);
    ConvertGBufferToImage(&wider.buffer, &image);
    EXPECT_EQ(0, image.rendered);
    ConvertGBufferToImage(nullptr, &image);
    EXPECT_EQ(0, image.rendered);
}

TEST_F(PreviewFixture, SetUpSizesEverythingOnePixelLargerWithoutRenderingAndTearDownFreesIt)
{
    for (bool paletted : {false, true}) {
        SCOPED_TRACE(paletted ? "paletted" : "24-bit");
        forcePaletteDisplay = paletted;
        int64_t startBlocks = LiveHostBlocks();
        host.ClearLog();
        OpenPreview(300, 200);
        EXPECT_EQ(paletted ? 8 : 24, editorPreview.header->biBitCount);
        EXPECT_EQ(301, editorPreview.header->biWidth);
        EXPECT_EQ(201, editorPreview.header->biHeight);
        /* The editor asks for the first picture itself. */
        EXPECT_EQ(0, editorPreview.rendered);
        EXPECT_TRUE(RenderPositions(host).empty());
        std::vector<std::string> allocs = host.Log("Ki_Alloc_Global_GBuffer");
        ASSERT_EQ(1u, allocs.size());
        EXPECT_NE(std::string::npos, allocs[0].find(" 301 201 201 0")) << allocs[0];

        WNDPROC original = previousPreviewProc;
        ASSERT_NE(nullptr, original);
        RefreshPreview(-1, -1);
        host.ClearLog();
        TearDownEditorPreview(dialog);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(original), GetWindowLongPtrA(preview, GWLP_WNDPROC));
        EXPECT_EQ(0, editorPreview.valid);
        EXPECT_EQ(nullptr, editorPreview.pixels);
        EXPECT_EQ(nullptr, PreviewGBuffer());
        EXPECT_EQ(1u, host.Log("Ki_Free_Global_GBuffer").size());
        DestroyWindow(dialog);
        dialog = nullptr;
        EXPECT_EQ(startBlocks, LiveHostBlocks());
    }
}

TEST_F(PreviewFixture, RefreshRendersWhereToldOrStoredAndOnlyStoresWhileBusy)
{
    OpenPreview(300, 200);
    struct Step {
        int16_t x, y;
        int busy;   /* as while a render pumps timer messages */
        Point stored;
    } steps[] = {
        {-1, 123, 0, {75, 50}},   /* -1: the stored position, whatever y says */
        {12, 34, 0, {12, 34}},
        {-1, -1, 0, {12, 34}},
        {5, 6, 1, {5, 6}},
        {-1, -1, 0, {5, 6}},
        {150, 100, 0, {150, 100}},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << s.x << "," << s.y << (s.busy ? " busy" : ""));
        UpdateWindow(preview);
        std::vector<unsigned char> before(editorPreview.pixels,
                                          editorPreview.pixels + editorPreview.rowLength * 201);
        host.ClearLog();
        renderBusy = s.busy;
        RefreshPreview(s.x, s.y);
        EXPECT_EQ(s.busy, renderBusy) << "a render ends idle";
        renderBusy = 0;
        EXPECT_EQ(s.busy ? std::vector<Point>{} : std::vector<Point>{s.stored},
                  RenderPositions(host));
        EXPECT_EQ(!s.busy, GetUpdateRect(preview, nullptr, FALSE) != FALSE);
        if (s.busy) {
            EXPECT_EQ(0, std::memcmp(before.data(), editorPreview.pixels, before.size()));
        }
        EXPECT_EQ(s.stored, Point({flareX, flareY}));
    }
}

TEST_F(PreviewFixture, TheRenderIsDrawnOneToOneWithItsRowsUpsideDownAndPalettedThroughItsPalette)
{
    OpenPreview(300, 200);
    RefreshPreview(150, 100);
    UpdateWindow(preview);
    Capture shown = ui::Pixels(preview);
    ASSERT_EQ(300, shown.width);
    ASSERT_EQ(200, shown.height);
    /* The bitmap is one row taller: screen row y shows bitmap row 200 - y. */
    int differing = 0, lit = 0;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 300; x++) {
            const unsigned char *p = editorPreview.pixels + (size_t)(200 - y) * 904 + 3 * x;
            COLORREF expected = RGB(p[2], p[1], p[0]);
            if (expected != RGB(0, 0, 0))
                lit++;
            if (shown.Pixel(x, y) != expected)
                differing++;
        }
    }
    EXPECT_EQ(0, differing);
    EXPECT_GT(lit, 100) << "the default flare should light part of the preview";

    forcePaletteDisplay = true;
    OpenPreview(64, 48);
    struct Case {
        unsigned char index;
        int red, green, blue;   /* -1: above zero */
    } cases[] = {
        /* Map entry 0 is black and 224 white whatever the gamma; 5 on is
         * the first step of green. */
        {234, 255, 255, 255},
        {10, 0, 0, 0},
        {15, 0, -1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((int)c.index);
        std::memset(editorPreview.pixels, c.index, (size_t)editorPreview.rowLength * 49);
        editorPreview.rendered = 1;
        InvalidateRect(preview, nullptr, FALSE);
        UpdateWindow(preview);
        Capture shown = ui::Pixels(preview);
        for (COLORREF p : {shown.Pixel(0, 0), shown.Pixel(63, 47)}) {
            EXPECT_EQ(c.red, GetRValue(p));
            if (c.green < 0)
                EXPECT_GT(GetGValue(p), 0);
            else
                EXPECT_EQ(c.green, GetGValue(p));
            EXPECT_EQ(c.blue, GetBValue(p));
        }
    }
}

TEST_F(PreviewFixture, ProgressLineGrowsUnderThePreviewAndIsErasedAtTheStart)
{
    OpenPreview(300, 200);
    RECT box;
    GetClientRect(preview, &box);
    MapWindowPoints(preview, dialog, reinterpret_cast<POINT *>(&box), 2);
    struct Step {
        const char *phase;
        float value;
        int end;   /* of the white line, two rows high; 0: none */
    } steps[] = {
        {"start", 0.0f, 0}, {"update", 0.25f, 75}, {"update", 0.5f, 150},
        {"light", 0.9f, 150},   /* not a phase */
        {"end", 1.0f, 0},
        /* A render cut short leaves its line for the next "start" to erase. */
        {"update", 0.4f, 120}, {"start", 0.0f, 0},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << s.phase << " " << s.value);
        EXPECT_EQ(0, PreviewProgress(Ki_Inquire_Token(s.phase), s.value));
        Capture shown = ui::Pixels(dialog);
        for (int x : {0, s.end / 2, s.end - 2, s.end + 10})
            for (int row : {0, 1, 2})
                EXPECT_EQ(x >= 0 && x < s.end && row < 2,
                          IsWhite(shown.Pixel(box.left + x, box.bottom + row)))
                    << x << "," << row;
    }
}

TEST_F(PreviewFixture, TheRenderPumpTakesOnlyTimersAndItsWaitTimerShowsTheWaitCursorUntilARenderEnds)
{
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW), wait = LoadCursor(nullptr, IDC_WAIT);
    OpenPreview(300, 200);
    EXPECT_EQ(arrow, CurrentCursor());
    ui::Pump();
    PostMessageA(dialog, WM_APP, 0, 0);
    SetTimer(dialog, IDT_RENDER_WAIT, 1, nullptr);
    Sleep(30);
    EXPECT_EQ(1, PumpTimerMessages());
    KillTimer(dialog, IDT_RENDER_WAIT);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, dialog, WM_APP, WM_APP, PM_REMOVE)) << "a posted message was taken";
    EXPECT_EQ(wait, CurrentCursor());
    RestoreCursor();
    EXPECT_EQ(arrow, CurrentCursor());
    SetWaitCursor();
    SetArrowCursor();
    RestoreCursor();
    EXPECT_EQ(wait, CurrentCursor()) << "restoring goes back one change";
    RefreshPreview(-1, -1);
    EXPECT_EQ(arrow, CurrentCursor()) << "a render within 400 ms ends on the arrow";
}

TEST_F(PreviewFixture, PaletteMessagesAreAnsweredOnlyForThePalettedForm)
{
    HWND other = ui::TestOwnerWindow();
    for (bool paletted : {true, false}) {
        SCOPED_TRACE(paletted ? "paletted" : "24-bit");
        forcePaletteDisplay = paletted;
        OpenPreview(100, 80);
        struct Case {
            UINT message;
            WPARAM wParam;
            int16_t handled;   /* for the paletted form */
        } cases[] = {
            {WM_PALETTECHANGED, reinterpret_cast<WPARAM>(dialog), 0},
            {WM_PALETTECHANGED, reinterpret_cast<WPARAM>(other), 1},
            {WM_QUERYNEWPALETTE, 0, 1},
            {WM_ACTIVATE, WA_ACTIVE, 1},
            {WM_ACTIVATE, WA_INACTIVE, 0},
            {WM_SIZE, 0, 0},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << "message " << c.message << " " << c.wParam);
            ValidateRect(preview, nullptr);
            int16_t handled = -1;
            LRESULT result =
                PreviewImageMessage(&editorPreview, dialog, c.message, c.wParam, 0, &handled);
            EXPECT_EQ(paletted ? c.handled : 0, handled);
            if (c.message == WM_PALETTECHANGED || !handled) {
                EXPECT_EQ(0, result);
            }
            if (c.message == WM_PALETTECHANGED && c.wParam == reinterpret_cast<WPARAM>(dialog)) {
                EXPECT_FALSE(GetUpdateRect(preview, nullptr, FALSE));
            }
        }
    }
    int16_t handled = -1;
    EXPECT_EQ(0, PreviewImageMessage(nullptr, other, WM_QUERYNEWPALETTE, 0, 0, &handled));
    EXPECT_EQ(0, handled);
}

} // namespace
