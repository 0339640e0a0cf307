// Lights: the temporary light of the library requestor, changes to an
// existing light, removal, and faulty light calls.
#include <limits>

#include "demo_flares.h"
#include "host_fixture.h"
#include "store.h"

namespace {
const char *const kTemp = "Kalvos___TempLensFlareLight";

int32_t Exists(const char *name)
{
    int32_t exists = -1;
    EXPECT_EQ(Ki_Handle_Name_Exists(name, &exists, T("light"), 0), 0);
    return exists;
}

using Lights = LightTest;   /* for its quiet, cleared error record; its own light is another */
} // namespace

TEST_F(Lights, ATemporaryLightComesWithItsModelAndTheDefaultFlareTakesChangesAndGoes)
{
    ASSERT_EQ(Ki_Light(kTemp, T("model"), T("spot"), 1, T("bdfsave"), T("enabled"), T("off"), 0), 0);
    EXPECT_EQ(Exists(kTemp), 1);
    ka::Light *light = ka::FindLight(kTemp);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->model, "spot");
    EXPECT_FALSE(light->bdfSave);

    ka::Flare expected;
    ka::DefaultFlare(&expected);
    int32_t count = -1;
    Ki_Inquire_LensFlare(T("light"), kTemp, T("numelements"), &count, 0);
    EXPECT_EQ(count, (int32_t)expected.elements.size());

    // changing the light takes every keyword and leaves its flare alone
    float scale = 2.5f, color[3] = {0.5f, 0.25f, 1.0f}, intensity = 3.0f;
    Ki_LensFlare(T("light"), kTemp, T("scale"), &scale, 1, 0);
    ASSERT_EQ(Ki_Light(kTemp, T("model"), T("distant"), 1, T("color"), T("rgb"), color, 1,
                       T("intensity"), &intensity, 1, 0), 0);
    EXPECT_EQ(light->model, "distant");
    EXPECT_EQ(light->color[1], 0.25f);
    EXPECT_EQ(light->intensity, 3.0f);
    EXPECT_EQ(light->flare.scale, 2.5f);
    ASSERT_EQ(Ki_Light(kTemp, T("model"), T("point"), 1, 0), 0);
    EXPECT_EQ(light->model, "point");

    ASSERT_EQ(Ki_Remove(T("light"), kTemp, 0), 0);
    EXPECT_EQ(Exists(kTemp), 0);
    EXPECT_EQ(Ki_Inquire_LensFlare(T("light"), kTemp, T("numelements"), &count, 0), -1);
    EXPECT_EQ(ErrorNames(), std::vector<std::string>{"ERR_NO_SUCH_OBJECT"});
}

TEST_F(Lights, FaultyLightCallsAreReportedAndCreateOrRemoveNothing)
{
    const float bad[3] = {std::numeric_limits<float>::quiet_NaN(), 0, 0};
    int32_t exists = 7;
    ASSERT_EQ(Ki_Light("Kept", 0), 0);
    struct Case {
        const char *what, *error;
        int result;
    } cases[] = {
        {"a model of nothing", "ERR_BAD_LIGHT_MODEL",
         Ki_Light("Faulty", T("model"), T("lamp"), 1, 0)},
        {"a colour that is no number", "ERR_BAD_VALUE",
         Ki_Light("Faulty", T("model"), T("point"), 1, T("color"), T("rgb"), bad, 1, 0)},
        {"a keyword of nothing", "ERR_UNKNOWN_KEYWORD", Ki_Light("Faulty", T("shadow"), 1, 0)},
        {"a light without a name", "ERR_BAD_NAME", Ki_Light("", T("model"), T("point"), 1, 0)},
        {"removing what is not there", "ERR_NO_SUCH_OBJECT", Ki_Remove(T("light"), "Faulty", 0)},
        {"removing a camera", "ERR_UNKNOWN_OBJECT_TYPE", Ki_Remove(T("camera"), "Faulty", 0)},
        {"removing with more after the name", "ERR_EXTRA_ARGUMENTS", Ki_Remove(T("light"), "Kept", T("light"), 0)},
        {"asking about a camera", "ERR_UNKNOWN_OBJECT_TYPE",
         Ki_Handle_Name_Exists("Faulty", &exists, T("camera"), 0)},
        {"asking without an answer address", "ERR_NULL_ADDRESS",
         Ki_Handle_Name_Exists("Faulty", nullptr, T("light"), 0)},
    };
    std::vector<std::string> names = ErrorNames();
    ASSERT_EQ(names.size(), sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < names.size(); i++) {
        EXPECT_EQ(cases[i].result, -1) << cases[i].what;
        EXPECT_EQ(names[i], cases[i].error) << cases[i].what;
    }
    EXPECT_EQ(exists, 7);
    EXPECT_EQ(ka::FindLight("Faulty"), nullptr);
    EXPECT_EQ(Exists("Kept"), 1);
    Ki_Remove(T("light"), "Kept", 0);
}
