#include <gtest/gtest.h>

#include <functional>

#include "SimLink.h"

namespace zov::testing {
namespace {

using Bytes = std::vector<uint8_t>;

class Commands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(s.Open());
        s.ecu.ClearRequests();
    }
    SimLink s;
};

TEST_F(Commands, EachCommandSendsItsExactRequest) {
    std::vector<int32_t> words(20), bytes8(8), values(320);
    for (int i = 0; i < 20; ++i) words[size_t(i)] = 0x0100 + i;
    for (int i = 0; i < 8; ++i) bytes8[size_t(i)] = i - 4;

    struct Case {
        const char* name;
        std::function<void(ComInj&)> run;
        Bytes request;  // without the checksum
    } cases[] = {
        {"ReadVar scalar", [&](ComInj& l) { l.ReadVar(0, nullptr); }, {0x01, 0x00}},
        {"ReadVar array", [&](ComInj& l) { l.ReadVar(110, values.data()); }, {0x21, 110}},
        {"ReadVar table", [&](ComInj& l) { l.ReadVar(50, values.data()); }, {0x61, 50}},
        {"ReadVarElement array", [&](ComInj& l) { l.ReadVarElement(110, 3, values.data()); }, {0x05, 110, 3}},
        {"ReadVarElement row", [&](ComInj& l) { l.ReadVarElement(50, 2, values.data()); }, {0x65, 50, 2}},
        {"ReadRecord 150", [&](ComInj& l) { l.ReadRecord(150, values.data(), 14); }, {0x41, 150}},
        {"ReadRecord 151", [&](ComInj& l) { l.ReadRecord(151, values.data(), 4); }, {0x41, 151}},
        {"ReadRecord 152", [&](ComInj& l) { l.ReadRecord(152, values.data(), 8, 3, 4); }, {0x49, 152, 3, 4}},
        {"WriteVar signed byte", [&](ComInj& l) { (void)l.WriteVar(64, -3); }, {0x06, 64, 0xFD}},
        {"WriteVar word", [&](ComInj& l) { (void)l.WriteVar(0, 0x1234); }, {0x0A, 0x00, 0x34, 0x12}},
        {"WriteArray bytes",
         [&](ComInj& l) { (void)l.WriteArray(106, bytes8.data()); },
         {0x3E, 9, 106, 0xFC, 0xFD, 0xFE, 0xFF, 0x00, 0x01, 0x02, 0x03}},
        {"WriteArray words",
         [&](ComInj& l) { (void)l.WriteArray(121, words.data()); },
         {0x3E, 5, 121, 0x00, 0x01, 0x01, 0x01}},
        {"WriteTableRow 51",
         [&](ComInj& l) { (void)l.WriteTableRow(51, 2, bytes8.data()); },
         {0x7E, 10, 51, 2, 0xFC, 0xFD, 0xFE, 0xFF, 0x00, 0x01, 0x02, 0x03}},
        {"WriteVarElement byte", [&](ComInj& l) { (void)l.WriteVarElement(104, 5, 7); }, {0x0A, 104, 5, 7}},
        {"WriteVarElement word",
         [&](ComInj& l) { (void)l.WriteVarElement(110, 1, 0x0102); },
         {0x0E, 110, 1, 0x02, 0x01}},
        {"WriteTableCell word",
         [&](ComInj& l) { (void)l.WriteTableCell(50, 1, 2, 0x0304); },
         {0x12, 50, 1, 2, 0x04, 0x03}},
        {"WriteTableCell byte",
         [&](ComInj& l) { (void)l.WriteTableCell(51, 1, 2, -1); },
         {0x0E, 51, 1, 2, 0xFF}},
    };
    for (const Case& c : cases) {
        s.ecu.ClearRequests();
        c.run(s.link);
        EXPECT_EQ(s.Requests(), std::vector<Bytes>{WithChecksum(c.request)}) << c.name;
        EXPECT_EQ(s.link.ErrorFlags() & (ERR_NOT_AVAILABLE | ERR_REQUEST), 0) << c.name;
    }
}

