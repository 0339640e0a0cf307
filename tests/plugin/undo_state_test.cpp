// The undo history's states without a window: a flare built in memory is
// captured, changed, compared and restored; the values it was built with
// are the oracle.
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

#include "editor/undo_state.h"
#include "host_session.h"
#include "model/lens_flare_model.h"

namespace {

/* Offsets 0.3 and 1/3 are no whole pivot positions: a round trip through
 * anything but the bits would move them. */
const float kOffsets[] = {0.0f, 0.3f, 1.0f / 3.0f, 1.0f};
const float kColors[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 1e-40f, -0.0f, 3.4028235e38f,
                         1.0f, 1.0f, 1.0f};
const int32_t kStops = 4;
const unsigned char kData[] = {'a', 'b', 0, 'c', 255};

template <typename T> T *HostCopy(const T *source, size_t count)
{
    T *copy = static_cast<T *>(Ki_Alloc_Memory(0, 1, sizeof(T) * count));
    std::memcpy(copy, source, sizeof(T) * count);
    return copy;
}

/* Two elements; the second has a value, a gradient and data. */
struct BuiltFlare : testing::Test {
    void SetUp() override
    {
        model = static_cast<LensFlareModel *>(Ki_Alloc_Memory(0, 1, sizeof(LensFlareModel)));
        model->intensity = 0.75f;
        model->refDistance = 12.5f;
        model->enabled = 1;
        AddElement("guid-1", "glow");
        FlareElement *ring = AddElement("guid-2", "ring");
        ElementParameter *size = AppendParameter(ring);
        size->Kv_Current_Value[0] = 0.5f;
        ElementParameter *ramp = AppendParameter(ring);
        ramp->gradientCount = kStops;
        ramp->gradientColors = HostCopy(kColors, 3 * kStops);
        ramp->gradientOffsets = HostCopy(kOffsets, kStops);
        ElementParameter *blob = AppendParameter(ring);
        blob->arbitraryDataSize = sizeof kData;
        blob->arbitraryData = HostCopy(kData, sizeof kData);
    }
    void TearDown() override
    {
        FreeFlareState(opening);
        FreeLensFlareModel(&model);
        ForgetIdentities();
    }
    FlareElement *AddElement(const char *guid, const char *name)
    {
        FlareElement *e = AppendElement(model);
        e->guid = guid;
        e->name = name;
        e->enabled = 1;
        return e;
    }
    FlareElement *Ring() { return model->firstElement->next; }
    ElementParameter *Parameter(int i)
    {
        ElementParameter *p = Ring()->firstParameter;
        while (i-- > 0)
            p = p->next;
        return p;
    }
    FlareState *Capture(const FlareState *hint = nullptr)
    {
        return CaptureFlareState(*model, hint, EditedGradients());
    }
    /* The model holds what SetUp built, bit for bit. */
    void ExpectBuiltValues()
    {
        EXPECT_EQ(model->intensity, 0.75f);
        EXPECT_EQ(model->refDistance, 12.5f);
        EXPECT_EQ(model->enabled, 1u);
        EXPECT_EQ(model->numElements, 2);
        EXPECT_EQ(Ring()->enabled, 1u);
        EXPECT_EQ(Parameter(0)->Kv_Current_Value[0], 0.5f);
        ElementParameter *ramp = Parameter(1);
        ASSERT_EQ(ramp->gradientCount, kStops);
        EXPECT_EQ(std::memcmp(ramp->gradientOffsets, kOffsets, sizeof kOffsets), 0);
        EXPECT_EQ(std::memcmp(ramp->gradientColors, kColors, sizeof kColors), 0);
        ElementParameter *blob = Parameter(2);
        ASSERT_EQ(blob->arbitraryDataSize, (int32_t)sizeof kData);
        EXPECT_EQ(std::memcmp(blob->arbitraryData, kData, sizeof kData), 0);
    }

