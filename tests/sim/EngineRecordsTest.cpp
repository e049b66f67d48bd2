// The live records: what the engine model reports through records 150, 151, 152 and variable 86,
// judged by the rules the PC applies to them (rpm from periods, volts from bytes, map cells).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "EcuVariables.h"
#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::LineFixture;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

constexpr int64_t kSecond = 1'000'000;

class Records : public ::testing::Test {
  protected:
    explicit Records(EcuConfig config = {}) : f(std::move(config)) { f.OpenSession(); }

    // Decodes a record answer after checking its status, length and checksum.
    std::vector<int32_t> Read(int index, uint8_t a = 0, uint8_t b = 0) {
        const Bytes request = index == kRecordMapping ? WithChecksum({0x49, uint8_t(index), a, b})
                                                      : WithChecksum({0x41, uint8_t(index)});
        const RecordLayout* layout = RecordLayoutOf(index);
        const Bytes answer = f.Exchange(request, layout->dataBytes + 2);
        EXPECT_EQ(answer.size(), size_t(layout->dataBytes) + 2);
        if (answer.size() != size_t(layout->dataBytes) + 2)
            return std::vector<int32_t>(layout->valueCount, -1);
        EXPECT_EQ(answer.front(), kStatusAccepted);
        EXPECT_EQ(WithChecksum(Bytes(answer.begin(), answer.end() - 1)).back(), answer.back());
        std::vector<int32_t> values;
        size_t at = 1;
        for (int i = 0; i < layout->valueCount; ++i) {
            values.push_back(DecodeElement(layout->types[i], &answer[at]));
            at += ElementBytes(layout->types[i]);
        }
        return values;
    }

    // Reads at an absolute time since power-on.
    std::vector<int32_t> ReadAt(int64_t us, int index, uint8_t a = 0, uint8_t b = 0) {
        EXPECT_LE(f.clock.NowUs(), us) << "the clock already went past the sampling time";
        f.clock.AdvanceTo(us);
        return Read(index, a, b);
    }

    LineFixture f;
};

class DriveCycleRecords : public Records {
  protected:
    static EcuConfig Config() {
        EcuConfig c;
        c.engine.mode = DriveMode::DriveCycle;
        return c;
    }
    DriveCycleRecords() : Records(Config()) {}
};

int Rpm(int32_t period) { return period ? 7500000 / period : 0; }

// Reducer pressure over the manifold in hundredths of a bar, from the pressure and MAP bytes.
int PressureDifference(int p, int m) {
    if (p == 0) return 0;
    int manifold = m * 1000 / 1020 + 10;
    int absolute = (p + m) * 1000 / 1020 + 10;
    return absolute > manifold ? absolute - manifold : 0;
}

TEST_F(Records, WarmIdleLooksLikeACarOnGas) {
    const auto v = ReadAt(600 * kSecond, kRecordLive);
    EXPECT_NEAR(Rpm(v[9]), 850, 20);
    EXPECT_EQ(v[10] & 0x0F, 0x01 | 0x02 | 0x08) << "TPS at idle, closed loop, on gas, no cutoff";
    EXPECT_TRUE(v[10] & 0x40) << "changeover switch on gas";
    EXPECT_GT(EngineModel::RawToCelsius(uint8_t(v[11])), 70.0);
    const int pressure = PressureDifference(v[12], v[2]);
    EXPECT_GE(pressure, 89);
    EXPECT_LE(pressure, 99);
    EXPECT_LT(v[1] * 500 / 255, 100) << "throttle closed";
    // The target is the main map cell of the idle point: about 0.47 V and 850 rpm.
    const int target = v[5];
    EXPECT_TRUE(target == f.ecu.Value(50, 2 * 20 + 3) || target == f.ecu.Value(50, 3 * 20 + 3)) << target;
    EXPECT_LE(std::abs(v[7] - target), 12) << "opening follows the target";
    EXPECT_GE(v[3], -40);
    EXPECT_LE(v[3], 40);
}

TEST_F(Records, TheCarWarmsUpAndChangesOverToGas) {
    const auto cold = ReadAt(0, kRecordLive);
    EXPECT_NEAR(EngineModel::RawToCelsius(uint8_t(cold[11])), 20.0, 1.0);
    EXPECT_FALSE(cold[10] & 0x08) << "too cold for gas";
    EXPECT_GT(Rpm(cold[9]), 1100) << "a cold engine idles higher";
    EXPECT_EQ(cold[0], 23) << "a cold probe sits at 0.45 V";

    int previousTemp = cold[11];
    for (int64_t t : {5, 30, 60, 120, 300}) {
        const auto v = ReadAt(t * kSecond, kRecordLive);
        EXPECT_LE(v[11], previousTemp) << "the NTC byte falls as the reducer heats, t=" << t;
        previousTemp = v[11];
    }
    EXPECT_LT(previousTemp, cold[11] - 50);
    EXPECT_TRUE(Read(kRecordLive)[10] & 0x08);
}

