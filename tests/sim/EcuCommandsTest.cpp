// The ECU's command set as seen from the PC end of the line: exact bytes in, exact bytes out.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EcuVariables.h"
#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::kCloseSession;
using testing::kOpenSession;
using testing::LineFixture;
using testing::ReadOne;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

Bytes Accepted(const Bytes& data) {
    Bytes answer{kStatusAccepted};
    answer.insert(answer.end(), data.begin(), data.end());
    return WithChecksum(answer);
}

const Bytes kRefused{0x7F, 0x7F};
const Bytes kWriteAccepted{0x82, 0x82};

// Every variable's bytes, to show that a refused or single write touched nothing else.
std::vector<Bytes> Snapshot(const EcuSimulator& ecu) {
    std::vector<Bytes> all;
    for (int i = 0; i < kVarCount; ++i) all.push_back(ecu.Bytes(i));
    return all;
}

// A read of the whole variable with the opcode its kind asks for (tables: row 0).
Bytes ReadRequest(int index) {
    const VarKind kind = VarInfoOf(index).kind;
    if (IsArray(kind)) return WithChecksum({0x21, uint8_t(index)});
    if (IsTable(kind)) return WithChecksum({0x65, uint8_t(index), 0});
    return WithChecksum({0x01, uint8_t(index)});
}

TEST(EcuSession, OpenAndCloseFramesAreEchoedAndAccepted) {
    LineFixture f;
    EXPECT_EQ(f.Transact(kOpenSession), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x82, 0x82}));
    EXPECT_TRUE(f.ecu.SessionOpen());
    EXPECT_EQ(f.Transact(kCloseSession), (Bytes{0x00, 0x01, 0x01, 0x82, 0x82}));
    EXPECT_FALSE(f.ecu.SessionOpen());
}

TEST(EcuSession, RequestsOutsideASessionFollowThePolicy) {
    const Bytes readVar0 = WithChecksum({0x01, 0x00});
    const struct {
        OutOfSession policy;
        Bytes answer;
    } cases[] = {
        {OutOfSession::Reject, {0x83, 0x83}},
        {OutOfSession::Refuse, {0x7F, 0x7F}},
        {OutOfSession::Ignore, {}},
        {OutOfSession::Serve, {0x82, 0xC8, 0x00, 0x4A}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.policy));
        EcuConfig config;
        config.outOfSession = c.policy;
        LineFixture f(config);
        EXPECT_EQ(f.Answer(readVar0), c.answer);
        // A session closed again is as good as none.
        f.OpenSession();
        EXPECT_EQ(f.Answer(readVar0), (Bytes{0x82, 0xC8, 0x00, 0x4A}));
        f.Transact(kCloseSession);
        EXPECT_EQ(f.Answer(readVar0), c.answer);
    }
}

TEST(EcuSession, AnOpenFrameWithOtherBytesIsRefused) {
    LineFixture f;
    EXPECT_EQ(f.Answer(WithChecksum({0x08, 0x00, 0x7C, 0x84})), kRefused);
    EXPECT_FALSE(f.ecu.SessionOpen());
}

TEST(EcuReadVar, ScalarsTravelLowByteFirst) {
    LineFixture f;
    f.OpenSession();
    const struct {
        int index;
        Bytes data;
    } cases[] = {
        {0, {0xC8, 0x00}},   // 200 s
        {19, {0xCE}},        // -50
        {20, {0xA7, 0x0E}},  // period of 2000 rpm, bit 0 set: 3751
        {40, {0x40, 0x06}},  // 1600 cm3
        {41, {0xD5, 0x07}},  // 2005
        {42, {0x1C, 0x25}},  // 9500 days
        {46, {0xC8, 0x00}},  // version 200
        {47, {0x00}},        // GPL
        {76, {0x02}},        // 0-1 V probe
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(f.Answer(WithChecksum({0x01, uint8_t(c.index)})), Accepted(c.data));
    }
}

