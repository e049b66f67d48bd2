// What the parameter editor's pages derive: the emulation type and its fixed values, the level
// sensor presets and the order of its references, the cutoff type and its end speeds, the
// self-adaptation zone limits and what a data version offers.
#include <gtest/gtest.h>

#include "EditorPageRules.h"

namespace zov::test {
namespace {

using R = EditorPageRules;

TEST(EditorPageRules, TheEmulationTypeFollowsTheFourValues) {
    struct Case {
        R::EmulationValues values;  // waves, high, low, tristate ms
        bool fourthOffered;
        int type;
        bool demoted;
    };
    const Case cases[] = {
        {{1, 0, 360, 0}, true, 0, false},
        {{1, 0, 0, 1000}, true, 1, false},
        {{1, 0, 360, 1}, true, 2, false},  // one value off: a built wave
        {{1, 1, 0, 1000}, true, 2, false},
        {{6, 200, 200, 200}, true, 2, false},
        {{255, 100, 100, 0}, true, 3, false},
        {{255, 0, 360, 0}, true, 3, false},  // the waves decide before the times
        {{255, 100, 100, 0}, false, 2, true},
        {{254, 100, 100, 0}, false, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.values.waves << " waves, fourth offered " << c.fourthOffered);
        const R::EmulationChoice choice = R::EmulationTypeOf(c.values, c.fourthOffered);
        EXPECT_EQ(choice.type, c.type);
        EXPECT_EQ(choice.demoteToOneWave, c.demoted);
    }
    EXPECT_TRUE(R::FourthEmulationOffered(false, false));
    EXPECT_TRUE(R::FourthEmulationOffered(true, true));
    EXPECT_FALSE(R::FourthEmulationOffered(true, false));
}

TEST(EditorPageRules, FixedEmulationTypesBringTheirValues) {
    struct Case {
        int type;
        int32_t waves, low, high;
        double tristate;
    };
    const Case cases[] = {{0, 1, 360, 0, 0}, {1, 1, 0, 0, 1}, {3, 255, 360, 360, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const R::EmulationPreset p = R::EmulationPresetOf(c.type);
        EXPECT_EQ(p.waves, c.waves);
        EXPECT_EQ(p.low, c.low);
        EXPECT_EQ(p.high, c.high);
        EXPECT_DOUBLE_EQ(p.tristateSeconds, c.tristate);
    }
}

TEST(EditorPageRules, LevelSensorsStartFromTheirPresets) {
    struct Case {
        int sensor;
        bool standard;
        int32_t hysteresis;
        int32_t references[4];
    };
    const Case cases[] = {
        {0, false, 3, {19, 36, 56, 69}},    // the first standard sensor's references
        {1, false, 5, {200, 141, 94, 40}},  // the second's, inverted
        {2, true, 3, {19, 36, 56, 69}},    {3, true, 5, {200, 141, 94, 40}}, {4, true, 4, {17, 44, 77, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sensor);
        EXPECT_EQ(R::IsStandardSensor(c.sensor), c.standard);
        const R::LevelPreset p = R::LevelPresetOf(c.sensor);
        EXPECT_EQ(p.hysteresis, c.hysteresis);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(p.references[i], c.references[i]) << i;
    }
}

TEST(EditorPageRules, LevelReferencesRunStrictlyInTheSensorsDirection) {
    struct Case {
        int sensor;
        int32_t shown[4];
        bool inOrder;
    };
    const Case cases[] = {
        {0, {19, 36, 56, 69}, true},    {0, {19, 36, 36, 69}, false},   {0, {69, 56, 36, 19}, false},
        {2, {1, 2, 3, 254}, true},      {4, {17, 44, 100, 77}, false},  {-1, {10, 20, 30, 40}, true},
        {1, {200, 141, 94, 40}, true},  {3, {200, 141, 94, 40}, true},  {3, {40, 94, 141, 200}, false},
        {1, {200, 200, 94, 40}, false}, {1, {200, 141, 94, 94}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sensor " << c.sensor << ": " << c.shown[0] << " " << c.shown[1]
                                        << " " << c.shown[2] << " " << c.shown[3]);
        EXPECT_EQ(R::LevelReferencesInOrder(c.shown, c.sensor), c.inOrder);
    }
}

TEST(EditorPageRules, TheCutoffTypeFollowsTheTwoEndSpeeds) {
    struct Case {
        int32_t end, opening;
        int type;
    };
    const Case cases[] = {
        {8501, 3000, 3}, {9003, 9000, 3},  // an end above 8500: none
        {8500, 9000, 1},                   // 8500 still ends a cutoff
        {1000, 1199, 0}, {1000, 1200, 2},  // an opening below 1200: total only
        {2500, 2500, 0}, {2501, 2500, 0},  // the end not below the opening: total only
        {2000, 8501, 1}, {2000, 8500, 2}, {2000, 4000, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(R::CutoffTypeOf({c.end, c.opening}), c.type) << c.end << " / " << c.opening;
}

TEST(EditorPageRules, ChoosingACutoffTypeSetsItsSpeeds) {
    struct Case {
        int type;
        R::CutoffSpeeds typed;
        R::CutoffSpeeds after;
    };
    const Case cases[] =
        {
            {0, {3000, 2500}, {3000, 1000}},  {0, {9000, 2500}, {2500, 1000}},
            {1, {3000, 2500}, {3000, 10000}}, {1, {8501, 2500}, {2500, 10000}},
            {2, {3000, 2500}, {3000, 4000}},  // the partial end above the total one
            {2, {6500, 2500}, {6500, 7000}},  // but at most 7000
            {2, {3000, 5000}, {3000, 5000}},  {2, {3000, 3000}, {3000, 3000}},
            {2, {3000, 8501}, {3000, 4000}},  {2, {9000, 5000}, {2500, 5000}},
            {3, {3000, 2500}, {10000, 2500}},
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << c.type << ": " << c.typed.end << " / " << c.typed.opening);
        const R::CutoffSpeeds s = R::CutoffSpeedsFor(c.type, c.typed);
        EXPECT_EQ(s.end, c.after.end);
        EXPECT_EQ(s.opening, c.after.opening);
    }
}

TEST(EditorPageRules, ZoneLimitsAndTheOpeningAreWholeNumbers) {
    EXPECT_EQ(R::ZoneLimit(950, 1150), 1000);
    EXPECT_EQ(R::ZoneLimit(2150, 2450), 2300);
    EXPECT_EQ(R::ZoneLimit(3500, 3900), 3700);
    EXPECT_EQ(R::ZoneLimit(6500, 0), 3200);  // beyond the last column the next speed is 0
    EXPECT_EQ(R::ZoneLimit(0, 199), 0);
    struct Case {
        int32_t sixteenths, percent;
    };
    for (const Case& c : {Case{8, 50}, Case{9, 56}, Case{12, 75}, Case{15, 93}, Case{16, 100}})
        EXPECT_EQ(R::OpeningPercent(c.sixteenths), c.percent) << c.sixteenths;
}

TEST(EditorPageRules, TheDataVersionDecidesWhatIsOffered) {
    struct Case {
        int32_t version;
        bool coldChangeover, vehicle, petrolCutoff;
    };
    const Case cases[] = {
        {9, false, false, false}, {10, true, false, false}, {199, true, false, false},
        {200, true, true, false}, {207, true, true, false}, {208, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(R::OffersColdChangeover(c.version), c.coldChangeover);
        EXPECT_EQ(R::OffersVehicleSettings(c.version), c.vehicle);
        EXPECT_EQ(R::OffersPetrolCutoff(c.version), c.petrolCutoff);
    }
}

}  // namespace
}  // namespace zov::test
