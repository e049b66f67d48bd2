// What the parameter editor's store applies besides the plain fields: the configuration
// register's bits, the lambda presets, the TPS packing and the open-loop entries.
#include <gtest/gtest.h>

#include "EditorStoreRules.h"
#include "ModelTestSupport.h"

namespace zov::test {
namespace {

using S = EditorStoreRules;

TEST(EditorStoreRules, TheBoxesSetTheirRegisterBitsAndLeaveTheOthers) {
    struct Case {
        int32_t reg;
        int32_t version;
        bool petrol, cold;
        int32_t after;
    };
    const Case cases[] = {
        {0x23, 207, true, true, 0x03},  // no petrol cutoff below 208, whatever the bit held
        {0x23, 207, false, false, 0x01}, {0x01, 208, true, false, 0x21},
        {0x23, 208, false, true, 0x03},  {0xDD, 208, true, true, 0xFF},  // bits 0, 2, 3, 4, 6, 7 stay
        {0xFF, 208, false, false, 0xDD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.reg << std::dec << " version " << c.version);
        EXPECT_EQ(S::StoreRegister(c.reg, c.version, c.petrol, c.cold), c.after);
    }
    EXPECT_EQ(S::ToggleAdaptation(0x23), 0x22);
    EXPECT_EQ(S::ToggleAdaptation(0x22), 0x23);
    EXPECT_TRUE(S::IsAdaptationActive(0x01));
    EXPECT_FALSE(S::IsAdaptationActive(0xFE));
    EXPECT_TRUE(S::HasColdChangeover(0x02));
    EXPECT_TRUE(S::HasPetrolCutoff(0x20));
    EXPECT_FALSE(S::HasPetrolCutoff(0xDF));
}

TEST(EditorStoreRules, OnlyANewLambdaTypePresetsItsReferences) {
    struct Case {
        int index, atLoad;
        int32_t version;
        std::optional<S::LambdaPreset> preset;
    };
    const Case cases[] = {
        {0, 4, 200, S::LambdaPreset{55, 40, 65}},
        {1, 0, 200, S::LambdaPreset{125, 105, 137}},
        {2, 0, 200, S::LambdaPreset{250, 200, 300}},
        {3, 0, 200, S::LambdaPreset{250, 200, 300}},
        {4, 0, 200, S::LambdaPreset{250, 300, 200}},
        {5, 0, 208, S::LambdaPreset{250, 300, 200}},
        {4, 4, 200, std::nullopt},  // the type shown at load
        {4, 0, 199, std::nullopt},  // an ECU before the presets
        {6, 0, 200, std::nullopt},
        {-1, 0, 200, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.index << " after " << c.atLoad << ", version " << c.version);
        EXPECT_EQ(S::LambdaPresetFor(c.index, c.atLoad, c.version), c.preset);
    }
}

TEST(EditorStoreRules, APresetSetsTheReferencesAsBytesOfTheProbesSense) {
    struct Case {
        int lambdaIndex;
        S::LambdaPreset preset;
        int32_t references, coldLower, coldUpper;  // volt bytes
    };
    const Case cases[] = {
        {0, {55, 40, 65}, 28, 20, 33}, {4, {250, 300, 200}, 128, 102, 153},  // an inverted probe: 500 - v
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lambdaIndex);
        zov::testing::ModelBench b({}, false);
        b.car.SetValue(76, c.lambdaIndex);
        b.car.RIF_LAMBDA_PER_CAMBIO = 77;
        S::ApplyLambdaPreset(b.car, c.preset);
        for (int i = 0; i < 20; ++i) EXPECT_EQ(b.car.RIF_LAMBDA[i], c.references) << i;
        EXPECT_EQ(b.car.RIF_INF_LAMBDA_FREDDA, c.coldLower);
        EXPECT_EQ(b.car.RIF_SUP_LAMBDA_FREDDA, c.coldUpper);
        EXPECT_EQ(b.car.RIF_LAMBDA_PER_CAMBIO, 0);
        EXPECT_TRUE(b.ecu.Requests().empty());
    }
}

TEST(EditorStoreRules, TheTpsTypeKeepsTheMonoBoschBitAndDropsTheBitsAboveThree) {
    struct Case {
        int32_t old;
        int linear, switchIndex;
        int32_t packed;
    };
    const Case cases[] = {
        {0x00, 1, 2, 0x09},  {0x02, 0, 0, 0x02},  {0x32, 1, 1, 0x07},
        {0xFF, 0, 0, 0x02},  {0x0C, 0, -1, 0x0C},  // a switch field the combo cannot show is kept
        {0x3E, 1, -1, 0x0F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << c.old << std::dec << " " << c.linear << " " << c.switchIndex);
        EXPECT_EQ(S::PackTps(c.old, c.linear, c.switchIndex), c.packed);
    }
    EXPECT_EQ(S::LinearTpsIndex(0x09), 1);
    EXPECT_EQ(S::SwitchTpsIndex(0x09), 2);
    EXPECT_EQ(S::SwitchTpsIndex(0x0C), 3);
}

TEST(EditorStoreRules, OpenLoopSetsTheFirstSixEntriesAndReadsTheFirst) {
    zov::testing::ModelBench b({}, false);
    for (int i = 0; i < 20; ++i) b.car.OPENLOOP[i] = 0x80;  // the full-power bit of every entry
    EXPECT_FALSE(S::IsOpenLoop(b.car));
    S::SetOpenLoop(b.car, true);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.car.OPENLOOP[i], 0x80 | (13 << 2) | 3) << i;
    EXPECT_EQ(b.car.OPENLOOP[6], 0x80);
    EXPECT_TRUE(S::IsOpenLoop(b.car));
    S::SetOpenLoop(b.car, false);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.car.OPENLOOP[i], 0x80) << i;
    EXPECT_FALSE(S::IsOpenLoop(b.car));
    // Entry 0 alone decides: upper part 13 and lower part 3.
    b.car.OPENLOOP[0] = (13 << 2) | 2;
    EXPECT_FALSE(S::IsOpenLoop(b.car));
    b.car.OPENLOOP[0] = (13 << 2) | 3;
    EXPECT_TRUE(S::IsOpenLoop(b.car));
}

}  // namespace
}  // namespace zov::test