TEST(EcuReadVar, ConfigurationShapesTheIdentification) {
    EcuConfig config;
    config.version = 208;
    config.fuel = 1;
    config.model = "ALFA 147 1.6 TS";
    config.programName = std::string(45, 'X');  // longer than the ECU holds
    config.displacement = 1598;
    LineFixture f(config);
    f.OpenSession();
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 46})), Accepted({208, 0}));
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 47})), Accepted({1}));
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 40})), Accepted({0x3E, 0x06}));

    Bytes model(40, 0);
    std::string text = "ALFA 147 1.6 TS";
    std::copy(text.begin(), text.end(), model.begin());
    EXPECT_EQ(f.Answer(WithChecksum({0x21, 117})), Accepted(model));
    EXPECT_EQ(f.Answer(WithChecksum({0x21, 118})), Accepted(Bytes(40, 'X')));
    // One character at a time, as the PC reads the texts.
    EXPECT_EQ(f.Answer(WithChecksum({0x05, 117, 5})), Accepted({'1'}));
    EXPECT_EQ(f.Answer(WithChecksum({0x05, 117, 15})), Accepted({0}));
}

TEST(EcuReadVar, WordArraysComeWholeLowByteFirst) {
    LineFixture f;
    f.OpenSession();
    // Enrichment speed centres as periods, reversed: 3600 rpm ... 800 rpm.
    const Bytes centres = f.Answer(WithChecksum({0x21, 110}));
    ASSERT_EQ(centres.size(), 2u + 16u);
    const int expected[8] = {2083, 2343, 2678, 3125, 3750, 4687, 6250, 9375};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(centres[1 + 2 * i] | (centres[2 + 2 * i] << 8), expected[i]) << i;
    // The main map's speed axis: 6500 rpm first, 450 rpm last.
    const Bytes axis = f.Answer(WithChecksum({0x21, 111}));
    ASSERT_EQ(axis.size(), 2u + 40u);
    EXPECT_EQ(axis[1] | (axis[2] << 8), 7500000 / 6500);
    EXPECT_EQ(axis[39] | (axis[40] << 8), 7500000 / 450);
}

TEST(EcuReadVar, MainMapIsSixHundredFortyBytesRowByRow) {
    LineFixture f;
    f.OpenSession();
    const Bytes answer = f.Answer(WithChecksum({0x61, 50}));
    ASSERT_EQ(answer.size(), 642u);
    EXPECT_EQ(answer.front(), kStatusAccepted);
    EXPECT_EQ(WithChecksum(Bytes(answer.begin(), answer.end() - 1)).back(), answer.back());
    auto cell = [&](int row, int col) {
        return answer[1 + 2 * (row * 20 + col)] | (answer[2 + 2 * (row * 20 + col)] << 8);
    };
    EXPECT_EQ(cell(0, 0), 120);
    for (int col = 0; col < 20; ++col) {
        for (int row = 0; row < 16; ++row) {
            EXPECT_LE(cell(row, col), 720);
            if (row > 0) {
                EXPECT_GT(cell(row, col), cell(row - 1, col)) << "more load needs more gas";
            }
        }
    }
    // Map B comes whole too; table 51 only by row or cell.
    EXPECT_EQ(f.Answer(WithChecksum({0x61, 131})).size(), 2u + 288u);
    EXPECT_EQ(f.Answer(WithChecksum({0x61, 51})), kRefused);
}

