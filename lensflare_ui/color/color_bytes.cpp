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

uint8_t ShownByte(float component)
{
    return (uint8_t)(TruncOrIntMin((double)component * 255.0) & 0xFF);
}

float ByteComponent(uint32_t byte)
{
    return (float)((double)(byte & 0xFF) / 255.0);
}

int RedByte(uint32_t packed)
{
    return (int)(packed & 0xFF);
}

int GreenByte(uint32_t packed)
{
    return (int)((packed >> 8) & 0xFF);
}

int BlueByte(uint32_t packed)
{
    return (int)((packed >> 16) & 0xFF);
}

uint32_t PackBytes(int red, int green, int blue)
{
    return (uint32_t)(red & 0xFF) | (uint32_t)(green & 0xFF) << 8 | (uint32_t)(blue & 0xFF) << 16;
}

uint32_t WrappedColor(const float color[3])
{
    return PackBytes(WrappedByte(color[0]), WrappedByte(color[1]), WrappedByte(color[2]));
}

uint32_t ClampedColor(const float color[3])
{
    return PackBytes(ClampedByte(color[0]), ClampedByte(color[1]), ClampedByte(color[2]));
}

void UnpackColor(uint32_t packed, float color[3])
{
    color[0] = ByteComponent((uint32_t)RedByte(packed));
    color[1] = ByteComponent((uint32_t)GreenByte(packed));
    color[2] = ByteComponent((uint32_t)BlueByte(packed));
}
