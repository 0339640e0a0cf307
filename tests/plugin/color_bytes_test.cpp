// Float colour components to bytes, wrapped as the host makes them,
// clamped as the gradient control shows them and as the preview's image
// holds them, and bytes back to floats.
#include <cmath>
#include <gtest/gtest.h>

#include "color/color.h"

TEST(ColorBytes, ComponentsWrapOrClampEveryByteComesBackAndPackedColoursKeepEachByteInItsPlace)
{
    struct Case {
        const char *what;
        float component;
        int32_t scaled;
        int wrapped, clamped, shown;
    } cases[] = {
        {"1.2", 1.2f, 306, 50, 255, 50},
        {"-0.1", -0.1f, -25, 231, 0, 231},
        {"NaN", std::nanf(""), 0, 0, 0, 0},
        {"1.0", 1.0f, 255, 255, 255, 255},
        {"0.5", 0.5f, 127, 127, 127, 127},
        {"1e10, past 32 bits", 1e10f, INT32_MAX, 255, 255, 0},
        {"-1e10", -1e10f, INT32_MIN, 0, 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ScaleComponent(c.component), c.scaled) << c.what;
        EXPECT_EQ(WrappedByte(c.component), c.wrapped) << c.what;
        EXPECT_EQ(ClampedByte(c.component), c.clamped) << c.what;
        EXPECT_EQ(ShownByte(c.component), c.shown) << c.what;
    }
    EXPECT_EQ(ByteComponent(255), 1.0f);
    EXPECT_EQ(ByteComponent(0x1FF), 1.0f) << "only the low byte counts";
    for (uint32_t b = 0; b < 256; b++) {
        EXPECT_EQ(WrappedByte(ByteComponent(b)), b) << b;
        EXPECT_EQ(ClampedByte(ByteComponent(b)), b) << b;
        EXPECT_EQ(ShownByte(ByteComponent(b)), b) << b;
    }

    /* Packed, each byte keeps its place. */
    struct Packing {
        const char *what;
        float color[3];
        uint32_t wrapped, clamped;
    } packings[] = {
        {"red, green, blue apart", {1.0f, 0.5f, 0.0f}, 0x007FFF, 0x007FFF},
        {"1.2, -0.1, NaN", {1.2f, -0.1f, std::nanf("")}, 0x00E732, 0x0000FF},
        {"blue past 1", {0.0f, 0.0f, 1.2f}, 0x320000, 0xFF0000},
    };
    for (const Packing &c : packings) {
        EXPECT_EQ(WrappedColor(c.color), c.wrapped) << c.what;
        EXPECT_EQ(ClampedColor(c.color), c.clamped) << c.what;
    }
    EXPECT_EQ(PackBytes(257, -1, 300), 0x2CFF01u) << "each number wraps to its low byte";

    const uint32_t packed[] = {0x000000, 0xFFFFFF, 0x2CFF01, 0x010203, 0xAB123456};
    for (uint32_t p : packed) {
        uint32_t colour = p & 0xFFFFFF;
        EXPECT_EQ(PackBytes(RedByte(p), GreenByte(p), BlueByte(p)), colour) << std::hex << p;
        float rgb[3];
        UnpackColor(p, rgb);
        EXPECT_EQ(WrappedColor(rgb), colour) << std::hex << p;
        EXPECT_EQ(ClampedColor(rgb), colour) << std::hex << p;
    }
}
