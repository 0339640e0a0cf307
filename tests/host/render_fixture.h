// The renderer tests' flares and G-buffer: elements added with their
// settings, and planes between guard floats, the preview's size unless told.
#ifndef RENDER_FIXTURE_H
#define RENDER_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "catalogue.h"
#include "demo_flares.h"
#include "host/kalvos_core.h"

const float kGuard = 1234.5f;
const size_t kGuardFloats = 64;

/* The globals at their defaults and no elements; border fading off so
 * that positions near the edge draw. */
inline ka::Flare *Cleared(ka::Flare *flare)
{
    ka::DefaultFlare(flare);
    flare->elements.clear();
    flare->fadeIfNearBorder = false;
    return flare;
}

inline void SetParam(ka::Element *e, const char *name, float a, float b = 0, float c = 0)
{
    int i = e->ParamIndex(name);
    ASSERT_GE(i, 0) << name;
    e->values[i].v[0] = a;
    e->values[i].v[1] = b;
    e->values[i].v[2] = c;
}

struct Setting {
    const char *name;
    float a, b = 0, c = 0;
};

inline ka::Element *AddElement(ka::Flare *flare, const char *type,
                               std::initializer_list<Setting> settings = {})
{
    flare->elements.push_back(ka::NewElement(ka::FindElementType(type)));
    ka::Element *e = flare->elements.back().get();
    for (const Setting &s : settings)
        SetParam(e, s.name, s.a, s.b, s.c);
    return e;
}

inline void SetGradient(ka::Element *e, std::vector<float> offsets, std::vector<float> colors)
{
    ka::GradientValue &g = e->values[e->ParamIndex("gradient")].gradient;
    g.offsets = offsets;
    g.colors = colors;
}

/* Brightness-weighted centre and second moments. */
struct Moments {
    double cx, cy, xx, yy, xy;
};

/* A G-buffer whose planes sit between guard floats, as the plug-in's are
 * cleared: black, coverage 1, and a depth pattern the renderer must keep. */
struct Image {
    int width, height;
    std::vector<float> planes[5];   // red, green, blue, depth, coverage, each guarded
    KaGBuffer buffer;

    explicit Image(int w = 327, int h = 225) : width(w), height(h)
    {
        size_t n = (size_t)w * h;
        float *p[5];
        for (int i = 0; i < 5; i++) {
            planes[i].assign(n + 2 * kGuardFloats, kGuard);
            p[i] = planes[i].data() + kGuardFloats;
            for (size_t k = 0; k < n; k++)
                p[i][k] = i < 3 ? 0.0f : i == 3 ? 10.0f + (float)(k % 97) : 1.0f;
        }
        buffer = {w, h, p[0], p[1], p[2], p[3], p[4]};
    }
    size_t Index(int x, int y) const { return (size_t)y * width + x; }
    /* One colour plane, or for -1 their sum. */
    float Value(int plane, int x, int y) const
    {
        const float *p[3] = {buffer.red, buffer.green, buffer.blue};
        size_t k = Index(x, y);
        return plane >= 0 ? p[plane][k] : p[0][k] + p[1][k] + p[2][k];
    }
    float Luma(int x, int y) const { return Value(-1, x, y); }
    double Sum() const
    {
        double s = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                s += Luma(x, y);
        return s;
    }
    Moments MomentsOf(int plane = -1) const
    {
        Moments m = {0, 0, 0, 0, 0};
        double s = 0, sx = 0, sy = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                double v = Value(plane, x, y);
                s += v, sx += v * x, sy += v * y;
            }
        m.cx = sx / s, m.cy = sy / s;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                double v = Value(plane, x, y), dx = x - m.cx, dy = y - m.cy;
                m.xx += v * dx * dx / s, m.yy += v * dy * dy / s, m.xy += v * dx * dy / s;
            }
        return m;
    }
    /* How far from (x, y) the lit run goes in the direction (dx, dy). */
    int Reach(int x, int y, int dx, int dy) const
    {
        int r = 0;
        while (x + (r + 1) * dx < width && y + (r + 1) * dy < height &&
               Luma(x + (r + 1) * dx, y + (r + 1) * dy) > 0.0f)
            r++;
        return r;
    }
};

/* Bit for bit, guards and all. */
inline bool SamePixels(const Image &a, const Image &b)
{
    for (int p = 0; p < 3; p++)
        if (a.planes[p].size() != b.planes[p].size() ||
            std::memcmp(a.planes[p].data(), b.planes[p].data(),
                        a.planes[p].size() * sizeof(float)) != 0)
            return false;
    return true;
}

#endif
