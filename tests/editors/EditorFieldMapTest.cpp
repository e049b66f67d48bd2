// The parameter editor's fields on the model: what each edit shows of the model's default
// vehicle, what a shown value stores, the inverted level references and the fallbacks.
#include <gtest/gtest.h>

#include "EditorFieldMap.h"
#include "ModelTestSupport.h"

namespace zov::test {
namespace {

using F = EditorFieldMap;

// The model's objects with their defaults, no session.
struct FieldBench : zov::testing::ModelBench {
    FieldBench() : ModelBench({}, false), fields(car, param) {}
    EditorFieldMap fields;
};

TEST(EditorFieldMap, EachEditShowsTheModelInItsUnit) {
    FieldBench b;
    b.car.RITARDO_MINIMO_CAMBIO = 3;
    b.car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 4000;
    b.car.PASSI_FATTI_INSTALLATORE[2] = -6;
    b.car.MAX_STEPL[0] = 33;
    struct Case {
        int field;
        int32_t shown;
    };
    const Case cases[] = {
        {F::kCilindrata, 0},
        {F::kRitMax, 200},
        {F::kRitMin, 3},
        {F::kTMin, 25},  // temperature byte 128
        {F::kTSovrappos, 400},
        {F::kGiriMin, 2000},    // held as rpm
        {F::kFuoriGiri, 6504},  // period 1153
        {F::kEmOnde, 1},
        {F::kEmBasso, 360},
        {F::kEmAlto, 360},
        {F::kIsteresi, 4},
        {F::kRif1, 19},
        {F::kRif4, 69},
        {F::kGiriACF, 4000},
        {F::kGiriUCF, 9003},  // period 833
        {F::kRitCutoff, 200},
        {F::kFattiInst3, -6},
        {F::kMinCumulo, 4},
        {F::kMaxErrInteg, 50},
        {F::kMinErrInteg, -50},
        {F::kMaxErrIntegMin, 40},
        {F::kMinErrIntegMin, -40},
        {F::kEditem1, 33},
    };
    for (const Case& c : cases) EXPECT_EQ(b.fields.Shown(c.field, 2), c.shown) << "field " << c.field;
    EXPECT_DOUBLE_EQ(b.fields.ShownDecimal(F::kIstTps), 0.14);  // byte 7
    b.car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 1250;
    EXPECT_DOUBLE_EQ(b.fields.ShownDecimal(F::kEmTri), 1.25);
}

TEST(EditorFieldMap, AShownValueGoesIntoTheModelsOwnUnit) {
    FieldBench b;
    b.fields.Store(F::kFuoriGiri, 6000, 2);
    EXPECT_EQ(b.car.GIRI_PER_FUORI_GIRI, 1250);
    b.fields.Store(F::kGiriUCF, 2500, 2);
    EXPECT_EQ(b.car.DEF_GIRI_PER_CUTOFF, 3000);
    b.fields.Store(F::kTMin, 25, 2);
    EXPECT_EQ(b.car.TEMPERATURA_MINIMA_PER_CAMBIO, 128);
    b.fields.Store(F::kGiriMin, 2500, 2);
    EXPECT_EQ(b.car.GIRI_MINIMI_PER_CAMBIO, 2500);
    b.fields.Store(F::kCilindrata, 1398, 2);
    EXPECT_EQ(b.car.CILINDRATA, 1398);
    b.fields.Store(F::kFattiInst4, -3, 2);
    EXPECT_EQ(b.car.PASSI_FATTI_INSTALLATORE[3], -3);
    b.fields.Store(F::kMinErrIntegMin, -12, 2);
    EXPECT_EQ(b.car.MIN_ERRORE_LAMBDA_AL_MINIMO, -12);
    // One automatic maximum for all four zones.
    b.fields.Store(F::kEditem1, 25, 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.car.MAX_STEPL[i], 25) << i;
    // Decimal edits: volts into the hysteresis byte, seconds into milliseconds.
    b.fields.StoreDecimal(F::kIstTps, 0.29);
    EXPECT_EQ(b.car.ISTERESI_DEL_MINIMO_TPS, 15);  // 29 hundredths, not 28 (byte 14)
    b.fields.StoreDecimal(F::kEmTri, 0.57);
    EXPECT_EQ(b.car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE, 570);
}

TEST(EditorFieldMap, InvertedSensorsShowAndStoreTheReferencesFrom255Down) {
    struct Case {
        int sensor;
        bool inverted;
    };
    const Case cases[] = {{-1, false}, {0, false}, {1, true}, {2, false}, {3, true}, {4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sensor);
        FieldBench b;
        // The defaults 19, 36, 56, 69 as an inverted sensor shows them.
        const int32_t shown[4] = {236, 219, 199, 186};
        for (int i = 0; i < 4; ++i) {
            const int32_t stored = b.car.RIF_SENS[i];
            EXPECT_EQ(b.fields.Shown(F::kRif1 + i, c.sensor), c.inverted ? shown[i] : stored) << i;
        }
        const int32_t typed[4] = {200, 141, 94, 40};
        for (int i = 0; i < 4; ++i) b.fields.Store(F::kRif1 + i, typed[i], c.sensor);
        const int32_t stored[4] = {55, 114, 161, 215};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(b.car.RIF_SENS[i], c.inverted ? stored[i] : typed[i]) << i;
    }
}

TEST(EditorFieldMap, FallbacksStandForATextThatIsNoNumber) {
    struct Case {
        int field;
        int sensor;
        int32_t fallback;
    };
    const Case cases[] = {
        {F::kCilindrata, 0, 1000},
        {F::kRitMax, 0, 1000},
        {F::kRitMin, 0, 2},
        {F::kTMin, 0, 100},
        {F::kTSovrappos, 0, 200},
        {F::kGiriMin, 0, 3000},
        {F::kFuoriGiri, 0, 6500},
        {F::kEmOnde, 0, 6},
        {F::kEmBasso, 0, 200},
        {F::kEmAlto, 0, 200},
        {F::kIsteresi, 0, 4},
        {F::kGiriACF, 0, 2000},
        {F::kGiriUCF, 0, 2500},
        {F::kRitCutoff, 0, 200},
        {F::kFattiInst1, 0, 0},
        {F::kMinCumulo, 0, 4},
        {F::kGApMin, 0, 3},
        {F::kGChMin, 0, 3},
        {F::kMaxErrInteg, 0, 50},
        {F::kMinErrInteg, 0, -50},
        {F::kMaxErrIntegMin, 0, 50},
        {F::kMinErrIntegMin, 0, -50},
        {F::kEditem1, 0, 40},
        // The references run upwards, or downwards for an inverted sensor.
        {F::kRif1, 0, 10},
        {F::kRif2, 2, 20},
        {F::kRif3, 4, 30},
        {F::kRif4, 0, 40},
        {F::kRif1, 1, 40},
        {F::kRif2, 3, 30},
        {F::kRif3, 1, 20},
        {F::kRif4, 3, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(F::Fallback(c.field, c.sensor), c.fallback)
            << "field " << c.field << " sensor " << c.sensor;
    EXPECT_DOUBLE_EQ(F::DecimalFallback(F::kIstTps), 0.0);
    EXPECT_DOUBLE_EQ(F::DecimalFallback(F::kEmTri), 200.0);
}

TEST(EditorFieldMap, TheIdleGainsGoIntoTheSixIdleColumnsOnly) {
    FieldBench b;
    b.param.SetGain(6, ConfParam::kGainOpening, 1);
    b.param.SetGain(6, ConfParam::kGainClosing, 1);
    b.fields.StoreIdleGains(4, 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(b.param.GetGain(i, ConfParam::kGainOpening), 4) << i;
        EXPECT_EQ(b.param.GetGain(i, ConfParam::kGainClosing), 2) << i;
    }
    EXPECT_EQ(b.param.GetGain(6, ConfParam::kGainOpening), 1);
    EXPECT_EQ(b.param.GetGain(6, ConfParam::kGainClosing), 1);
    EXPECT_EQ(b.fields.Shown(F::kGApMin, 0), 4);
    EXPECT_EQ(b.fields.Shown(F::kGChMin, 0), 2);
}

}  // namespace
}  // namespace zov::test