TEST_F(Commands, TableRowsOfWordsCarryTheirLengths) {
    std::vector<int32_t> row(20, 0x0203);
    (void)s.link.WriteTableRow(50, 3, row.data());
    (void)s.link.WriteTableRow(131, 4, row.data());
    const auto requests = s.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Bytes(requests[0].begin(), requests[0].begin() + 4), (Bytes{0x7E, 42, 50, 3}));
    EXPECT_EQ(requests[0].size(), 4u + 40u + 1u);
    EXPECT_EQ(Bytes(requests[1].begin(), requests[1].begin() + 4), (Bytes{0x7E, 26, 131, 4}));
    EXPECT_EQ(requests[1].size(), 4u + 24u + 1u);
    EXPECT_EQ(s.ecu.Value(50, 3 * 20 + 19), 0x0203);
    EXPECT_EQ(s.ecu.Value(131, 4 * 12 + 11), 0x0203);
}

TEST_F(Commands, ValuesAreSignOrZeroExtendedByType) {
    s.ecu.SetValue(17, 0, -1);
    s.ecu.SetValue(1, 0, 0xFF);
    s.ecu.SetValue(0, 0, 0xFFFF);
    EXPECT_EQ(s.link.ReadVar(17, nullptr), -1);
    EXPECT_EQ(s.link.ReadVar(1, nullptr), 255);
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 65535);

    s.ecu.SetValues(114, {-2, 127, -128, 0});
    std::vector<int32_t> v(4);
    EXPECT_EQ(s.link.ReadVar(114, v.data()), 0);
    EXPECT_EQ(v, (std::vector<int32_t>{-2, 127, -128, 0}));
}

TEST_F(Commands, WholeTableFillsRowByRow) {
    std::vector<int32_t> map(320, -7);
    EXPECT_EQ(s.link.ReadVar(50, map.data()), 16);
    EXPECT_EQ(map, s.ecu.Values(50));
    ASSERT_EQ(s.ecu.Requests().size(), 1u);
    EXPECT_EQ(s.ecu.Requests()[0].answer.size(), 1u + 640u + 1u) << "status, 640 data bytes, checksum";

    std::vector<int32_t> mapB(144);
    EXPECT_EQ(s.link.ReadVar(131, mapB.data()), 12);
    EXPECT_EQ(mapB, s.ecu.Values(131));
}

TEST_F(Commands, ElementsAndRows) {
    std::vector<int32_t> v(20, -1);
    const int32_t element = s.link.ReadVarElement(110, 2, v.data());
    EXPECT_EQ(element, s.ecu.Value(110, 2));
    EXPECT_EQ(v[2], element);
    EXPECT_EQ(v[1], -1) << "only the element is stored";

    s.link.ReadVarElement(110, 8, v.data());
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_REQUEST) << "beyond the 8 elements: sent, then flagged";
    EXPECT_EQ(s.Requests().back(), WithChecksum({0x05, 110, 8}));

    std::vector<int32_t> row(8, 99);
    s.link.ReadVarElement(51, 3, row.data());
    for (int c = 0; c < 8; ++c) EXPECT_EQ(row[size_t(c)], s.ecu.Value(51, 3 * 8 + c));

    s.link.ReadVarElement(50, 0, nullptr);
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_REQUEST) << "the row is read and discarded";
}

