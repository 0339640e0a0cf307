// Renderer speed: the default flare and every demo effect at the editor's
// preview size and at full HD, the floor (clearing the G-buffer once, as
// the plug-in does before each render), and how the time grows with the
// element count, the pixel count and an element's footprint.
//
// Counters: median_ms is the median CPU time of the timed iterations; x_clear is
// that median over the median time to clear the same buffer once (red,
// green and blue to 0, coverage to 1: what the plug-in clears).  As in the
// plug-in, every render is drawn on a buffer just cleared, and that clear
// is timed beside it: render and clear then share the machine's moment, so
// x_clear holds while another program's load makes both slower.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "demo_flares.h"
#include "host/kalvos_core.h"
#include "render.h"
#include "render_draw.h"
#include "store.h"
#include "bench_light.h"

namespace {

const char *kLight = "BenchLight";

ka::Flare *BenchFlare()
{
    return LightFlare(kLight);
}

void Clear(KaGBuffer *b)
{
    size_t n = (size_t)b->width * b->height;
    std::fill(b->red, b->red + n, 0.0f);
    std::fill(b->green, b->green + n, 0.0f);
    std::fill(b->blue, b->blue + n, 0.0f);
    std::fill(b->coverage, b->coverage + n, 1.0f);
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

/* Thread CPU time, in milliseconds: other builds share this machine, and
 * wall time would count their turns too. */
double Now()
{
    return Ms(CLOCK_THREAD_CPUTIME_ID);
}

/* Clears the buffer twice and returns the second clear's milliseconds:
 * the first leaves the buffer as a run of clears does, whatever touched
 * it before. */
double TimedClear(KaGBuffer *b, clockid_t clock)
{
    Clear(b);
    benchmark::ClobberMemory();
    double t0 = Ms(clock);
    Clear(b);
    benchmark::ClobberMemory();
    return Ms(clock) - t0;
}

/* Milliseconds per render on the clock asked for, of the clear timed
 * before each, and the CPU time of the whole process (every thread the
 * render used). */
struct RenderTimes {
    std::vector<double> ms, cpuMs, clearMs;
};

/* Times renders of whatever the flare holds now; the light sits where the
 * editor first puts it, a quarter of the way in from the lower left.
 * With moving, the light takes a different place each render, as in a
 * drag across the preview: tables kept from the render before then help
 * only where they do not depend on the light's place. */
RenderTimes Renders(benchmark::State &state, KaGBuffer *b, clockid_t clock, bool moving = false)
{
    RenderTimes times;
    int step = 0;
    for (auto _ : state) {
        int x = b->width / 4, y = b->height / 4;
        if (moving) {
            x += (step % 97) * b->width / 200;
            y += (step % 89) * b->height / 200;
            step++;
        }
        times.clearMs.push_back(TimedClear(b, clock));
        double t0 = Ms(clock), c0 = Ms(CLOCK_PROCESS_CPUTIME_ID);
        Ki_LensFlareApplyToGBuffer(b, Ki_Inquire_Token("light"), kLight, x, y, nullptr);
        benchmark::ClobberMemory();
        times.ms.push_back(Ms(clock) - t0);
        times.cpuMs.push_back(Ms(CLOCK_PROCESS_CPUTIME_ID) - c0);
    }
    return times;
}

void TimeRenders(benchmark::State &state, int width, int height, bool moving = false)
{
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    RenderTimes times = Renders(state, b, CLOCK_THREAD_CPUTIME_ID, moving);
    double median = Median(times.ms);
    state.counters["median_ms"] = median;
    state.counters["x_clear"] = median / Median(times.clearMs);
    state.counters["ns_per_pixel"] = median * 1e6 / ((double)width * height);
    Ki_Free_Global_GBuffer(b);
}

const int kSizes[][2] = {{327, 225}, {1920, 1080}};

void BM_Clear(benchmark::State &state)
{
    int width = kSizes[state.range(0)][0], height = kSizes[state.range(0)][1];
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    std::vector<double> times;
    for (auto _ : state)
        times.push_back(TimedClear(b, CLOCK_THREAD_CPUTIME_ID));
    state.counters["median_ms"] = Median(times);
    Ki_Free_Global_GBuffer(b);
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
}
BENCHMARK(BM_Clear)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

/* One pass that reads and writes back red, green and blue over the whole
 * buffer (the roll-off, on black it changes nothing): what any flare that
 * covers the image costs at the least, beside the clear. */
void BM_ColourPass(benchmark::State &state)
{
    int width = kSizes[state.range(0)][0], height = kSizes[state.range(0)][1];
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    const int n = width * height;
    std::vector<double> times, clearTimes;
    for (auto _ : state) {
        clearTimes.push_back(TimedClear(b, CLOCK_THREAD_CPUTIME_ID));
        double t0 = Now();
        ka::SoftClipRow(b->red, b->green, b->blue, n);
        benchmark::ClobberMemory();
        times.push_back(Now() - t0);
    }
    state.counters["median_ms"] = Median(times);
    state.counters["x_clear"] = Median(times) / Median(clearTimes);
    Ki_Free_Global_GBuffer(b);
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
}
BENCHMARK(BM_ColourPass)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

/* effect -1 is the default flare, others index DemoEffects(). */
void BM_Effect(benchmark::State &state)
{
    int effect = (int)state.range(0);
    int width = kSizes[state.range(1)][0], height = kSizes[state.range(1)][1];
    ka::Flare *flare = BenchFlare();
    if (effect < 0)
        ka::DefaultFlare(flare);
    else
        ka::BuildDemoEffect(ka::DemoEffects()[effect], flare);
    flare->fastDrag = state.range(2) != 0;
    TimeRenders(state, width, height);
    state.SetLabel((effect < 0 ? std::string("default") : ka::DemoEffects()[effect].file) + " " +
                   std::to_string(width) + "x" + std::to_string(height) +
                   (flare->fastDrag ? " fastdrag" : ""));
}
BENCHMARK(BM_Effect)
    ->ArgsProduct({{-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 1}, {0}})
    ->Args({-1, 0, 1})
    ->Args({-1, 1, 1})
    ->Unit(benchmark::kMillisecond);

/* The default flare while its light is dragged: a new place each render. */
void BM_Drag(benchmark::State &state)
{
    int width = kSizes[state.range(0)][0], height = kSizes[state.range(0)][1];
    ka::Flare *flare = BenchFlare();
    ka::DefaultFlare(flare);
    flare->fastDrag = state.range(1) != 0;
    TimeRenders(state, width, height, true);
    state.SetLabel("default " + std::to_string(width) + "x" + std::to_string(height) +
                   (flare->fastDrag ? " fastdrag" : "") + ", moving light");
}
BENCHMARK(BM_Drag)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

/* The default flare's elements repeated up to the count, at full HD. */
void BM_ElementCount(benchmark::State &state)
{
    int count = (int)state.range(0);
    ka::Flare *flare = BenchFlare();
    ka::Flare model;
    ka::DefaultFlare(&model);
    ka::DefaultFlare(flare);
    flare->elements.clear();
    for (int i = 0; i < count; i++) {
        const ka::Element &source = *model.elements[i % model.elements.size()];
        flare->elements.push_back(std::unique_ptr<ka::Element>(new ka::Element(source)));
    }
    TimeRenders(state, 1920, 1080);
    state.counters["ms_per_element"] = state.counters["median_ms"] / count;
}
BENCHMARK(BM_ElementCount)->RangeMultiplier(2)->Range(1, 32)->Unit(benchmark::kMillisecond);

/* The default flare over a growing image (16:9, width given). */
void BM_PixelCount(benchmark::State &state)
{
    int width = (int)state.range(0), height = width * 9 / 16;
    ka::DefaultFlare(BenchFlare());
    TimeRenders(state, width, height);
}
BENCHMARK(BM_PixelCount)->RangeMultiplier(2)->Range(160, 2560)->Unit(benchmark::kMillisecond);

/* One small disc reflex: the cost follows its footprint, not the image. */
void BM_SmallElement(benchmark::State &state)
{
    int width = (int)state.range(0), height = width * 9 / 16;
    ka::Flare *flare = BenchFlare();
    ka::DefaultFlare(flare);
    flare->elements.clear();
    flare->elements.push_back(ka::NewElement(ka::FindElementType("dscflx")));
    ka::Element &disc = *flare->elements.back();
    /* the same 20-pixel radius whatever the image size */
    disc.values[disc.ParamIndex("radius")].v[0] = 20.0f / (0.5f * height);
    TimeRenders(state, width, height);
    state.counters.erase("ns_per_pixel");   /* the image size does not matter here */
}
BENCHMARK(BM_SmallElement)->Arg(320)->Arg(1280)->Arg(3840)->Unit(benchmark::kMicrosecond);

/* The default flare at 3840 x 2160 on one thread and on every hardware
 * thread (the automatic choice at that size): wall time, since the work
 * is spread over threads; speed_up is one thread's median over this.
 * cpu_ms, all threads' CPU time, tells where a speed-up below the thread
 * count goes: CPU time above one thread's is work the threads add (waits
 * on memory they share), wall time above cpu_ms / threads is time they did
 * not run (the part drawn on one thread, other programs' turns). */
double g_oneThreadMs = 0.0;

void BM_Threads(benchmark::State &state)
{
    const int width = 3840, height = 2160, threads = (int)state.range(0);
    ka::DefaultFlare(BenchFlare());
    ka::SetRenderThreads(threads);
    KaGBuffer *b = Ki_Alloc_Global_GBuffer(width, height, height, 0);
    RenderTimes times = Renders(state, b, CLOCK_MONOTONIC);
    ka::SetRenderThreads(0);
    Ki_Free_Global_GBuffer(b);
    double median = Median(times.ms);
    state.counters["cpu_ms"] = Median(times.cpuMs);
    if (threads == 1)
        g_oneThreadMs = median;
    state.counters["median_ms"] = median;
    state.counters["x_clear"] = median / Median(times.clearMs);
    if (threads != 1 && g_oneThreadMs > 0.0)
        state.counters["speed_up"] = g_oneThreadMs / median;
    unsigned hardware = std::thread::hardware_concurrency();
    state.SetLabel(threads == 1 ? "default 3840x2160, 1 thread"
                                : "default 3840x2160, " + std::to_string(hardware) + " threads");
}
BENCHMARK(BM_Threads)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
