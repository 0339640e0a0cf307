// Pictures of the renderer for docs/renderer.md: each element type and
// look alone, the default flare and every demo effect, rendered natively
// and written as PNGs (docs/images/renderer/make-pictures runs this).
//
//   render_pictures DIR [WIDTHxHEIGHT]     default 480x270
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "catalogue.h"
#include "demo_flares.h"
#include "host/kalvos_core.h"
#include "store.h"
#include "bench_light.h"

namespace {

const char *kLight = "PictureLight";

/* An empty flare with the default globals, border fading off. */
ka::Flare *Empty()
{
    ka::Flare *flare = LightFlare(kLight);
    ka::DefaultFlare(flare);
    flare->elements.clear();
    flare->fadeIfNearBorder = false;
    return flare;
}

ka::Element *Add(ka::Flare *flare, const char *type)
{
    flare->elements.push_back(ka::NewElement(ka::FindElementType(type)));
    return flare->elements.back().get();
}

bool WritePng(const KaGBuffer *b, const std::string &path)
{
    std::vector<unsigned char> rgb((size_t)b->width * b->height * 3);
    const float *planes[3] = {b->red, b->green, b->blue};
    for (int y = 0; y < b->height; y++) {
        const size_t from = (size_t)(b->height - 1 - y) * b->width;   /* PNGs start at the top */
        for (int x = 0; x < b->width; x++)
            for (int c = 0; c < 3; c++) {
                float v = planes[c][from + x];
                v = v > 0.0f ? std::min(v, 1.0f) : 0.0f;
                rgb[((size_t)y * b->width + x) * 3 + c] = (unsigned char)(v * 255.0f + 0.5f);
            }
    }
    return stbi_write_png(path.c_str(), b->width, b->height, 3, rgb.data(), b->width * 3) != 0;
}

struct Picture {
    std::string name;
    float lightX, lightY;   /* fractions of the image, y up */
    std::function<void(ka::Flare *)> build;
};

void Single(ka::Flare *f, const char *type) { Add(f, type); }

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_pictures DIR [WIDTHxHEIGHT]\n");
        return 2;
    }
    std::string dir = argv[1];
    int width = 480, height = 270;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2)
        return 2;
    std::vector<Picture> pictures = {
        {"glow", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "glow"); }},
        {"halo", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "halo"); }},
        {"ring", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "ring"); }},
        {"streak", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "streak"); }},
        {"starburst", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "starburst"); }},
        {"shimmer", 0.5f, 0.5f, [](ka::Flare *f) { Single(f, "shimmer"); }},
        {"inter", 0.25f, 0.25f, [](ka::Flare *f) { Single(f, "inter"); }},
        {"dscflx", 0.25f, 0.25f, [](ka::Flare *f) { Single(f, "dscflx"); }},
        {"rngflx", 0.25f, 0.25f, [](ka::Flare *f) { Single(f, "rngflx"); }},
        {"prflx", 0.25f, 0.25f, [](ka::Flare *f) { Single(f, "prflx"); }},
        {"default", 0.25f, 0.25f, [](ka::Flare *f) { ka::DefaultFlare(f); }},
    };
    for (const ka::DemoEffect &effect : ka::DemoEffects()) {
        std::string name = effect.file.substr(0, effect.file.size() - 4);
        pictures.push_back(
            {name, 0.25f, 0.25f, [&effect](ka::Flare *f) { ka::BuildDemoEffect(effect, f); }});
    }
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    int failed = 0;
    for (const Picture &p : pictures) {
        ka::Flare *flare = Empty();
        p.build(flare);
        flare->fadeIfNearBorder = false;
        size_t n = (size_t)width * height;
        std::fill(b->red, b->red + n, 0.0f);
        std::fill(b->green, b->green + n, 0.0f);
        std::fill(b->blue, b->blue + n, 0.0f);
        Ki_LensFlareApplyToGBuffer(b, Ki_Inquire_Token("light"), kLight,
                                   (int)(p.lightX * width), (int)(p.lightY * height), nullptr);
        std::string path = dir + "/" + p.name + ".png";
        if (!WritePng(b, path)) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            failed++;
        }
    }
    Ki_Free_Global_GBuffer(b);
    return failed ? 1 : 0;
}
