// Record 151, the enrichment page's live record, along the drive cycle: speed, lambda, the TPS
// accumulation and the reducer pressure follow the engine model's operating point.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "EcuVariables.h"
#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::LineFixture;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

constexpr int64_t kSecond = 1'000'000;
constexpr double kCycle = EngineModel::kIdleSeconds + 8 * EngineModel::kZoneSeconds;
// The second tour: the probe is warm by then (it is cold for the first 15 s after power-on).
constexpr double kSecondTour = kCycle + EngineModel::kIdleSeconds;

class DriveCycle151 : public ::testing::Test {
  protected:
    static EcuConfig Config() {
        EcuConfig c;
        c.engine.mode = DriveMode::DriveCycle;
        return c;
    }
    DriveCycle151() : f(Config()) { f.OpenSession(); }

    std::vector<int32_t> Read(int index) {
        const RecordLayout* layout = RecordLayoutOf(index);
        const Bytes answer = f.Exchange(WithChecksum({0x41, uint8_t(index)}), layout->dataBytes + 2);
        EXPECT_EQ(answer.size(), size_t(layout->dataBytes) + 2);
        if (answer.size() != size_t(layout->dataBytes) + 2)
            return std::vector<int32_t>(layout->valueCount, -1);
        EXPECT_EQ(answer.front(), kStatusAccepted);
        std::vector<int32_t> values;
        size_t at = 1;
        for (int i = 0; i < layout->valueCount; ++i) {
            values.push_back(DecodeElement(layout->types[i], &answer[at]));
            at += ElementBytes(layout->types[i]);
        }
        return values;
    }

    // Record 151 at `seconds` since power-on: period, lambda, accumulation, pressure. The clock
    // only moves forward: a test samples in time order.
    std::vector<int32_t> At(double seconds) {
        EXPECT_LE(f.clock.NowUs(), int64_t(seconds * kSecond)) << "sampled out of time order";
        f.clock.AdvanceTo(int64_t(seconds * kSecond));
        return Read(kRecordParameters);
    }
    // Seconds since power-on of `into` seconds into zone z of the second tour.
    static double InZone(int z, double into) { return kSecondTour + z * EngineModel::kZoneSeconds + into; }

    void WriteAll(int variable, int value, int count) {
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(f.Answer(WithChecksum({0x0A, uint8_t(variable), uint8_t(i), uint8_t(value)})),
                      (Bytes{0x82, 0x82}));
    }

    LineFixture f;
};

int Rpm(int32_t period) { return period ? 7500000 / period : 0; }

TEST_F(DriveCycle151, AgreesWithTheLiveRecordAtEveryStepOfTheTour) {
    for (double t = kSecondTour - 2.0; t < kSecondTour + 8 * EngineModel::kZoneSeconds; t += 0.7) {
        SCOPED_TRACE(t);
        const auto short151 = At(t);
        const auto live = Read(kRecordLive);  // the same instant: the line takes no time
        EXPECT_EQ(short151[0], live[9]) << "period";
        EXPECT_EQ(short151[1], live[0]) << "lambda";
        EXPECT_EQ(short151[2], live[6]) << "accumulation";
        EXPECT_EQ(short151[3], live[12]) << "reducer pressure";
    }
}

TEST_F(DriveCycle151, SpeedFollowsTheZonesOfTheTour) {
    const int axis[20] = {450,  550,  650,  800,  950,  1150, 1350, 1600, 1850, 2150,
                          2450, 2750, 3100, 3500, 3900, 4350, 4850, 5350, 5900, 6500};
    for (int z = 0; z < 8; ++z) {
        SCOPED_TRACE(z);
        const int column = EngineModel::kZoneCentres[z][1];
        EXPECT_NEAR(Rpm(At(InZone(z, 3.0))[0]), axis[column], 15);
    }
    EXPECT_NEAR(Rpm(At(kCycle * 3 + 4.0)[0]), 850, 60) << "idle between two tours, still warming up a little";
}

TEST_F(DriveCycle151, AThrottleOpeningLeavesAnAccumulationThatDecays) {
    // Zones entered with the throttle opening (from idle row 0 to row 5, row 2 to 7, row 3 to
    // 13) accumulate 1.5 per throttle byte; zones entered by closing it add nothing.
    const struct {
        int zone;
        int jump;  // accumulation at the step
    } cases[] = {{0, 97}, {1, 0}, {2, 0}, {3, 97}, {4, 0}, {5, 195}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        const int atEntry = At(InZone(c.zone, 0.01))[2];
        if (c.jump == 0) {
            EXPECT_EQ(atEntry, 0);
            continue;
        }
        EXPECT_NEAR(atEntry, c.jump, 2);
        // One unit every DEC x 5 ms = 35 ms with the ECU's default DEC of 7.
        const int oneSecondLater = At(InZone(c.zone, 1.01))[2];
        EXPECT_NEAR(atEntry - oneSecondLater, 200.0 / 7, 2);
        if (c.jump < 150) {
            EXPECT_EQ(At(InZone(c.zone, 5.9))[2], 0) << "97 units are gone after 3.4 s";
        }
    }
}

