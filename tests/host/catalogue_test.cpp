// The element type catalogue as the editor reads it: definitions a slider,
// list or gradient control can be built from, fresh elements, the default
// flare and the demo effects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "catalogue.h"
#include "demo_flares.h"
#include "errors.h"

namespace {

/* The host's own types: those tests define for themselves render nothing. */
std::vector<const ka::ElementType *> BuiltIns()
{
    std::vector<const ka::ElementType *> types;
    for (const ka::ElementType *t : ka::ElementTypes())
        if (t->renderer != ka::kRenderNone)
            types.push_back(t);
    return types;
}

/* Names travel as single words in .lnz files. */
bool IsWord(const std::string &s)
{
    return !s.empty() && s.find_first_of(" \t\r\n\"") == std::string::npos;
}

const std::regex kGuid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");

TEST(Catalogue, TypeNamesAreWordsFoundOnlyByTheirExactSpelling)
{
    for (const ka::ElementType *t : ka::ElementTypes())
        EXPECT_TRUE(IsWord(t->name)) << t->name;
    EXPECT_EQ(ka::FindElementType("Glow"), nullptr);
}

TEST(Catalogue, TheHostsTypesUseEveryParameterType)
{
    std::set<ka::ParamType> types;   /* of the enumeration, ArbitraryData is the last */
    for (const ka::ElementType *t : BuiltIns())
        for (const ka::ParamDef &p : t->params)
            types.insert(p.type);
    EXPECT_EQ(types.size(), (size_t)ka::ParamType::ArbitraryData + 1);
}

/* Unchanged elements are written back on every edit, so every default, as
 * a fresh element holds it, must pass the value rules; the editor builds a
 * slider, list or gradient control from the definition. */
TEST(Catalogue, EveryParameterHasAWordNameItsOwnGuidAndIdAValidDefaultAndUsableRanges)
{
    std::set<std::string> guids;
    std::set<long long> ids;
    for (const ka::ElementType *t : BuiltIns()) {
        std::unique_ptr<ka::Element> fresh = ka::NewElement(t);
        ASSERT_TRUE(fresh && fresh->values.size() == t->params.size())
            << t->name << ": a fresh element holds no value per parameter";
        for (size_t i = 0; i < t->params.size(); i++) {
            const ka::ParamDef &p = t->params[i];
            const ka::ParamValue &value = fresh->values[i];
            SCOPED_TRACE(t->name + "." + p.name);
            std::string why;
            EXPECT_TRUE(ka::ValidValue(p, value.v, &why)) << why;
            EXPECT_TRUE(ka::ValidData(p, value.data.data(), (long long)value.data.size(), &why))
                << why;
            EXPECT_TRUE(IsWord(p.name));
            EXPECT_TRUE(std::regex_match(p.guid, kGuid)) << p.guid;
            EXPECT_TRUE(guids.insert(p.guid).second);
            EXPECT_TRUE(ids.insert(p.parameterId).second);
            EXPECT_FALSE(p.description.empty());
            if (p.type == ka::ParamType::IntSlider || p.type == ka::ParamType::FloatSlider ||
                p.type == ka::ParamType::Angle) {
                EXPECT_TRUE(std::isfinite(p.uiMin[0]) && std::isfinite(p.uiMax[0]));
                EXPECT_LT(p.uiMin[0], p.uiMax[0]);
                EXPECT_LE(p.absMin[0], p.uiMin[0]);
                EXPECT_GE(p.absMax[0], p.uiMax[0]);
                // all but fractions may be typed in beyond the slider's range
                bool fraction = p.uiMin[0] == 0.0f && p.uiMax[0] == 1.0f && p.percentage;
                if (!fraction) {
                    EXPECT_TRUE(p.absMin[0] < p.uiMin[0] || p.absMax[0] > p.uiMax[0])
                        << "the absolute range is no wider";
                }
                EXPECT_EQ(p.floatArg, p.type != ka::ParamType::IntSlider);
            } else if (p.type == ka::ParamType::List) {
                // "name:value,..." with the default among the values
                bool found = false;
                const std::string &entries = p.defaultData;
                std::regex entry("([^:,]+):(-?[0-9]+)");
                for (std::sregex_iterator it(entries.begin(), entries.end(), entry), end; it != end;
                     ++it)
                    found |= std::stoi((*it)[2]) == (int)p.defaultValue[0];
                EXPECT_TRUE(found) << p.defaultData;
            } else if (p.type == ka::ParamType::Gradient) {
                const ka::GradientValue &g = p.defaultGradient;
                ASSERT_GE(g.count(), 2);
                EXPECT_EQ(g.offsets.front(), 0.0f);
                EXPECT_EQ(g.offsets.back(), 1.0f);
                EXPECT_TRUE(ka::ValidGradient(g.offsets.data(), g.colors.data(), g.count(), &why))
                    << why;
            }
        }
    }
}

TEST(Catalogue, NewElementsGetFreshGuids)
{
    const ka::ElementType *type = ka::FindElementType("starburst");
    ASSERT_TRUE(type);
    std::set<std::string> guids;
    for (int i = 0; i < 500; i++) {
        std::unique_ptr<ka::Element> e = ka::NewElement(type);
        EXPECT_TRUE(std::regex_match(e->guid, kGuid)) << e->guid;
        EXPECT_TRUE(guids.insert(e->guid).second);
    }
    EXPECT_EQ(ka::NewElement(nullptr), nullptr);
}

std::unique_ptr<ka::ElementType> NewType(const char *name, int renderer)
{
    std::unique_ptr<ka::ElementType> t(new ka::ElementType);
    t->name = name;
    t->renderer = renderer;
    return t;
}

TEST(Catalogue, TypesWithATakenNameNoNameOrNoRendererAreRefusedWithAnErrorEach)
{
    ka::ClearErrors();
    size_t before = ka::ElementTypes().size();
    EXPECT_EQ(ka::RegisterElementType(NewType("glow", ka::kRenderGlow)), nullptr) << "a taken name";
    EXPECT_EQ(ka::RegisterElementType(NewType("", ka::kRenderGlow)), nullptr) << "no name";
    EXPECT_EQ(ka::RegisterElementType(NewType("testnorenderer", ka::kRenderCount)), nullptr);
    EXPECT_EQ(ka::RegisterElementType(nullptr), nullptr);
    EXPECT_EQ(ka::ElementTypes().size(), before);
    EXPECT_EQ(ka::Errors().size(), 4u);
}

const char *const kLooks[] = {"tail", "chromatic", "roundness", "dust"};

bool Uses(const ka::Flare &f, const char *look)
{
    for (const auto &e : f.elements)
        if (e->Float(look, 0.0f) > 0.0f)
            return true;
    return false;
}

TEST(Catalogue, TheDefaultFlareHoldsTheMainKindsAndShowsEveryLook)
{
    ka::ClearErrors();
    ka::Flare flare;
    flare.intensity = 5.0f;
    ka::DefaultFlare(&flare);
    EXPECT_EQ(flare.intensity, 1.0f);
    std::set<std::string> kinds;
    for (const auto &e : flare.elements)
        kinds.insert(e->type->name);
    for (const char *n : {"glow", "streak", "ring", "inter", "dscflx", "rngflx", "prflx"})
        EXPECT_TRUE(kinds.count(n)) << n;
    for (const char *look : kLooks)
        EXPECT_TRUE(Uses(flare, look)) << look << " is off in the default flare";
    EXPECT_TRUE(ka::Errors().empty());
}

TEST(Catalogue, DemoEffectsAreDistinctFilesAndSomeShowEveryLook)
{
    ka::ClearErrors();
    std::set<std::string> files;
    int showing = 0;
    for (const ka::DemoEffect &d : ka::DemoEffects()) {
        EXPECT_TRUE(files.insert(d.file).second) << d.file;
        ASSERT_GT(d.file.size(), 4u);
        EXPECT_EQ(d.file.substr(d.file.size() - 4), ".lnz");
        ka::Flare f;
        ASSERT_TRUE(ka::BuildDemoEffect(d, &f)) << d.file;
        EXPECT_GE(f.elements.size(), 3u) << d.file;
        int shown = 0;
        for (const char *look : kLooks)
            shown += Uses(f, look);
        showing += shown == 4;
    }
    EXPECT_GE(files.size(), 9u);
    EXPECT_GE(showing, 3) << "effects that show every look";
    EXPECT_TRUE(ka::Errors().empty());
}

} // namespace
