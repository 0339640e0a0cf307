// Float colour components to bytes, wrapped as the host makes them and
// clamped as the gradient control shows them, and bytes back to floats.
#include <cmath>
#include <gtest/gtest.h>

#include "color/color.h"

TEST(ColorBytes, ComponentsWrapOrClampAndEveryByteComesBack)
{
    struct Case {
        const char *what;
        float component;
        int32_t scaled;
        int wrapped, clamped;
    } cases[] = {
        {"1.2", 1.2f, 306, 50, 255},
        {"-0.1", -0.1f, -25, 231, 0},
        {"NaN", std::nanf(""), 0, 0, 0},
        {"1.0", 1.0f, 255, 255, 255},
        {"255/255", ByteComponent(255), 255, 255, 255},
        {"0.5", 0.5f, 127, 127, 127},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ScaleComponent(c.component), c.scaled) << c.what;
        EXPECT_EQ(WrappedByte(c.component), c.wrapped) << c.what;
        EXPECT_EQ(ClampedByte(c.component), c.clamped) << c.what;
    }
    EXPECT_EQ(ByteComponent(255), 1.0f);
    EXPECT_EQ(ByteComponent(0x1FF), 1.0f) << "only the low byte counts";
    for (uint32_t b = 0; b < 256; b++) {
        EXPECT_EQ(WrappedByte(ByteComponent(b)), b) << b;
        EXPECT_EQ(ClampedByte(ByteComponent(b)), b) << b;
    }
}