    LensFlareModel *model = nullptr;
    FlareState *opening = nullptr;
};

struct Change {
    const char *what;
    std::function<void(BuiltFlare &)> apply;
    bool inRingValues;   /* ElementValuesDiffer sees it on the ring */
};

const Change kChanges[] = {
    {"a global", [](BuiltFlare &f) { f.model->intensity = 0.5f; }, false},
    {"-0 for 0 in a global", [](BuiltFlare &f) { f.model->angle = -0.0f; }, false},
    {"an element switch", [](BuiltFlare &f) { f.Ring()->enabled = 0; }, false},
    {"a value", [](BuiltFlare &f) { f.Parameter(0)->Kv_Current_Value[0] = 0.25f; }, true},
    {"the fourth, unused value float",
     [](BuiltFlare &f) { f.Parameter(0)->Kv_Current_Value[3] = 1.0f; }, true},
    {"a stop's colour", [](BuiltFlare &f) { f.Parameter(1)->gradientColors[7] = 0.0f; }, true},
    {"a stop's offset", [](BuiltFlare &f) { f.Parameter(1)->gradientOffsets[2] = 0.34f; }, true},
    {"a stop fewer", [](BuiltFlare &f) { f.Parameter(1)->gradientCount = kStops - 1; }, true},
    {"no gradient", [](BuiltFlare &f) {
         Ki_Free_Memory(f.Parameter(1)->gradientColors);
         f.Parameter(1)->gradientColors = nullptr;
     }, true},
    {"a data byte", [](BuiltFlare &f) { f.Parameter(2)->arbitraryData[4] = 254; }, true},
    {"a data byte fewer", [](BuiltFlare &f) { f.Parameter(2)->arbitraryDataSize--; }, true},
};

} // namespace

TEST_F(BuiltFlare, EachChangeMakesAnotherStateAndRestoringTheFirstGivesEveryBitBack)
{
    for (const Change &change : kChanges) {
        SCOPED_TRACE(change.what);
        FreeFlareState(opening);
        opening = Capture();
        ASSERT_NE(opening, nullptr);
        FlareState *again = Capture(opening);
        EXPECT_TRUE(SameFlareState(opening, again)) << "an unchanged flare is the same state";
        FreeFlareState(again);

        change.apply(*this);
        FlareState *changed = Capture(opening);
        ASSERT_NE(changed, nullptr);
        EXPECT_FALSE(SameFlareState(opening, changed));
        EXPECT_EQ(ElementValuesDiffer(opening, changed, StateIdentityAt(changed, 1)),
                  change.inRingValues);
        EXPECT_FALSE(ElementValuesDiffer(opening, changed, StateIdentityAt(changed, 0)));
        EXPECT_TRUE(SameElements(opening, *model)) << "values and switches keep the elements";

        RestoreFlareValues(opening, model);
        ExpectBuiltValues();
        FlareState *restored = Capture(changed);
        EXPECT_TRUE(SameFlareState(opening, restored));
        FreeFlareState(restored);
        FreeFlareState(changed);
    }
}

TEST_F(BuiltFlare, AnElementIsKnownByItsIdentityUnderANewGuidButNotAsAnotherType)
{
    opening = Capture();
    const int32_t glow = StateIdentityAt(opening, 0), ring = StateIdentityAt(opening, 1);
    EXPECT_NE(glow, ring);
    EXPECT_TRUE(IsIdentityOf(ring, Ring()));
    EXPECT_STREQ(IdentityTypeName(ring), "ring");
    EXPECT_TRUE(StateHasIdentity(opening, ring));
    EXPECT_FALSE(StateHasIdentity(opening, -1));

    /* The host inserted the ring again, under a new guid. */
    Ring()->guid = "guid-3";
    EXPECT_FALSE(SameElements(opening, *model));
    RenameIdentity(ring, "guid-3");
    EXPECT_TRUE(SameElements(opening, *model));
    FlareState *renamed = Capture();
    EXPECT_TRUE(SameFlareState(opening, renamed)) << "the same identity, so the same state";
    FreeFlareState(renamed);

    /* Same guid, other type: another element. */
    Ring()->name = "halo";
    FlareState *other = Capture();
    EXPECT_NE(StateIdentityAt(other, 1), ring);
    EXPECT_FALSE(SameElements(opening, *model));

    /* Once only the new state names them, the opening's identities go. */
    KeepIdentitiesOf(&other, 1);
    Ring()->name = "ring";
    EXPECT_FALSE(IsIdentityOf(ring, Ring()));
    EXPECT_TRUE(IsIdentityOf(glow, model->firstElement));
    FreeFlareState(other);
}

TEST_F(BuiltFlare, StatesLiveApartFromTheHostAndRestoredStopsReplaceTheOldOnes)
{
    const int64_t before = LiveHostBlocks();
    opening = Capture();
    EXPECT_EQ(LiveHostBlocks(), before) << "a state takes no host block";
    float *colors = Parameter(1)->gradientColors;
    colors[0] = 0.9f;
    RestoreFlareValues(opening, model);
    EXPECT_EQ(LiveHostBlocks(), before) << "the old stops released";
    ExpectBuiltValues();
    FlareState *restored = Capture();
    FreeFlareState(opening);
    opening = restored;
    ExpectBuiltValues();
}
