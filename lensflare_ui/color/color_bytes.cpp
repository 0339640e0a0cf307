/*
 * color_bytes.cpp - float colour components to bytes and back; where each
 * form is used is said in color.h.
 */
#include "color/color.h"
#include "host/host_helpers.h"

int32_t ScaleComponent(float component)
{
    return TruncSaturated((double)component * 255.0);
}

uint8_t WrappedByte(float component)
{
    return (uint8_t)(ScaleComponent(component) & 0xFF);
}

uint8_t ClampedByte(float component)
{
    if (!(component > 0.0f))   /* also NaN */
        return 0;
    if (component > 1.0f)
        return 255;
    return (uint8_t)ScaleComponent(component);
}

float ByteComponent(uint32_t byte)
{
    return (float)((double)(byte & 0xFF) / 255.0);
}
