#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZovsimOptions.h"

namespace zov::sim {
namespace {

using Args = std::vector<std::string>;

ZovsimOptions Parse(const Args& args) {
    ZovsimOptions options;
    std::string error;
    EXPECT_TRUE(ParseZovsimOptions(args, options, error)) << error;
    return options;
}

TEST(ZovsimOptions, DefaultsPaceLikeTheRealLine) {
    const ZovsimOptions o = Parse({});
    EXPECT_EQ(o.ecu.baud, 9600u);
    EXPECT_EQ(o.ecu.version, 200);
    EXPECT_EQ(o.ecu.fuel, 0);
    EXPECT_TRUE(o.linkPath.empty());
    EXPECT_FALSE(o.ecu.faults.silent);
}

TEST(ZovsimOptions, EveryOptionReachesTheConfiguration) {
    const ZovsimOptions o = Parse({"--link",
                                   "/tmp/ecu",
                                   "--baud=19200",
                                   "--latency-us",
                                   "2500",
                                   "--ecu-version",
                                   "208",
                                   "--fuel",
                                   "Metano",
                                   "--model",
                                   "LANCIA Y 1.2",
                                   "--program-name=Y12.ZOV",
                                   "--displacement",
                                   "1242",
                                   "--year",
                                   "1999",
                                   "--program-date",
                                   "100",
                                   "--no-version-gates",
                                   "--eight-zone",
                                   "--no-map-b",
                                   "--out-of-session",
                                   "ignore",
                                   "--drive-cycle",
                                   "--start-temp",
                                   "35.5",
                                   "--silent",
                                   "--dead-line",
                                   "--busy",
                                   "always",
                                   "--rejected",
                                   "3",
                                   "--bad-checksum",
                                   "2",
                                   "--corrupt-echo",
                                   "1",
                                   "--refuse",
                                   "72,150,23",
                                   "--lose-device",
                                   "4",
                                   "--verbose"});
    EXPECT_EQ(o.linkPath, "/tmp/ecu");
    EXPECT_EQ(o.ecu.baud, 19200u);
    EXPECT_EQ(o.ecu.faults.latencyUs, 2500);
    EXPECT_EQ(o.ecu.version, 208);
    EXPECT_EQ(o.ecu.fuel, 1);
    EXPECT_EQ(o.ecu.model, "LANCIA Y 1.2");
    EXPECT_EQ(o.ecu.programName, "Y12.ZOV");
    EXPECT_EQ(o.ecu.displacement, 1242);
    EXPECT_EQ(o.ecu.year, 1999);
    EXPECT_EQ(o.ecu.programDate, 100);
    EXPECT_FALSE(o.ecu.versionGates);
    EXPECT_TRUE(o.ecu.eightZoneAdaptation);
    EXPECT_FALSE(o.ecu.mapB);
    EXPECT_EQ(o.ecu.outOfSession, OutOfSession::Ignore);
    EXPECT_EQ(o.ecu.engine.mode, DriveMode::DriveCycle);
    EXPECT_DOUBLE_EQ(o.ecu.engine.startTemperatureC, 35.5);
    EXPECT_TRUE(o.ecu.faults.silent);
    EXPECT_TRUE(o.ecu.faults.deadLine);
    EXPECT_EQ(o.ecu.faults.busy, kAlways);
    EXPECT_EQ(o.ecu.faults.rejected, 3);
    EXPECT_EQ(o.ecu.faults.badChecksum, 2);
    EXPECT_EQ(o.ecu.faults.corruptEcho, 1);
    EXPECT_EQ(o.ecu.faults.refused, (std::set<int>{23, 72, 150}));
    EXPECT_EQ(o.loseDeviceAfter, 4);
    EXPECT_EQ(Parse({}).loseDeviceAfter, -1) << "never, unless asked";
    EXPECT_TRUE(o.verbose);
    EXPECT_EQ(Parse({"--baud", "4800", "--no-pacing"}).ecu.baud, 0u);
}

TEST(ZovsimOptions, BadInputIsNamedInTheError) {
    const struct {
        Args args;
        const char* mention;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"extra"}, "unknown option 'extra'"},
        {{"--baud"}, "--baud needs"},
        {{"--baud", "fast"}, "--baud: 'fast' is not"},
        {{"--baud", "0"}, "--baud"},
        {{"--baud", "9600x"}, "--baud"},
        {{"--latency-us", "-5"}, "--latency-us"},
        {{"--ecu-version", "70000"}, "--ecu-version"},
        {{"--fuel", "diesel"}, "--fuel"},
        {{"--model", std::string(41, 'M')}, "--model"},
        {{"--refuse", "1,,2"}, "--refuse"},
        {{"--refuse", "256"}, "--refuse"},
        {{"--refuse", ""}, "--refuse"},
        {{"--busy", "-1"}, "--busy"},
        {{"--busy", "often"}, "--busy"},
        {{"--silent=yes"}, "--silent takes no value"},
        {{"--start-temp", "nan"}, "--start-temp"},
        {{"--start-temp", "1e999"}, "--start-temp"},
        {{"--link", ""}, "--link"},
        {{"--out-of-session", "maybe"}, "--out-of-session"},
        {{"--lose-device", "always"}, "--lose-device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mention);
        ZovsimOptions options;
        std::string error;
        EXPECT_FALSE(ParseZovsimOptions(c.args, options, error));
        EXPECT_NE(error.find(c.mention), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace zov::sim