TEST_F(Commands, WritesLandInTheEcu) {
    EXPECT_EQ(s.link.WriteVar(64, -3), WriteOutcome::Answered);
    EXPECT_EQ(s.ecu.Value(64), -3);
    std::vector<int32_t> ol(20);
    for (int i = 0; i < 20; ++i) ol[size_t(i)] = 100 + i;
    EXPECT_EQ(s.link.WriteArray(104, ol.data()), WriteOutcome::Answered);
    EXPECT_EQ(s.ecu.Values(104), ol);
    EXPECT_EQ(s.link.WriteVarElement(111, 19, 4321), WriteOutcome::Answered);
    EXPECT_EQ(s.ecu.Value(111, 19), 4321);
    EXPECT_EQ(s.link.WriteTableCell(50, 15, 19, 700), WriteOutcome::Answered);
    EXPECT_EQ(s.ecu.Value(50, 15 * 20 + 19), 700);
}

TEST_F(Commands, RecordsFillTheirValues) {
    std::vector<int32_t> live(14, -1);
    EXPECT_TRUE(s.link.ReadRecord(150, live.data(), 14));
    const Bytes data = s.ecu.Requests().back().answer;
    ASSERT_EQ(data.size(), 1u + 18u + 1u);
    EXPECT_EQ(live[0], data[1]);
    EXPECT_EQ(live[3], int8_t(data[4])) << "fourth value is a signed byte";
    EXPECT_EQ(live[5], data[6] | (data[7] << 8)) << "sixth value is a word";

    std::vector<int32_t> small(13);
    EXPECT_FALSE(s.link.ReadRecord(150, small.data(), 13)) << "capacity below the value count";
    EXPECT_FALSE(s.link.ReadRecord(153, small.data(), 13));
    EXPECT_EQ(s.link.ErrorFlags(), ERR_NOT_AVAILABLE);
}

TEST_F(Commands, RefusalsBeforeSendingAnything) {
    std::vector<int32_t> v(40);
    struct Case {
        const char* name;
        std::function<int32_t(ComInj&)> run;
        int32_t flag;
    } cases[] = {
        {"read-only array",
         [&](ComInj& l) { return int32_t(l.WriteArray(112, v.data()) != WriteOutcome::Refused); },
         ERR_NOT_AVAILABLE},
        {"array by WriteVar", [&](ComInj& l) { return int32_t(l.WriteVar(100, 1) != WriteOutcome::Refused); },
         ERR_NOT_AVAILABLE},
        {"unavailable index", [&](ComInj& l) { return l.ReadVar(23, nullptr); }, ERR_NOT_AVAILABLE},
        {"beyond the table", [&](ComInj& l) { return l.ReadVar(136, v.data()); }, ERR_NOT_AVAILABLE},
        {"table 51 whole", [&](ComInj& l) { return l.ReadVar(51, v.data()); }, ERR_NOT_AVAILABLE},
        {"scalar element", [&](ComInj& l) { return l.ReadVarElement(0, 0, v.data()); }, ERR_NOT_AVAILABLE},
        {"array without buffer", [&](ComInj& l) { return l.ReadVar(110, nullptr); }, ERR_REQUEST},
        {"byte array without buffer",
         [&](ComInj& l) { return int32_t(l.WriteArray(104, nullptr) != WriteOutcome::Refused); },
         ERR_REQUEST},
        {"element out of range",
         [&](ComInj& l) { return int32_t(l.WriteVarElement(110, 8, 1) != WriteOutcome::Refused); },
         ERR_REQUEST},
        {"row of a scalar",
         [&](ComInj& l) { return int32_t(l.WriteTableRow(0, 0, v.data()) != WriteOutcome::Refused); },
         ERR_NOT_AVAILABLE},
        {"cell of an array",
         [&](ComInj& l) { return int32_t(l.WriteTableCell(104, 0, 0, 1) != WriteOutcome::Refused); },
         ERR_NOT_AVAILABLE},
        {"read-only element",
         [&](ComInj& l) { return int32_t(l.WriteVarElement(117, 0, 65) != WriteOutcome::Refused); },
         ERR_NOT_AVAILABLE},
    };
    for (const Case& c : cases) {
        s.link.ClearErrorFlags();
        EXPECT_EQ(c.run(s.link), 0) << c.name;
        EXPECT_TRUE(s.link.ErrorFlags() & c.flag) << c.name;
        EXPECT_TRUE(s.ecu.Requests().empty()) << c.name << " sent something";
    }
    s.link.ClearErrorFlags();
    EXPECT_EQ(s.link.WriteArray(110, nullptr), WriteOutcome::Refused);
    EXPECT_EQ(s.link.ErrorFlags(), 0) << "a word array without buffer only fails";
    EXPECT_EQ(s.link.ReadVar(300, nullptr), 0) << "an index beyond 8 bits";
    EXPECT_TRUE(s.ecu.Requests().empty());
}

