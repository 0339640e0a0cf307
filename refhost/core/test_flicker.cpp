/*
 * test_flicker.cpp - Kh_Set_Render_Flicker: every other render of a flare
 * adds nothing, so a steady flare flashes on and off from frame to frame.
 */
#include <atomic>

#include "refhost_api.h"
#include "test_flicker.h"

namespace {

std::atomic<int> flickerPeriod{0};
std::atomic<unsigned> renderCalls{0};

} // namespace

extern "C" void Kh_Set_Render_Flicker(int period)
{
    flickerPeriod = period > 1 ? period : 0;
    renderCalls = 0;
}

bool FlickerSkipsRender()
{
    int period = flickerPeriod;
    if (!period)
        return false;
    return renderCalls++ % (unsigned)period >= (unsigned)period / 2;
}
