// The renderer's shortcuts give what the plain arithmetic does: the roll-off
// skips vectors with nothing above the knee, so a hot pixel in any lane of a
// vector, or in the plain tail after the vectors, must still roll off.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "render.h"
#include "render_draw.h"

namespace {

TEST(RenderRollOff, AHotPixelInAnyLaneRollsOffAndTheRestStay)
{
    // 0.8 + 0.2 e / (e + 0.2) for an excess e over the knee 0.8
    const struct {
        float hot, expected;
    } cases[] = {
        {1.0f, 0.9f},                    // e = 0.2: halfway to 1
        {0.9f, 0.8f + 0.2f / 3.0f},      // e = 0.1
        {1.8f, 0.8f + 0.2f / 1.2f},      // e = 1
        {0.8f, 0.8f},                    // on the knee: unchanged
    };
    const int kRow = 19;   // two vectors of eight, a tail of three
    const float kCool[2] = {0.0f, 0.79f};
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        ka::SetRenderSimd(level);
        for (const auto &c : cases)
            for (float cool : kCool)
                for (int at = 0; at < kRow; at++) {
                    std::vector<float> row(kRow, cool);
                    row[at] = c.hot;
                    ka::SoftClipRow(row.data(), kRow);
                    for (int x = 0; x < kRow; x++)
                        ASSERT_NEAR(row[x], x == at ? c.expected : cool, 1e-6f)
                            << "level " << level << ", hot " << c.hot << " at " << at << ", x " << x;
                }
    }
    ka::SetRenderSimd(-1);
}

TEST(RenderRollOff, NotANumberLeavesWithinZeroToOneOnEveryLevel)
{
    int best = ka::SetRenderSimd(-1);
    for (int level = 0; level <= best; level++) {
        ka::SetRenderSimd(level);
        std::vector<float> row(16, 0.5f);
        row[5] = std::numeric_limits<float>::quiet_NaN();
        ka::SoftClipRow(row.data(), 16);
        for (int x = 0; x < 16; x++) {
            ASSERT_TRUE(row[x] >= 0.0f && row[x] <= 1.0f) << "level " << level << ", x " << x;
            if (x != 5) {
                ASSERT_EQ(row[x], 0.5f) << "level " << level << ", x " << x;
            }
        }
    }
    ka::SetRenderSimd(-1);
}

} // namespace