TEST_F(Commands, EcuRefusalEndsReadsWithZeroAndWritesAsRefused) {
    s.ecu.MutableFaults().refused = {0, 104};
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_NOT_AVAILABLE);
    EXPECT_EQ(s.link.WriteVar(0, 5), WriteOutcome::Refused);
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_NOT_AVAILABLE);
    std::vector<int32_t> v(20, 9);
    EXPECT_EQ(s.link.ReadVar(104, v.data()), 0);
    EXPECT_EQ(v, std::vector<int32_t>(20, 9)) << "a refused read leaves the buffer alone";
    EXPECT_EQ(s.Requests().size(), 3u) << "refusals are not repeated";
    EXPECT_TRUE(s.link.IsConnected());
}

// Every write kind tells the ECU's answer apart: taken (the memory changed), refused with 7F 7F
// (the memory did not), or lost with the line (no answer at all).
TEST(WriteOutcomes, EachWriteKindTellsAnsweredRefusedAndLost) {
    const std::vector<int32_t> values(20, 7);
    struct Kind {
        const char* name;
        int index;
        std::function<WriteOutcome(ComInj&)> write;
    } kinds[] = {
        {"WriteVar", 0, [](ComInj& l) { return l.WriteVar(0, 77); }},
        {"WriteArray", 110, [&](ComInj& l) { return l.WriteArray(110, values.data()); }},
        {"WriteTableRow", 50, [&](ComInj& l) { return l.WriteTableRow(50, 2, values.data()); }},
        {"WriteVarElement", 104, [](ComInj& l) { return l.WriteVarElement(104, 3, 7); }},
        {"WriteTableCell", 51, [](ComInj& l) { return l.WriteTableCell(51, 1, 1, 7); }},
    };
    enum class Ecu { Takes, Refuses, LineLost };
    for (const Kind& k : kinds) {
        for (Ecu ecu : {Ecu::Takes, Ecu::Refuses, Ecu::LineLost}) {
            SimLink s;
            ASSERT_TRUE(s.Open());
            const std::vector<int32_t> before = s.ecu.Values(k.index);
            if (ecu == Ecu::Refuses) s.ecu.MutableFaults().refused = {k.index};
            if (ecu == Ecu::LineLost) s.line.LoseDevice();
            const WriteOutcome outcome = k.write(s.link);
            const WriteOutcome expected = ecu == Ecu::Takes     ? WriteOutcome::Answered
                                          : ecu == Ecu::Refuses ? WriteOutcome::Refused
                                                                : WriteOutcome::Lost;
            EXPECT_EQ(outcome, expected) << k.name << " " << int(ecu);
            EXPECT_EQ(s.ecu.Values(k.index) != before, ecu == Ecu::Takes) << k.name << " " << int(ecu);
            if (ecu == Ecu::Refuses) {
                EXPECT_TRUE(s.link.IsConnected()) << k.name << ": a refusal keeps the session";
            }
        }
    }
}

TEST(CommandsWithoutSession, DoNothing) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenPort());
    std::vector<int32_t> v(20);
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);
    EXPECT_EQ(s.link.WriteVar(0, 1), WriteOutcome::Lost);
    EXPECT_FALSE(s.link.ReadRecord(150, v.data(), 14));
    EXPECT_TRUE(s.SentBytes().empty());
}

}  // namespace
}  // namespace zov::testing