TEST(EcuReadElement, ElementsAndRows) {
    LineFixture f;
    f.OpenSession();
    const struct {
        const char* what;
        Bytes request;
        Bytes answer;
    } cases[] = {
        {"byte element", {0x05, 109, 2}, Accepted({56})},
        {"word element", {0x05, 110, 7}, Accepted({0x9F, 0x24})},
        {"past the end reads as zero", {0x05, 110, 8}, Accepted({0, 0})},
        {"signed row of 51", {0x65, 51, 3}, Accepted({6, 5, 4, 3, 2, 1, 0, 0xFF})},
        {"row 8 of 51 does not exist", {0x65, 51, 8}, kRefused},
        {"row 12 of 131 does not exist", {0x65, 131, 12}, kRefused},
        {"element of a scalar", {0x05, 0, 0}, kRefused},
        {"row of an array", {0x65, 110, 0}, kRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(f.Answer(WithChecksum(c.request)), c.answer);
    }
    const Bytes row = f.Answer(WithChecksum({0x65, 50, 15}));
    ASSERT_EQ(row.size(), 2u + 40u);
    const Bytes& map = f.ecu.Bytes(50);
    EXPECT_TRUE(std::equal(row.begin() + 1, row.end() - 1, map.begin() + 15 * 40));
}

TEST(EcuRefusals, UnavailableIndicesWrongKindsAndReadOnlyArrays) {
    const struct {
        const char* what;
        Bytes request;
    } cases[] = {
        {"23 is not available", {0x01, 23}},
        {"43 is not available", {0x01, 43}},
        {"136 is past the table", {0x01, 136}},
        {"255", {0x21, 255}},
        {"array read of a scalar", {0x21, 0}},
        {"scalar read of an array", {0x01, 100}},
        {"table read of an array", {0x61, 110}},
        {"record 152 needs its arguments", {0x41, 152}},
        {"record 150 takes none", {0x49, 150, 0, 0}},
        {"not a record", {0x41, 10}},
        {"read-only 112", {0x3E, 5, 112, 1, 2, 3, 4}},
        {"read-only 113", {0x3E, 5, 113, 1, 2, 3, 4}},
        {"read-only 116", {0x3E, 5, 116, 1, 2, 3, 4}},
        {"read-only 117 by element", {0x0A, 117, 0, 'A'}},
        {"read-only 118 by element", {0x0A, 118, 3, 'A'}},
        {"8-bit write to a word", {0x06, 0, 5}},
        {"the ECU's own version", {0x0A, 46, 1, 0}},
        {"array written with too few values", {0x3E, 4, 109, 1, 2, 3}},
        {"row one byte short",
         [] {
             Bytes b{0x7E, 41, 50, 0};
             b.resize(2 + 41, 1);
             return b;
         }()},
        {"row past the end", {0x7E, 10, 51, 8, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"element past the end", {0x0A, 109, 4, 1}},
        {"word element write to a byte array", {0x0E, 109, 0, 1, 0}},
        {"cell of a table of words with the byte opcode", {0x0E, 50, 0, 0, 1}},
        {"cell past the end", {0x12, 131, 12, 0, 1, 0}},
        {"write to a record", {0x06, 150, 1}},
        {"unknown session frame", {0x04, 1, 2}},
        {"unknown read", {0x09, 1, 2, 3}},
    };
    LineFixture f;
    f.OpenSession();
    const auto before = Snapshot(f.ecu);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(f.Answer(WithChecksum(c.request)), kRefused);
    }
    EXPECT_EQ(Snapshot(f.ecu), before);
}

TEST(EcuRefusals, VersionGatesAndOptionalParts) {
    const struct {
        const char* what;
        std::function<void(EcuConfig&)> configure;
        int index;
        bool available;
    } cases[] = {
        {"127 needs more than 207", [](EcuConfig&) {}, 127, false},
        {"127 at 208", [](EcuConfig& c) { c.version = 208; }, 127, true},
        {"99 needs 200", [](EcuConfig& c) { c.version = 199; }, 99, false},
        {"lambda type needs 200", [](EcuConfig& c) { c.version = 199; }, 76, false},
        {"map B needs 200", [](EcuConfig& c) { c.version = 199; }, 131, false},
        {"over-rev needs more than 3", [](EcuConfig& c) { c.version = 3; }, 6, false},
        {"diagnosis word at 3", [](EcuConfig& c) { c.version = 3; }, 89, true},
        {"diagnosis word needs more than 2", [](EcuConfig& c) { c.version = 2; }, 89, false},
        {"gates off",
         [](EcuConfig& c) {
             c.version = 3;
             c.versionGates = false;
         },
         127, true},
        {"four zones have 112", [](EcuConfig&) {}, 112, true},
        {"four zones lack 128", [](EcuConfig&) {}, 128, false},
        {"eight zones lack 112", [](EcuConfig& c) { c.eightZoneAdaptation = true; }, 112, false},
        {"eight zones have 130", [](EcuConfig& c) { c.eightZoneAdaptation = true; }, 130, true},
        {"without map B", [](EcuConfig& c) { c.mapB = false; }, 131, false},
        {"refused on purpose", [](EcuConfig& c) { c.faults.refused = {72}; }, 72, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EcuConfig config;
        c.configure(config);
        LineFixture f(config);
        f.OpenSession();
        const Bytes answer = f.Answer(ReadRequest(c.index));
        ASSERT_FALSE(answer.empty());
        EXPECT_EQ(answer.front(), c.available ? kStatusAccepted : kStatusRefused);
        EXPECT_EQ(f.ecu.Available(c.index), c.available);
    }
}

TEST(EcuWrites, EachSingleValueWriteLandsWhereItShould) {
    const struct {
        const char* what;
        Bytes request;
        int index;
        int element;
        int32_t value;
    } cases[] = {
        {"signed byte", {0x06, 64, 0xFD}, 64, 0, -3},
        {"unsigned byte", {0x06, 1, 0xFF}, 1, 0, 255},
        {"word", {0x0A, 0, 0x34, 0x12}, 0, 0, 0x1234},
        {"byte element", {0x0A, 108, 5, 99}, 108, 5, 99},
        {"signed byte element", {0x0A, 114, 1, 0xF9}, 114, 1, -7},
        {"word element", {0x0E, 110, 2, 0xB8, 0x0B}, 110, 2, 3000},
        {"cell of table 51", {0x0E, 51, 3, 4, 0xF9}, 51, 3 * 8 + 4, -7},
        {"cell of the main map", {0x12, 50, 15, 19, 0xD0, 0x02}, 50, 319, 720},
        {"cell of map B", {0x12, 131, 11, 0, 0x34, 0x12}, 131, 132, 0x1234},
        {"pair of diagnosis words", {0x0E, 122, 1, 0xFF, 0x03}, 122, 1, 1023},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LineFixture f;
        f.OpenSession();
        auto expected = Snapshot(f.ecu);
        EXPECT_EQ(f.Answer(WithChecksum(c.request)), kWriteAccepted);
        EXPECT_EQ(f.ecu.Value(c.index, c.element), c.value);
        // Nothing else moved.
        expected[c.index] = f.ecu.Bytes(c.index);
        EXPECT_EQ(Snapshot(f.ecu), expected);
        LineFixture fresh;
        auto values = fresh.ecu.Values(c.index);
        values[c.element] = c.value;
        EXPECT_EQ(f.ecu.Values(c.index), values);
    }
}

TEST(EcuWrites, TheRegisterKeepsTheBitsTheEcuOwns) {
    EcuConfig config;
    config.ownRegisterBits = 0x18;
    LineFixture f(config);
    f.OpenSession();
    EXPECT_EQ(f.ecu.Value(39), 0x1B) << "the ECU reports its own bits from the start";
    EXPECT_EQ(f.Answer(WithChecksum({0x06, 39, 0x67})), kWriteAccepted);
    EXPECT_EQ(f.ecu.Value(39), 0x7F);
    EXPECT_EQ(f.Answer(WithChecksum({0x06, 39, 0x80})), kWriteAccepted);
    EXPECT_EQ(f.ecu.Value(39), 0x18) << "the PC cannot set or clear bits 3, 4 and 7";
}

TEST(EcuWrites, WholeArraysAndRowsReadBackAsWritten) {
    LineFixture f;
    f.OpenSession();
    EXPECT_EQ(f.Answer(WithChecksum({0x3E, 5, 109, 10, 20, 30, 40})), kWriteAccepted);
    EXPECT_EQ(f.ecu.Values(109), (std::vector<int32_t>{10, 20, 30, 40}));
    EXPECT_EQ(f.Answer(WithChecksum({0x21, 109})), Accepted({10, 20, 30, 40}));

    Bytes words{0x3E, 17, 110};
    for (int i = 0; i < 8; ++i) words.insert(words.end(), {uint8_t(i), 0x10});
    EXPECT_EQ(f.Answer(WithChecksum(words)), kWriteAccepted);
    EXPECT_EQ(f.ecu.Value(110, 7), 0x1007);

    const struct {
        int index;
        int row;
        int length;
        int dataBytes;
    } rows[] = {{50, 7, 42, 40}, {51, 7, 10, 8}, {131, 0, 26, 24}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        Bytes request{0x7E, uint8_t(r.length), uint8_t(r.index), uint8_t(r.row)};
        Bytes data;
        for (int i = 0; i < r.dataBytes; ++i) data.push_back(uint8_t(0x80 + i));
        request.insert(request.end(), data.begin(), data.end());
        EXPECT_EQ(f.Answer(WithChecksum(request)), kWriteAccepted);
        EXPECT_EQ(f.Answer(WithChecksum({0x65, uint8_t(r.index), uint8_t(r.row)})), Accepted(data));
    }
    // The row before the written one is untouched.
    EXPECT_EQ(f.ecu.Value(50, 6 * 20 + 19), LineFixture().ecu.Value(50, 6 * 20 + 19));
}

TEST(EcuFraming, ABadChecksumIsRejectedAndNotExecuted) {
    LineFixture f;
    f.OpenSession();
    const Bytes corrupt{0x06, 0x01, 0x05, 0x0D};  // the sum is 0x0C
    EXPECT_EQ(f.Answer(corrupt), (Bytes{0x83, 0x83}));
    EXPECT_EQ(f.ecu.Value(1), 0);
    ASSERT_FALSE(f.ecu.Requests().empty());
    EXPECT_EQ(f.ecu.Requests().back().request, corrupt);
    EXPECT_EQ(f.ecu.Requests().back().answer, (Bytes{0x83, 0x83}));
}

TEST(EcuFraming, ARequestLogHoldsTheExactBytes) {
    LineFixture f;
    f.OpenSession();
    f.Transact(WithChecksum({0x01, 0x00}));
    f.Transact(WithChecksum({0x3E, 5, 109, 1, 2, 3, 4}));
    const auto& log = f.ecu.Requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].request, kOpenSession);
    EXPECT_EQ(log[1].request, (Bytes{0x01, 0x00, 0x01}));
    EXPECT_EQ(log[1].answer, (Bytes{0x82, 0xC8, 0x00, 0x4A}));
    EXPECT_EQ(log[2].request, (Bytes{0x3E, 5, 109, 1, 2, 3, 4, 0xBA}));
    EXPECT_TRUE(log[2].complete);
}