TEST_F(DriveCycle151, TheAccumulationDecaysAtTheRateTheEcuHolds) {
    WriteAll(107, 14, 8);  // twice the default decrement steps: half the rate
    const int atEntry = At(InZone(0, 0.01))[2];
    const int oneSecondLater = At(InZone(0, 1.01))[2];
    EXPECT_NEAR(atEntry - oneSecondLater, 200.0 / 14, 2);
}

TEST_F(DriveCycle151, TheAccumulationCrossesTheRowsOfTheEnrichmentMap) {
    // Rows of the default accumulation centres 8, 24, ... 120: boundaries halfway between.
    // Columns likewise from the default speed centres 800, 1200, ... 3600.
    const auto cellOf = [](const int(&bounds)[8], int value) {
        int cell = 0;
        while (cell < 7 && value > bounds[cell + 1]) ++cell;
        return cell;
    };
    const int rowBounds[8] = {0, 16, 32, 48, 64, 80, 96, 112};
    const int columnBounds[8] = {0, 1000, 1400, 1800, 2200, 2600, 3000, 3400};
    std::set<int> rows;
    std::set<int> columns;
    for (double t = kSecondTour; t < kSecondTour + 8 * EngineModel::kZoneSeconds; t += 0.08) {
        const auto v = At(t);
        rows.insert(cellOf(rowBounds, v[2]));
        columns.insert(cellOf(columnBounds, Rpm(v[0])));
    }
    EXPECT_EQ(rows.size(), 8u) << "every row of the map is crossed";
    EXPECT_EQ(columns, (std::set<int>{0, 2, 4, 5, 7})) << "the speeds of the five columns the tour visits";
}

TEST_F(DriveCycle151, LambdaReadsRichWhileTheOpeningIsEnriched) {
    // In a zone without accumulation the probe switches.
    std::set<int> lambda;
    for (double into = 1.0; into < 5.0; into += 0.05) lambda.insert(At(InZone(1, into))[1]);
    EXPECT_LE(*lambda.begin(), 6);
    EXPECT_GE(*lambda.rbegin(), 40);
    for (double into : {0.05, 0.3, 0.6}) {
        SCOPED_TRACE(into);
        const auto v = At(InZone(5, into));
        ASSERT_GE(v[2], EngineModel::kRichCumulus);
        EXPECT_EQ(v[1], 41) << "0.8 V";
    }
}

TEST_F(DriveCycle151, ReducerPressureSagsWithTheGasFlow) {
    const auto pressureAround = [&](double from) {
        int sum = 0;
        for (int i = 0; i < 10; ++i) sum += At(from + i * 0.37)[3];
        return sum / 10.0;
    };
    const double lightLoad = pressureAround(InZone(1, 1.0));  // row 2, 1600 rpm
    // A throttle opening draws a burst of gas: the pressure dips while the accumulation is high.
    const int burst = At(InZone(5, 0.05))[3];
    EXPECT_LT(burst, At(InZone(5, 5.5))[3]);
    const double fullLoad = pressureAround(InZone(7, 1.0));  // row 13, 4850 rpm
    const double idle = pressureAround(kCycle * 2 + 2.0);
    EXPECT_NEAR(idle, 96, 1.5);
    EXPECT_LT(fullLoad, lightLoad - 2);
    EXPECT_LT(fullLoad, idle - 3);
}

TEST(HeldSensors, ReplaceTheModelsValuesAndFollowChangesWhileRunning) {
    auto held = std::make_shared<HeldSensors>();
    EcuConfig config;
    config.engine.held = held;
    LineFixture f(config);
    f.OpenSession();
    const auto read = [&] {
        const Bytes answer = f.Exchange(WithChecksum({0x41, 151}), 7);
        EXPECT_EQ(answer.size(), 7u);
        return answer.size() == 7u ? Bytes(answer.begin() + 1, answer.end() - 1) : Bytes(5, 0);
    };
    f.clock.AdvanceTo(600 * kSecond);
    const Bytes model = read();
    EXPECT_NEAR(Rpm(model[0] | model[1] << 8), 850, 20) << "nothing held: the idling engine";

    held->period = 0;
    held->cumulus = 255;
    EXPECT_EQ(read(), (Bytes{0, 0, model[2], 255, model[4]})) << "only what is held changes";
    held->lambda = 41;
    held->reducerPressure = 102;
    held->period = 1704;
    EXPECT_EQ(read(), (Bytes{1704 & 0xFF, 1704 >> 8, 41, 255, 102}));
    EXPECT_EQ(f.ecu.Engine().rpm, 7500000 / 1704);
}

}  // namespace
}  // namespace zov::sim