TEST_F(Records, AHigherChangeoverTemperatureDelaysTheChangeover) {
    const uint8_t sixtyDegrees = EngineModel::CelsiusToRaw(60);
    EXPECT_EQ(f.Answer(WithChecksum({0x06, 2, sixtyDegrees})), (Bytes{0x82, 0x82}));
    EXPECT_FALSE(ReadAt(20 * kSecond, kRecordLive)[10] & 0x08);
    EXPECT_TRUE(ReadAt(600 * kSecond, kRecordLive)[10] & 0x08);
}

TEST_F(Records, LambdaSwitchesOnceTheProbeIsWarm) {
    auto lambdaSamples = [&](int64_t from, int64_t to) {
        std::vector<int> samples;
        for (int64_t t = from; t < to; t += kSecond / 20) samples.push_back(ReadAt(t, kRecordParameters)[1]);
        return samples;
    };
    for (int b : lambdaSamples(0, 10 * kSecond)) EXPECT_EQ(b, 23);

    const std::vector<int> warm = lambdaSamples(60 * kSecond, 63 * kSecond);
    int crossings = 0;
    for (size_t i = 1; i < warm.size(); ++i) crossings += (warm[i - 1] < 23) != (warm[i] < 23);
    EXPECT_LE(*std::min_element(warm.begin(), warm.end()), 6) << "lean near 0.1 V";
    EXPECT_GE(*std::max_element(warm.begin(), warm.end()), 40) << "rich near 0.8 V";
    EXPECT_GE(crossings, 4);
}

TEST_F(Records, Record151AndVariable86AgreeWithRecord150) {
    f.clock.AdvanceTo(300 * kSecond);
    const auto live = Read(kRecordLive);
    const auto short151 = Read(kRecordParameters);
    EXPECT_NEAR(Rpm(short151[0]), Rpm(live[9]), 30);
    EXPECT_NEAR(short151[3], live[12], 1);
    const Bytes pressure = f.Answer(WithChecksum({0x01, 86}));
    ASSERT_EQ(pressure.size(), 3u);
    EXPECT_NEAR(pressure[1], live[12], 1);
}

TEST_F(Records, Record152ReportsTheAskedCellAndTheMappingReadiness) {
    EXPECT_EQ(f.Answer(WithChecksum({0x12, 50, 4, 7, 0x39, 0x01})), (Bytes{0x82, 0x82}));
    auto v = ReadAt(600 * kSecond, kRecordMapping, 4, 7);
    EXPECT_EQ(v[4], 0x139);
    EXPECT_NEAR(Rpm(v[3]), 850, 20);
    EXPECT_EQ(v[6] & 0x0800, 0) << "not ready for mapping outside the mapping mode";

    // Mapping mode is bit 2 of the configuration register.
    EXPECT_EQ(f.Answer(WithChecksum({0x06, 39, 0x07})), (Bytes{0x82, 0x82}));
    v = Read(kRecordMapping, 4, 7);
    EXPECT_NE(v[6] & 0x0800, 0);
    const int8_t deviation = static_cast<int8_t>(v[6] & 0xFF);
    EXPECT_GE(deviation, -40);
    EXPECT_LE(deviation, 40);

    EXPECT_EQ(Read(kRecordMapping, 16, 0)[4], 0) << "a cell outside the map";
}

TEST(RecordPressure, TheReducerPressureSuitsTheFuel) {
    const struct {
        int fuel;
        int low;
        int high;
    } cases[] = {{0, 89, 99}, {1, 103, 115}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fuel);
        EcuConfig config;
        config.fuel = c.fuel;
        LineFixture f(config);
        f.OpenSession();
        f.clock.AdvanceTo(600 * kSecond);
        for (int i = 0; i < 20; ++i) {
            const Bytes answer = f.Answer(WithChecksum({0x41, 150}));
            ASSERT_EQ(answer.size(), 20u);
            const int pressure = PressureDifference(answer[1 + 16], answer[1 + 2]);
            EXPECT_GE(pressure, c.low);
            EXPECT_LE(pressure, c.high);
            f.clock.Advance(kSecond / 3);
        }
    }
}

