/*
 * protocol_bench.cpp - the host's side of reading and writing a whole flare
 * through the keyword calls, at 10, 100, 1,000 and 10,000 elements of the
 * default mix (the default flare's elements repeated): the plug-in's read
 * sequence (one inquiry for the globals, one per element and one per
 * parameter) and its write-back (one call per element and one per
 * parameter, each naming the element by guid).  Time per element is the
 * figure to read: flat means linear.  Beside them the host's render of the
 * same flares at the preview's size, with the process's resident memory
 * after them and after 128 renders of a 10-element flare (the renderer lets
 * go of a table that no render has read for 64 renders).
 *
 *   build/native/bin/protocol_bench --benchmark_min_time=0.2
 */
#include <cstdio>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "host/kalvos_core.h"
#include "refhost_api.h"

namespace {

KaToken T(const char *keyword)
{
    return Ki_Inquire_Token(keyword);
}

/* A light whose flare holds count elements of the default mix. */
std::string MakeLight(int count)
{
    std::string light = "Protocol" + std::to_string(count);
    Ki_Light(light.c_str(), T("model"), T("point"), 1, 0);
    int32_t have = 0;
    Ki_Inquire_LensFlare(T("light"), light.c_str(), T("numelements"), &have, 1, 0);
    std::vector<std::string> types;
    for (int32_t e = 0; e < have; e++) {
        const char *name = nullptr;
        Ki_Inquire_LensFlare(T("light"), light.c_str(), T("element"), &e, T("name"), &name, 1, 0);
        types.push_back(name);
    }
    for (int i = have; i < count; i++) {
        const char *guid = nullptr;
        Ki_LensFlare(T("light"), light.c_str(), T("insert"), T("end"),
                     types[(size_t)i % types.size()].c_str(), &guid, 0);
    }
    return light;
}

/* A parameter as the plug-in keeps it: the host's arrays copied, since
 * they stay valid only until the parameter is written. */
struct Parameter {
    float value[4];
    int32_t gradientCount, dataSize;
    std::vector<float> colors, offsets;
    std::vector<unsigned char> data;
};

struct Element {
    const char *guid;
    KaToken enabled;
    std::vector<Parameter> parameters;
};

std::vector<Element> ReadAll(const char *light)
{
    int32_t count = 0;
    Ki_Inquire_LensFlare(T("light"), light, T("numelements"), &count, 1, 0);
    std::vector<Element> elements((size_t)count);
    for (int32_t e = 0; e < count; e++) {
        int32_t parameters = 0;
        Element &element = elements[(size_t)e];
        Ki_Inquire_LensFlare(T("light"), light, T("element"), &e, T("numparameterdefinitions"),
                             &parameters, T("enabled"), &element.enabled, T("guid"), &element.guid,
                             1, 0);
        element.parameters.resize((size_t)parameters);
        for (int32_t p = 0; p < parameters; p++) {
            Parameter &q = element.parameters[(size_t)p];
            float *colors = nullptr, *offsets = nullptr;
            unsigned char *data = nullptr;
            Ki_Inquire_LensFlare(T("light"), light, T("element"), &e, 1, T("parameter"), &p,
                                 T("value"), q.value, T("gradientdata"), &q.gradientCount,
                                 &colors, &offsets, T("arbitrarydata"), &q.dataSize, &data, 1, 0);
            if (colors && offsets) {
                q.colors.assign(colors, colors + 3 * q.gradientCount);
                q.offsets.assign(offsets, offsets + q.gradientCount);
            }
            if (data)
                q.data.assign(data, data + q.dataSize);
        }
    }
    return elements;
}

void WriteAll(const char *light, const std::vector<Element> &elements)
{
    for (const Element &e : elements) {
        Ki_LensFlare(T("light"), light, T("element"), e.guid, T("enabled"), e.enabled, 1, 0);
        int32_t index = 0;
        for (const Parameter &p : e.parameters) {
            Ki_LensFlare(T("light"), light, T("element"), e.guid, 1, T("parameter"), &index,
                         T("value"), p.value, T("gradientdata"), &p.gradientCount,
                         p.colors.data(), p.offsets.data(), T("arbitrarydata"), &p.dataSize,
                         p.data.data(), 1, 0);
            index++;
        }
    }
}

/* Time per element: flat over the sizes means linear. */
void CountPerElement(benchmark::State &state)
{
    state.counters["per_element"] = benchmark::Counter(
        (double)state.range(0),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Read(benchmark::State &state)
{
    std::string light = MakeLight((int)state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadAll(light.c_str()));
    CountPerElement(state);
    Ki_Remove(T("light"), light.c_str(), 0);
}

void BM_WriteBack(benchmark::State &state)
{
    std::string light = MakeLight((int)state.range(0));
    std::vector<Element> elements = ReadAll(light.c_str());
    for (auto _ : state)
        WriteAll(light.c_str(), elements);
    CountPerElement(state);
    Ki_Remove(T("light"), light.c_str(), 0);
}

/* The host's render of the same flares at the editor's preview size, which
 * every refresh after a write-back costs on top of it. */
/* Resident memory in MiB, once the C library has handed back what it
 * holds free. */
double ResidentMiB()
{
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return (double)resident * (double)sysconf(_SC_PAGESIZE) / (1 << 20);
}

void BM_RenderPreview(benchmark::State &state)
{
    std::string light = MakeLight((int)state.range(0));
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(327, 243, 243, 0);
    for (auto _ : state)
        Ki_LensFlareApplyToGBuffer(buffer, T("light"), light.c_str(), 81, 60, nullptr);
    CountPerElement(state);
    Ki_Free_Global_GBuffer(buffer);
    Ki_Remove(T("light"), light.c_str(), 0);
}

/* Resident memory after one render of the flare, and after 128 renders of
 * a 10-element flare on another light next. */
void BM_RenderMemory(benchmark::State &state)
{
    std::string light = MakeLight((int)state.range(0));
    std::string small = MakeLight(10);
    KaGBuffer *buffer = Ki_Alloc_Global_GBuffer(327, 243, 243, 0);
    for (auto _ : state) {
        Ki_LensFlareApplyToGBuffer(buffer, T("light"), light.c_str(), 81, 60, nullptr);
        state.counters["resident_MiB"] = ResidentMiB();
        for (int i = 0; i < 128; i++)
            Ki_LensFlareApplyToGBuffer(buffer, T("light"), small.c_str(), 81, 60, nullptr);
        state.counters["then_small_MiB"] = ResidentMiB();
    }
    Ki_Free_Global_GBuffer(buffer);
    Ki_Remove(T("light"), small.c_str(), 0);
    Ki_Remove(T("light"), light.c_str(), 0);
}

BENCHMARK(BM_RenderMemory)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPreview)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBack)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    Kh_Set_Error_Echo(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
