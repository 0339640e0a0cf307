/*
 * gbuffer_png.cpp - a G-buffer's colour written as a PNG, for looking at
 * renders without the editor (flarehost --render).
 */
#include <algorithm>
#include <vector>

#include "host_app.h"

bool WriteGBufferPng(const KaGBuffer *buffer, const char *path)
{
    if (!buffer || !path || buffer->width <= 0 || buffer->height <= 0 || !buffer->red ||
        !buffer->green || !buffer->blue)
        return false;
    const int width = buffer->width, height = buffer->height;
    Capture picture;
    picture.width = width;
    picture.height = height;
    std::vector<unsigned char> &rgb = picture.rgb;
    rgb.resize((size_t)width * height * 3);
    const float *planes[3] = {buffer->red, buffer->green, buffer->blue};
    for (int y = 0; y < height; y++) {
        /* the buffer's first row is the bottom one, a PNG's the top one */
        const size_t from = (size_t)(height - 1 - y) * width;
        unsigned char *to = &rgb[(size_t)y * width * 3];
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++) {
                float v = planes[c][from + x];
                v = v > 0.0f ? std::min(v, 1.0f) : 0.0f;   /* NaN gives 0 */
                to[3 * x + c] = (unsigned char)(v * 255.0f + 0.5f);
            }
    }
    return WritePng(picture, path);
}