// Column of a speed and row of a MAP voltage, by the midpoints between the default axis points.
int ColumnOf(int rpm) {
    const int axis[20] = {450,  550,  650,  800,  950,  1150, 1350, 1600, 1850, 2150,
                          2450, 2750, 3100, 3500, 3900, 4350, 4850, 5350, 5900, 6500};
    for (int c = 0; c < 19; ++c)
        if (rpm < (axis[c] + axis[c + 1]) / 2) return c;
    return 19;
}
int RowOf(int hundredthsOfVolt) {
    const int axis[16] = {18, 29, 41, 53, 65, 78, 90, 102, 114, 127, 139, 149, 159, 169, 178, 186};
    for (int r = 0; r < 15; ++r)
        if (hundredthsOfVolt < (axis[r] + axis[r + 1]) / 2) return r;
    return 15;
}

TEST_F(DriveCycleRecords, TheDriveCycleVisitsEveryMappingZone) {
    const struct {
        int rowFrom, rowTo, colFrom, colTo;
    } zones[8] = {{2, 8, 1, 4},   {2, 3, 6, 8},   {2, 3, 10, 13},  {5, 10, 10, 12},
                  {2, 5, 15, 17}, {12, 15, 1, 4}, {12, 15, 9, 12}, {11, 15, 15, 18}};
    const double cycle = EngineModel::kIdleSeconds + 8 * EngineModel::kZoneSeconds;
    for (int round = 0; round < 2; ++round) {
        for (int z = 0; z < 8; ++z) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " zone " << z);
            for (double into : {1.5, 3.0, 5.5}) {
                const double t =
                    round * cycle + EngineModel::kIdleSeconds + z * EngineModel::kZoneSeconds + into;
                const auto v = ReadAt(int64_t(t * kSecond), kRecordLive);
                const int row = RowOf(int(v[2] * 500 / 255.0 + 0.5));
                const int col = ColumnOf(Rpm(v[9]));
                EXPECT_GE(row, zones[z].rowFrom);
                EXPECT_LE(row, zones[z].rowTo);
                EXPECT_GE(col, zones[z].colFrom);
                EXPECT_LE(col, zones[z].colTo);
                EXPECT_FALSE(v[10] & 0x01) << "throttle open";
            }
        }
    }
    // Between two tours the car idles.
    EXPECT_NEAR(Rpm(ReadAt(int64_t((2 * cycle + 5) * kSecond), kRecordLive)[9]), 850, 200);
}

// In mapping mode the ECU reports itself ready (bit 3 of record 152) while on gas in closed loop,
// and holds the throttle enrichment back: the probe keeps switching right after the widest
// opening of the tour, where it otherwise reads rich.
TEST_F(DriveCycleRecords, InMappingModeTheEcuIsReadyAndTheProbeKeepsSwitching) {
    const double cycle = EngineModel::kIdleSeconds + 8 * EngineModel::kZoneSeconds;
    const double zone5 = cycle + EngineModel::kIdleSeconds + 5 * EngineModel::kZoneSeconds;
    for (bool mapping : {false, true}) {
        SCOPED_TRACE(mapping ? "mapping mode" : "normal");
        f.ecu.SetValue(39, 0, mapping ? 0x07 : 0x03);
        std::vector<int> lambda;
        bool ready = true;
        for (double into = 0.2; into < 1.6; into += 0.05) {
            const double t = (mapping ? 2 * cycle : 0) + zone5 + into;
            const auto v = ReadAt(int64_t(t * kSecond), kRecordMapping, 13, 2);
            lambda.push_back(v[0]);
            ready = ready && ((v[6] >> 8) & 0x08) != 0;
        }
        const auto [low, high] = std::minmax_element(lambda.begin(), lambda.end());
        if (mapping) {
            EXPECT_LE(*low, 10) << "lean";
            EXPECT_GE(*high, 36) << "rich";
            EXPECT_TRUE(ready);
        } else {
            EXPECT_EQ(*low, 41) << "rich all along";
            EXPECT_FALSE(ready);
        }
    }
}

TEST(ReducerSensor, NtcConversions) {
    EXPECT_EQ(EngineModel::CelsiusToRaw(25), 128);
    EXPECT_NEAR(EngineModel::RawToCelsius(128), 24.84, 0.01);
    EXPECT_EQ(EngineModel::RawToCelsius(0), -1000.0);
    EXPECT_EQ(EngineModel::RawToCelsius(255), -1000.0);
    for (int t = -20; t <= 120; t += 7)
        EXPECT_NEAR(EngineModel::RawToCelsius(EngineModel::CelsiusToRaw(t)), t, 1.5) << t;
    // Out of the sensor's range: clamped, not a crash.
    EXPECT_EQ(EngineModel::CelsiusToRaw(-300), EngineModel::CelsiusToRaw(-55));
    EXPECT_EQ(EngineModel::CelsiusToRaw(900), EngineModel::CelsiusToRaw(174.9));
}

}  // namespace
}  // namespace zov::sim
