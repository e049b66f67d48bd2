// MLG files from zovctl, read back by an independent reader: the npm package mlg-converter,
// installed into the test's own folder. Names, units, values and markers must come back as the
// datalog holds them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "LiveLog.h"
#include "MlgLogWriter.h"
#include "TestFiles.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

constexpr const char* kReadScript = R"(
const fs = require('fs');
const { Parser } = require(process.argv[2]);
const b = fs.readFileSync(process.argv[3]);
const r = new Parser(b.buffer.slice(b.byteOffset, b.byteOffset + b.byteLength)).parse();
console.log(JSON.stringify({ format: r.fileFormat, version: r.formatVersion, fields: r.fields, records: r.records }));
)";

// The reader, installed once for the whole program in a folder of its own.
class MlgReader {
  public:
    MlgReader() {
        const Result npm = RunProgram({"/usr/bin/env", "npm", "install", "--no-audit", "--no-fund",
                                       "--prefix", dir_.Path().string(), "mlg-converter"});
        installed_ = npm.status == 0 && std::filesystem::exists(dir_.Path() / "node_modules/mlg-converter");
        why_ = npm.out + npm.err;
        WriteFile(dir_.File("read.js"), kReadScript);
    }
    bool Installed() const { return installed_; }
    const std::string& Why() const { return why_; }

    QJsonObject Read(const std::string& mlg) const {
        const Result node = RunProgram({"/usr/bin/env", "node", dir_.File("read.js"),
                                        (dir_.Path() / "node_modules/mlg-converter").string(), mlg});
        EXPECT_EQ(node.status, 0) << node.err;
        return QJsonDocument::fromJson(QByteArray::fromStdString(node.out)).object();
    }

  private:
    ScratchDir dir_;
    bool installed_ = false;
    std::string why_;
};

const MlgReader& Reader() {
    static const MlgReader reader;
    return reader;
}

Result Zovctl(std::vector<std::string> args) {
    args.insert(args.begin(), ZOVCTL_PATH);
    return RunProgram(args);
}

// Every channel of every row as the reader found it, against the datalog read by our own reader.
void ExpectSameLog(const QJsonObject& mlg, const LiveLog& log, int markers) {
    EXPECT_EQ(mlg["format"].toString(), QStringLiteral("MLVLG"));
    EXPECT_EQ(mlg["version"].toInt(), 1);
    const QJsonArray fields = mlg["fields"].toArray();
    ASSERT_EQ(size_t(fields.size()), log.ChannelCount() + 1);
    EXPECT_EQ(fields[0].toObject()["name"].toString(), QStringLiteral("Time"));
    EXPECT_EQ(fields[0].toObject()["units"].toString(), QStringLiteral("s"));
    for (size_t c = 0; c < log.ChannelCount(); ++c) {
        const QJsonObject field = fields[qsizetype(c + 1)].toObject();
        EXPECT_EQ(field["name"].toString().toStdString(), log.columns[c + 1]);
        EXPECT_EQ(field["units"].toString().toStdString(), MlgUnitOf(log.columns[c + 1]));
        EXPECT_EQ(field["scale"].toDouble(), 1.0);
        EXPECT_EQ(field["transform"].toDouble(), 0.0);
    }
    EXPECT_FLOAT_EQ(float(fields[0].toObject()["scale"].toDouble()), 0.001f);
    size_t row = 0;
    int markersSeen = 0;
    for (const QJsonValue value : mlg["records"].toArray()) {
        const QJsonObject record = value.toObject();
        if (record["type"].toString() == QStringLiteral("marker")) {
            ++markersSeen;
            continue;
        }
        ASSERT_LT(row, log.RowCount());
        // The time goes in as whole milliseconds; the reader scales them to seconds.
        EXPECT_EQ(record["Time"].toDouble(), double(log.times[row])) << row;
        for (size_t c = 0; c < log.ChannelCount(); ++c) {
            const float expected = log.Value(row, int(c));
            const QJsonValue got = record[QString::fromStdString(log.columns[c + 1])];
            if (std::isnan(expected)) {
                EXPECT_TRUE(got.isNull()) << "row " << row << " " << log.columns[c + 1];  // NaN in JSON
            } else {
                EXPECT_EQ(float(got.toDouble()), expected) << "row " << row << " " << log.columns[c + 1];
            }
        }
        ++row;
    }
    EXPECT_EQ(row, log.RowCount());
    EXPECT_EQ(markersSeen, markers);
}

TEST(ZovctlMlg, ConvertedAndRecordedLogsReadBackInAnotherReader) {
    ASSERT_TRUE(Reader().Installed())
        << "the MLG reader mlg-converter could not be installed with npm: " << Reader().Why();
    ScratchDir dir;
    const std::string csv = dir.File("drive.csv");
    WriteFile(csv,
              "t_ms,rpm,lambda_v,map_bar,reducer_temp_c,raw_extra\n"
              "0,850,0.88,0.35,21.3456,7\n"
              "25,900,0.12,,21.3457,-3\n"
              "#marker,1,40\n"
              "50,2875,4.99,1.02,,0\n"
              "3000000,65535,0.00,0.30,85.25,255\n"
              "#marker,2,3000000\n");
    const std::string mlg = dir.File("drive.mlg");
    const Result converted = Zovctl({"convert-log", csv, mlg});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_NE(converted.out.find("RECORDS=4\nMARKERS=2\n"), std::string::npos) << converted.out;
    const LiveLogLoad load = ReadLiveLog(csv);
    ASSERT_TRUE(load.ok) << load.error;
    ExpectSameLog(Reader().Read(mlg), load.log, 2);

    // Never over an existing file; a damaged datalog leaves no output behind.
    const std::string before = ReadFile(mlg);
    EXPECT_EQ(Zovctl({"convert-log", csv, mlg}).status, 4);
    EXPECT_EQ(ReadFile(mlg), before);
    const std::string bad = dir.File("bad.csv");
    WriteFile(bad, "t_ms,rpm\n0,800\n25,fast\n");
    const Result refused = Zovctl({"convert-log", bad, dir.File("bad.mlg")});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("line 3: rpm \"fast\" is not a number"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.mlg")));
    EXPECT_EQ(Zovctl({"convert-log", csv}).status, 2);

    // zovctl log straight into MLG, against the simulator: the same rows as a CSV recording holds.
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    const std::string recorded = dir.File("live.mlg");
    const Result r = Zovctl({"--port", sim.device, "log", recorded, "--seconds", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject live = Reader().Read(recorded);
    const QJsonArray records = live["records"].toArray();
    EXPECT_GT(records.size(), 1);
    EXPECT_EQ(int64_t(records.size()), std::stoll(r.out.substr(r.out.find("RECORDS=") + 8)));
    EXPECT_GT(records.last().toObject()["rpm"].toDouble(), 0);
    EXPECT_EQ(live["fields"].toArray()[4].toObject()["name"].toString(), QStringLiteral("map_bar"));
    EXPECT_EQ(live["fields"].toArray()[4].toObject()["units"].toString(), QStringLiteral("bar"));
}

}  // namespace
}  // namespace zov
