#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfCar.h"
#include "ModelTestSupport.h"

namespace zov {
namespace {

using testing::CarBench;

constexpr int32_t kUnhandled = ConfCar::kUnhandled;

// The model on a link that has no session: nothing here talks to the ECU.
struct Offline : CarBench {
    Offline() : CarBench({}, false) {}
};

TEST(CarDefaults, EngineeringValuesOfAFreshModel) {
    Offline b;
    const ConfCar& car = b.car;
    const std::vector<std::pair<int, int32_t>> expected = {
        {0, 200},    {1, 0},     {2, 25},   {3, 0},    {4, 0},     {6, 6504},  {7, 4},    {8, 1},   {12, 4},
        {15, 4},     {16, 0},    {18, 50},  {19, -50}, {20, 3750}, {22, 9003}, {24, 65},  {25, 35}, {26, 15},
        {27, 14},    {28, 4},    {29, 200}, {30, 40},  {31, -40},  {32, 16},   {33, 833}, {34, 15}, {35, 9},
        {36, 13},    {45, 5502}, {46, 200}, {47, 0},   {75, 70},   {76, 0},    {77, 0},   {78, 1},  {95, 500},
        {96, 10000}, {97, 200},  {98, 0},   {99, 51},  {134, 0},   {135, 0},
    };
    for (const auto& [var, value] : expected) EXPECT_EQ(car.GetValue(var), value) << "var " << var;

    // Temperature points: the bytes of 80..10 °C and the coefficients 0,0,0,0,0,4,8,14,14.
    EXPECT_EQ(std::vector<int32_t>(std::begin(car.TRIF), std::end(car.TRIF)),
              (std::vector<int32_t>{29, 38, 51, 68, 89, 114, 142, 170}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(car.COEFF_TEMPERATURA), std::end(car.COEFF_TEMPERATURA)),
              (std::vector<int32_t>{0, 0, 0, 0, 0, 25, 12, 7, 7}));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(car.GetTemperaturePoint(i, 1), 80 - 10 * i);
    // The stored 100/coefficient comes back through a second division: 100/7 = 14, 100/12 = 8.
    EXPECT_EQ(car.GetTemperaturePoint(5, 0), 4);
    EXPECT_EQ(car.GetTemperaturePoint(6, 0), 8);
    EXPECT_EQ(car.GetTemperaturePoint(8, 0), 14);
    EXPECT_EQ(car.GetTemperaturePoint(0, 0), 0);
    EXPECT_EQ(car.DATA_PROGRAMMA, testing::kEcuDayZero + 9000);
}

TEST(CarValues, IndicesWithoutAConversionAreRefused) {
    Offline b;
    ConfCar& car = b.car;
    // The ms variables and everything outside the handled set.
    for (int var : {-1, 5, 9, 10, 11, 14, 21, 42, 50, 89, 104, 108, 136, 1000}) {
        EXPECT_EQ(car.GetValue(var), kUnhandled) << var;
        EXPECT_EQ(car.SetValue(var, 1), 0) << var;
    }
    EXPECT_EQ(car.TEMPO_SOVRAPPOSIZIONE, 400);
}

TEST(CarValues, SetThenGetRoundTrips) {
    struct Case {
        int var;
        int32_t set;
        int32_t get;  // what GetValue gives back afterwards
    };
    const Case cases[] = {
        {0, 120, 120},     {2, 60, 60},      {4, 0, 0},      {4, 100, 100},    {6, 6000, 6000},
        {20, 2500, 2500},  {22, 7000, 7002}, {24, 90, 90},   {27, 30, 29},     {33, 7500, 7500},
        {35, 7, 7},        {45, 5000, 5000}, {95, 250, 251}, {96, 9000, 9003}, {99, 250, 251},
        {134, 0x48, 0x48}, {16, 129, 129},   {76, 3, 3},     {78, 6, 6},
    };
    for (const Case& c : cases) {
        Offline b;
        SCOPED_TRACE("var " + std::to_string(c.var) + " := " + std::to_string(c.set));
        EXPECT_EQ(b.car.SetValue(c.var, c.set), 1);
        EXPECT_EQ(b.car.GetValue(c.var), c.get);
    }
}

TEST(CarValues, StoredUnits) {
    Offline b;
    ConfCar& car = b.car;
    car.SetValue(6, 6504);
    EXPECT_EQ(car.GIRI_PER_FUORI_GIRI, 1153);
    // 20 and 33 are held in rpm: SetValue takes the period the ECU gets.
    car.SetValue(20, 3000);
    EXPECT_EQ(car.GIRI_MINIMI_PER_CAMBIO, 2500);
    car.SetValue(33, 0);
    EXPECT_EQ(car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF, 0);
    EXPECT_EQ(car.GetValue(33), 0);
    car.SetValue(2, 25);
    EXPECT_EQ(car.TEMPERATURA_MINIMA_PER_CAMBIO, 128);
    car.SetValue(99, 250);
    for (int32_t v : car.RIF_LAMBDA) EXPECT_EQ(v, 128);
    EXPECT_EQ(car.GetLambdaRef(19), 251);
    EXPECT_EQ(car.GetLambdaRef(20), kUnhandled);
    EXPECT_EQ(car.GetLambdaRef(-1), kUnhandled);
}

TEST(CarValues, InversionFollowsLambdaAndTpsTypes) {
    Offline b;
    ConfCar& car = b.car;
    car.TIPO_DI_LAMBDA = 25;  // 5-0 V: inverted
    ASSERT_TRUE(car.IsLambdaInverted());
    car.SetValue(24, 500);
    EXPECT_EQ(car.RIF_SUP_LAMBDA_FREDDA, 0);
    EXPECT_EQ(car.GetValue(24), 500);
    car.SetValue(25, 100);
    EXPECT_EQ(car.RIF_INF_LAMBDA_FREDDA, 204);
    // 0 means "not used" in both directions, whatever the probe.
    EXPECT_EQ(car.SetValue(4, 0), 1);
    EXPECT_EQ(car.RIF_LAMBDA_PER_CAMBIO, 0);
    EXPECT_EQ(car.GetValue(4), 0);
    car.SetValue(4, 100);
    EXPECT_EQ(car.RIF_LAMBDA_PER_CAMBIO, 204);
    EXPECT_EQ(car.GetValue(4), 100);
    car.SetValue(99, 400);
    EXPECT_EQ(car.RIF_LAMBDA[7], 51);
    EXPECT_EQ(car.GetLambdaRef(7), 400);
    // The hystereses never invert.
    car.SetValue(27, 100);
    EXPECT_EQ(car.ISTERESI_DEL_MINIMO_TPS, 51);

    car.TIPO_DI_TPS = 1;
    car.SetValue(95, 100);
    EXPECT_EQ(car.TPS_PER_SBANANATA, 204);
    EXPECT_EQ(car.GetValue(95), 100);
    car.TIPO_DI_TPS = 4;  // switch TPS direct, linear TPS not inverted
    EXPECT_EQ(car.GetValue(95), 400);
}

TEST(CarValues, VoltsOutsideTheByteSaturate) {
    Offline b;
    ConfCar& car = b.car;
    car.SetValue(27, 600);
    EXPECT_EQ(car.ISTERESI_DEL_MINIMO_TPS, 255);
    car.SetValue(28, -50);
    EXPECT_EQ(car.ISTERESI_USCITA_DAL_MINIMO_TPS, 0);
    car.TIPO_DI_LAMBDA = 41;
    car.SetValue(24, -100);
    EXPECT_EQ(car.RIF_SUP_LAMBDA_FREDDA, 255);
}

TEST(CarValues, CodeTables) {
    Offline b;
    ConfCar& car = b.car;
    car.SetValue(76, 9);
    EXPECT_EQ(car.TIPO_DI_LAMBDA, 41);
    EXPECT_EQ(car.GetValue(76), 5);
    car.SetValue(78, 100);
    EXPECT_EQ(car.TIPO_ACCENSIONE, 1);
    // A negative index has no code: refused, nothing changes.
    EXPECT_EQ(car.SetValue(76, -1), 0);
    EXPECT_EQ(car.TIPO_DI_LAMBDA, 41);
    EXPECT_EQ(car.SetValue(78, -3), 0);
    EXPECT_EQ(car.TIPO_ACCENSIONE, 1);

    car.TIPO_DI_LAMBDA = 7;
    EXPECT_EQ(car.GetValue(76), -1);
    car.TIPO_ACCENSIONE = 9;
    EXPECT_EQ(car.GetValue(78), -1);
    EXPECT_EQ(car.TempoSafety(), 0);

    for (int i = 0; i < ConfCar::kIgnitionCodeCount; ++i) {
        car.SetValue(78, i);
        EXPECT_EQ(car.TempoSafety(), (std::vector<int32_t>{2, 2, 2, 1, 1, 3, 6})[size_t(i)]);
    }

    for (int i = 0; i < ConfCar::kSensorCodeCount; ++i) {
        car.SetValue(16, ConfCar::kSensorCodes[i]);
        EXPECT_EQ(car.TIPO_DI_SENSORE, i);
        EXPECT_EQ(car.GetValue(16), ConfCar::kSensorCodes[i]);
    }
    // A code outside the table: index -1, and the code itself is kept to go back unchanged.
    car.SetValue(16, 7);
    EXPECT_EQ(car.TIPO_DI_SENSORE, -1);
    EXPECT_EQ(car.GetValue(16), 7);
    car.SetValue(16, 131);
    EXPECT_EQ(car.TIPO_DI_SENSORE, 1);
    car.TIPO_DI_SENSORE = 12;  // nonsense index, nothing kept
    EXPECT_EQ(car.GetValue(16), -1);
    EXPECT_STREQ(ConfCar::kSensorNames[5 % 5], "Non Standard");
}

TEST(CarValues, MappingSubstitutesRedirect) {
    Offline b;
    ConfCar& car = b.car;
    car.MAPPATURA_ATTIVA = 1;
    car.USA_ERRORE_LAMBDA_MAPPATURA = 1;
    car.USA_CUTOFF_MAPPATURA = 1;
    car.USA_SBANANATA_MAPPATURA = 1;
    EXPECT_EQ(car.GetValue(18), 60);
    EXPECT_EQ(car.GetValue(30), 60);
    EXPECT_EQ(car.GetValue(19), -60);
    EXPECT_EQ(car.GetValue(31), -60);
    EXPECT_EQ(car.GetValue(22), 10000);
    EXPECT_EQ(car.GetValue(96), 10000);

    car.SetValue(18, 70);
    car.SetValue(30, 33);  // the idle limits always go to their own fields
    car.SetValue(19, -70);
    car.SetValue(31, -33);
    car.SetValue(22, 6000);
    car.SetValue(96, 5000);
    EXPECT_EQ(car.MAX_ERRORE_LAMBDA_MAPPATURA, 70);
    EXPECT_EQ(car.MIN_ERRORE_LAMBDA_MAPPATURA, -70);
    EXPECT_EQ(car.MAX_ERRORE_LAMBDA, 50);
    EXPECT_EQ(car.MAX_ERRORE_LAMBDA_AL_MINIMO, 33);
    EXPECT_EQ(car.MIN_ERRORE_LAMBDA_AL_MINIMO, -33);
    EXPECT_EQ(car.GetValue(30), 70);
    EXPECT_EQ(car.GIRI_CUTOFF_MAPPATURA, 1250);
    EXPECT_EQ(car.DEF_GIRI_PER_CUTOFF, 833);
    EXPECT_EQ(car.PERIODO_SBANANATA_MAPPATURA, 1500);
    EXPECT_EQ(car.PERIODO_GIRI_PER_SBANANATA, 750);

    // A substitute not in use leaves the normal field in charge.
    car.USA_CUTOFF_MAPPATURA = 0;
    car.SetValue(22, 7500);
    EXPECT_EQ(car.DEF_GIRI_PER_CUTOFF, 1000);
    EXPECT_EQ(car.GetValue(22), 7500);
    car.MAPPATURA_ATTIVA = 0;
    EXPECT_EQ(car.GetValue(18), 50);
    EXPECT_EQ(car.GetValue(96), 10000);
}

TEST(CarValues, OpenLoopBitFields) {
    Offline b;
    ConfCar& car = b.car;
    car.OPENLOOP[3] = 0;
    EXPECT_EQ(car.SetOpenLoop(3, 0, 0x1F), 1);  // low 4 bits into bits 2-5
    EXPECT_EQ(car.OPENLOOP[3], 0x3C);
    EXPECT_EQ(car.SetOpenLoop(3, 1, 6), 1);  // x AND 3 into bits 0-1
    EXPECT_EQ(car.OPENLOOP[3], 0x3E);
    EXPECT_EQ(car.SetOpenLoop(3, 2, 5), 1);
    EXPECT_EQ(car.OPENLOOP[3], 0xBE);
    EXPECT_EQ(car.GetOpenLoop(3, 0), 15);
    EXPECT_EQ(car.GetOpenLoop(3, 1), 2);
    EXPECT_EQ(car.GetOpenLoop(3, 2), 1);
    EXPECT_EQ(car.SetOpenLoop(3, 0, 0), 1);
    EXPECT_EQ(car.OPENLOOP[3], 0x82);
    EXPECT_EQ(car.SetOpenLoop(3, 2, 0), 1);
    EXPECT_EQ(car.OPENLOOP[3], 0x02);
    EXPECT_EQ(car.SetOpenLoop(3, 3, 1), 0);
    EXPECT_EQ(car.GetOpenLoop(3, 3), 0);
    EXPECT_EQ(car.SetOpenLoop(20, 0, 1), 0);
    EXPECT_EQ(car.GetOpenLoop(20, 0), kUnhandled);
    EXPECT_EQ(car.GetOpenLoop(-1, 0), kUnhandled);

    // While mapping, parts 0 and 1 use the substitute array; part 2 stays on the normal one.
    car.MAPPATURA_ATTIVA = 1;
    car.USA_OPENLOOP_MAPPATURA = 1;
    car.SetOpenLoop(5, 0, 9);
    car.SetOpenLoop(5, 1, 1);
    car.SetOpenLoop(5, 2, 1);
    EXPECT_EQ(car.OPENLOOP_MAPPATURA[5], (9 << 2) | 1);
    EXPECT_EQ(car.OPENLOOP[5], 128);
    EXPECT_EQ(car.GetOpenLoop(5, 0), 9);
    EXPECT_EQ(car.GetOpenLoop(5, 2), 1);
    car.USA_OPENLOOP_MAPPATURA = 0;
    EXPECT_EQ(car.GetOpenLoop(5, 0), 0);
}

TEST(CarValues, TemperaturePoints) {
    Offline b;
    ConfCar& car = b.car;
    car.SetTemperaturePoint(2, 1, 25);
    EXPECT_EQ(car.TRIF[2], 128);
    EXPECT_EQ(car.GetTemperaturePoint(2, 1), 25);
    car.SetTemperaturePoint(8, 2, 3);
    EXPECT_EQ(car.COEFF_TEMPERATURA[8], 33);
    EXPECT_EQ(car.GetTemperaturePoint(8, 2), 3);
    car.SetTemperaturePoint(8, 2, 0);
    EXPECT_EQ(car.COEFF_TEMPERATURA[8], 0);
    // Out of range: ignored, or 0 when asked.
    ConfCar fresh(b.link, "x", b.prompter);
    car.SetTemperaturePoint(8, 1, 20);
    car.SetTemperaturePoint(9, 0, 20);
    car.SetTemperaturePoint(0, 1, 256);
    car.SetTemperaturePoint(0, 0, -1);
    car.SetTemperaturePoint(-1, 1, 20);
    EXPECT_EQ(car.TRIF[0], fresh.TRIF[0]);
    EXPECT_EQ(car.COEFF_TEMPERATURA[0], 0);
    EXPECT_EQ(car.GetTemperaturePoint(8, 1), 0);
    EXPECT_EQ(car.GetTemperaturePoint(9, 0), 0);
    EXPECT_EQ(car.GetTemperaturePoint(-1, 0), 0);
}

TEST(CarConversions, NtcTemperature) {
    EXPECT_EQ(ConfCar::RawToCelsius(255), -1000);
    EXPECT_EQ(ConfCar::RawToCelsius(0), -1000);
    EXPECT_NEAR(ConfCar::RawToCelsius(128), 24.84, 0.005);
    EXPECT_EQ(ConfCar::RawToCelsius(254), -55);
    EXPECT_EQ(ConfCar::CelsiusToRaw(25), 128);
    // Outside the table: the nearest end.
    EXPECT_EQ(ConfCar::CelsiusToRaw(-100), ConfCar::CelsiusToRaw(-55));
    EXPECT_EQ(ConfCar::CelsiusToRaw(-55), 252);
    EXPECT_EQ(ConfCar::CelsiusToRaw(175), 3);
    EXPECT_EQ(ConfCar::CelsiusToRaw(1000), 3);
    // NTC: hotter reads lower, and a byte converts back to within a degree where the sensor
    // resolves that well.
    for (int t = -54; t < 175; ++t) EXPECT_LE(ConfCar::CelsiusToRaw(t), ConfCar::CelsiusToRaw(t - 1)) << t;
    for (int t = -20; t <= 90; ++t) EXPECT_NEAR(ConfCar::RawToCelsius(ConfCar::CelsiusToRaw(t)), t, 1.0) << t;
}

TEST(CarConversions, PeriodsAndVolts) {
    EXPECT_EQ(ConfCar::Period(0), 0);
    EXPECT_EQ(ConfCar::Period(2000), 3750);
    EXPECT_EQ(ConfCar::Period(1153), 6504);
    EXPECT_EQ(ConfCar::Period(-1), -7500000);
    EXPECT_EQ(ConfCar::ByteToVolt(255, false), 500);
    EXPECT_EQ(ConfCar::ByteToVolt(255, true), 0);
    EXPECT_EQ(ConfCar::ByteToVolt(26, false), 51);
    EXPECT_EQ(ConfCar::VoltToByte(160, false), 82);
    EXPECT_EQ(ConfCar::VoltToByte(30, false), 15);
    EXPECT_EQ(ConfCar::VoltToByte(500, true), 0);
    for (int raw = 0; raw < 256; ++raw) {
        EXPECT_EQ(ConfCar::VoltToByte(ConfCar::ByteToVolt(raw, false), false), raw);
        EXPECT_EQ(ConfCar::VoltToByte(ConfCar::ByteToVolt(raw, true), true), raw);
    }
}

TEST(CarIdentity, ProgramDateAsLongDate) {
    Offline b;
    EXPECT_EQ(b.car.FormatProgramDate(), "sabato 3 giugno 2023");  // day 9000 of the ECU
    b.car.DATA_PROGRAMMA = testing::kEcuDayZero;
    EXPECT_EQ(b.car.FormatProgramDate(), "luned\xEC 12 ottobre 1998");
    ConfCar dated(b.link, "fileh0.h", b.prompter, [] { return DayNumberFromDate(2011, 5, 17); });
    EXPECT_EQ(dated.FormatProgramDate(), "marted\xEC 17 maggio 2011");
}

}  // namespace
}  // namespace zov