TEST(EcuFraming, TheEcuFallsBackInStepAfterGarbage) {
    LineFixture f;
    f.OpenSession();
    f.ecu.ClearRequests();
    const Bytes readVar0 = WithChecksum({0x01, 0x00});
    // A byte that cannot start a frame is passed over.
    Bytes garbage{0xFF};
    garbage.insert(garbage.end(), readVar0.begin(), readVar0.end());
    EXPECT_EQ(f.Answer(garbage), (Bytes{0x82, 0xC8, 0x00, 0x4A}));
    EXPECT_EQ(f.ecu.Requests().size(), 1u);

    // A frame left unfinished is dropped once the line has been quiet for more than 20 ms...
    const Bytes partial{0x06, 0x01};
    f.device->Write(partial.data(), partial.size());
    EXPECT_EQ(ReadOne(*f.device), 0x06);
    EXPECT_EQ(ReadOne(*f.device), 0x01);
    f.clock.Advance(kIdleResetUs + 1);
    EXPECT_EQ(f.Answer(readVar0), (Bytes{0x82, 0xC8, 0x00, 0x4A}));
    ASSERT_EQ(f.ecu.Requests().size(), 3u);
    EXPECT_FALSE(f.ecu.Requests()[1].complete);
    EXPECT_EQ(f.ecu.Requests()[1].request, (Bytes{0x06, 0x01}));

    // ...but not after exactly 20 ms: the ECU is still inside the frame.
    f.device->Write(readVar0.data(), 1);
    EXPECT_EQ(ReadOne(*f.device), 0x01);
    f.clock.Advance(kIdleResetUs);
    EXPECT_EQ(f.Transact({readVar0.begin() + 1, readVar0.end()}),
              (Bytes{0x00, 0x01, 0x82, 0xC8, 0x00, 0x4A}));
}

TEST(EcuFraming, LengthByteFramesMayCarryAnyLength) {
    LineFixture f;
    f.OpenSession();
    // Length 0: no index at all; the ECU waits for the checksum and refuses.
    EXPECT_EQ(f.Answer(WithChecksum({0x3E, 0})), kRefused);
    // The longest frame the length byte allows is taken whole and refused, and the line is in step after it.
    Bytes longest{0x3E, 255};
    longest.resize(2 + 255, 7);
    EXPECT_EQ(f.Answer(WithChecksum(longest)), kRefused);
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 0x00})), (Bytes{0x82, 0xC8, 0x00, 0x4A}));
}

}  // namespace
}  // namespace zov::sim
