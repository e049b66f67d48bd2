// zovctl: the command-line front end of ZOV Qbr. Its output is stable: other tools script it.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationBackup.h"
#include "ConfigurationDiff.h"
#include "ConfigurationFields.h"
#include "ConfigurationModel.h"
#include "ConsoleProgrammingHost.h"
#include "ConsolePrompter.h"
#include "Cp1252.h"
#include "EcuProgrammer.h"
#include "EcuVariables.h"
#include "Firmware.h"
#include "GlobalData.h"
#include "HidapiBus.h"
#include "LiveRecord.h"
#include "LogConversion.h"
#include "MixedMapRecord.h"
#include "Packaging.h"
#include "ProgrammingBackup.h"
#include "TermiosSerial.h"
#include "TraceHid.h"
#include "TraceSerial.h"
#include "ZovctlCustomers.h"
#include "ZovctlHelp.h"
#include "ZovctlLog.h"
#include "ZovctlMapCommands.h"
#include "ZovctlPublish.h"
#include "ZovctlReport.h"
#include "ZovctlSession.h"
#include "ZovctlText.h"
#include "ZovctlUpdate.h"
#include "ZovctlVehicles.h"

namespace zov {
namespace {

long ParseNumber(const std::string& text, long min, long max, const char* what) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max)
        Fail(kBadArgument, std::string("bad ") + what + " '" + text + "' (expected " + std::to_string(min) +
                               ".." + std::to_string(max) + ")");
    return v;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(kBadArgument, "option " + a + " needs a value");
            return argv[++i];
        };
        if (a == "--port")
            o.port = value();
        else if (a == "--yes")
            o.answer = PromptAnswer::Yes;
        else if (a == "--no")
            o.answer = PromptAnswer::No;
        else if (a == "--trace")
            o.trace = value();
        else if (a == "--settings")
            o.settingsDirectory = value();
        else if (a == "--force")
            o.force = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(Usage().c_str(), stdout);
            std::exit(kOk);
        } else if (a == "--version") {
            std::fputs(VersionText().c_str(), stdout);
            std::exit(kOk);
        } else if (a.size() > 1 && a[0] == '-' && o.args.empty())
            Fail(kBadArgument, "unknown option " + a);
        else
            o.args.push_back(a);
    }
    if (o.args.empty()) Fail(kBadArgument, "no command given (try --help)");
    return o;
}

// "COM1".."COM4" name a port whose device comes from the settings store; anything else is a
// device path used as COM1.
int ResolvePort(const Options& o, ComInj& link) {
    if (strcasecmp(o.port.c_str(), "USB") == 0) {
        if (!link.usbAvailable) Fail(kLinkFailure, "this system offers no HID support for the USB adapter");
        return CPort::kUsbPort;
    }
    if (o.port.size() == 4 && strncasecmp(o.port.c_str(), "COM", 3) == 0 && o.port[3] >= '1' &&
        o.port[3] <= '4') {
        const int index = o.port[3] - '1';
        const auto paths = GlobalData::StoredPortPaths(QString::fromStdString(o.settingsDirectory));
        link.SetPortPath(index, paths[size_t(index)]);
        return index;
    }
    if (o.port.empty() || o.port[0] != '/')
        Fail(kBadArgument, "bad port '" + o.port + "' (COM1..COM4 or a device path)");
    link.SetPortPath(0, o.port);
    return 0;
}

std::string ReadText(ComInj& link, int index) {
    int32_t chars[40] = {};
    link.ReadVar(index, chars);
    CheckRefused(link, index);
    std::string text;
    for (int32_t c : chars) {
        if (c == 0) break;
        text += char(c);
    }
    return cp1252::ToUtf8(text);
}

int32_t ReadScalar(ComInj& link, int index) {
    const int32_t v = link.ReadVar(index, nullptr);
    CheckRefused(link, index);
    return v;
}

// The ECU counts its programme date in days since 12 October 1998.
std::string IsoDateOfEcuDay(int32_t ecuDay) {
    using namespace std::chrono;
    const year_month_day d{sys_days{year{1998} / October / 12} + days{ecuDay}};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()), unsigned(d.day()));
    return buf;
}

void CommandInfo(Session& session, const std::vector<std::string>& args) {
    ComInj& link = session.link;
    if (args.size() != 1) Fail(kBadArgument, "info takes no arguments");
    std::printf("MODELLO=%s\n", ReadText(link, 117).c_str());
    std::printf("NOME_PROGRAMMA=%s\n", ReadText(link, 118).c_str());
    std::printf("VERSIONE_CENTRALINA=%d\n", ReadScalar(link, 46));
    std::printf("TIPO_DI_CARBURANTE=%d\n", ReadScalar(link, 47));
    std::printf("CILINDRATA=%d\n", ReadScalar(link, 40));
    std::printf("ANNO_VETTURA=%d\n", ReadScalar(link, 41));
    std::printf("DATA_PROGRAMMA=%s\n", IsoDateOfEcuDay(ReadScalar(link, 42)).c_str());
}

int ParseVariable(const std::string& text) {
    const int index = int(ParseNumber(text, 0, 255, "variable"));
    if (VarInfoOf(index).kind == VarKind::None) Fail(kBadArgument, "variable " + text + " does not exist");
    return index;
}

void CommandGet(Session& session, const std::vector<std::string>& args) {
    ComInj& link = session.link;
    if (args.size() < 2 || args.size() > 3) Fail(kBadArgument, "usage: get VAR [ELEMENT]");
    const int index = ParseVariable(args[1]);
    const VarInfo& v = VarInfoOf(index);
    if (IsScalar(v.kind)) {
        if (args.size() == 3) Fail(kBadArgument, "variable " + args[1] + " has no elements");
        std::printf("%d\n", ReadScalar(link, index));
        return;
    }
    if (args.size() == 3) {
        const int limit = IsArray(v.kind) ? v.length - 1 : 255;
        const int element = int(ParseNumber(args[2], 0, limit, IsArray(v.kind) ? "element" : "row"));
        std::vector<int32_t> values(std::max<size_t>(v.length, 1), 0);
        link.ReadVarElement(index, element, values.data());
        CheckRefused(link, index);
        if (IsArray(v.kind))
            std::printf("%d\n", values[size_t(element)]);
        else
            std::printf("%s\n", Join(values.data(), v.length).c_str());
        return;
    }
    if (v.kind == VarKind::TableS8) Fail(kBadArgument, "table " + args[1] + " is read by row: give a row");
    const int count = IsArray(v.kind) ? v.length : v.length * v.rows;
    std::vector<int32_t> values(size_t(count), 0);
    link.ReadVar(index, values.data());
    CheckRefused(link, index);
    if (IsArray(v.kind)) {
        std::printf("%s\n", Join(values.data(), count).c_str());
        return;
    }
    for (int r = 0; r < v.rows; ++r)
        std::printf("%s\n", Join(values.data() + r * v.length, v.length).c_str());
}

std::vector<int32_t> ParseValues(const std::vector<std::string>& args, size_t from, VarKind kind) {
    const long min = IsSignedByte(kind) ? -128 : 0;
    const long max = ElementBytes(kind) == 2 ? 0xFFFF : (IsSignedByte(kind) ? 127 : 255);
    std::vector<int32_t> values;
    for (size_t i = from; i < args.size(); ++i)
        values.push_back(int32_t(ParseNumber(args[i], min, max, "value")));
    return values;
}

void CommandSet(Session& session, const std::vector<std::string>& args) {
    ComInj& link = session.link;
    if (args.size() < 3) Fail(kBadArgument, "usage: set VAR VALUE...");
    const int index = ParseVariable(args[1]);
    const VarInfo& v = VarInfoOf(index);
    WriteOutcome written = WriteOutcome::Answered;
    if (IsScalar(v.kind)) {
        if (args.size() != 3) Fail(kBadArgument, "variable " + args[1] + " takes one value");
        written = link.WriteVar(index, ParseValues(args, 2, v.kind)[0]);
    } else if (IsArray(v.kind)) {
        if (v.readOnly) Fail(kBadArgument, "array " + args[1] + " is read-only");
        if (args.size() != size_t(2 + v.length))
            Fail(kBadArgument, "array " + args[1] + " takes " + std::to_string(v.length) + " values");
        written = link.WriteArray(index, ParseValues(args, 2, v.kind).data());
    } else {
        if (args.size() != size_t(3 + v.length))
            Fail(kBadArgument,
                 "table " + args[1] + " takes a row and " + std::to_string(v.length) + " values");
        const int row = int(ParseNumber(args[2], 0, 255, "row"));
        written = link.WriteTableRow(index, row, ParseValues(args, 3, v.kind).data());
    }
    CheckRefused(link, index);
    if (written != WriteOutcome::Answered) Fail(kRefused, "variable " + args[1] + " was not written");
}

void CommandRecord(Session& session, const std::vector<std::string>& args) {
    ComInj& link = session.link;
    if (args.size() != 2 && args.size() != 4) Fail(kBadArgument, "usage: record N [A B]");
    const int index = int(ParseNumber(args[1], kRecordLive, kRecordMapping, "record"));
    int a = 0, b = 0;
    if (args.size() == 4) {
        a = int(ParseNumber(args[2], 0, 255, "A"));
        b = int(ParseNumber(args[3], 0, 255, "B"));
    }
    const RecordLayout* layout = RecordLayoutOf(index);
    std::vector<int32_t> values(size_t(layout->valueCount), 0);
    if (!link.ReadRecord(index, values.data(), layout->valueCount, a, b)) {
        RequireSession(link);
        Fail(kLinkFailure, "record " + args[1] + " could not be read");
    }
    std::printf("%s\n", Join(values.data(), layout->valueCount).c_str());
}

std::string NeedDirectory(const std::vector<std::string>& args, bool mustExist) {
    if (args.size() != 2) Fail(kBadArgument, "usage: " + args[0] + " DIR");
    std::error_code ec;
    if (mustExist ? !std::filesystem::is_directory(args[1], ec)
                  : !std::filesystem::create_directories(args[1], ec) &&
                        !std::filesystem::is_directory(args[1], ec))
        Fail(kBadArgument, "not a usable directory: " + args[1]);
    return args[1];
}

// After a load into the ECU: one "refused: N NAME" line for each variable the ECU refused (it
// kept its own value, the rest went on), and the run ends as incomplete.
void EndIfRefused(const Session& session) {
    const std::vector<int> refused = session.model.RefusedVariables();
    if (refused.empty()) return;
    for (const std::string& line : RefusalConsoleLines(refused)) std::fprintf(stderr, "%s\n", line.c_str());
    Fail(kIncomplete, "the ECU refused " + std::to_string(refused.size()) +
                          (refused.size() == 1 ? " variable" : " variables") +
                          ": the configuration is incomplete");
}

// After a whole read whose output has been written: one warning line for each variable the ECU
// refused (what the output holds for it is not the ECU's), and the run ends as incomplete.
void EndIfIncomplete(const Session& session) {
    const std::vector<std::string> refused = session.model.RefusedVariableLines();
    if (refused.empty()) return;
    for (const std::string& line : refused)
        std::fprintf(stderr, "zovctl: warning: the ECU refused variable %s; its value is not the ECU's\n",
                     line.c_str());
    Fail(kIncomplete, "the ECU refused " + std::to_string(refused.size()) +
                          (refused.size() == 1 ? " variable" : " variables") + ": the output is incomplete");
}

void CommandRead(Session& session, const std::vector<std::string>& args) {
    const std::string dir = NeedDirectory(args, false);
    LoadEcu(session);
    if (!session.model.WriteDefinitionFileSet(ConfigurationModel::DefinitionFiles::In(dir)))
        Fail(kFileFailure,
             "cannot write the definition files into " + dir + " (the files there are unchanged)");
    EndIfIncomplete(session);
}

void ReportFile(const ConfigurationModel::FileOutcome& f) {
    for (const std::string& line : f.result.report)
        std::fprintf(stderr, "%s\n", cp1252::ToUtf8(line).c_str());
    if (f.result.rewriteFailed) std::fprintf(stderr, "zovctl: could not upgrade %s\n", f.path.c_str());
}

void CommandWrite(Session& session, const std::vector<std::string>& args) {
    const std::string dir = NeedDirectory(args, true);
    // The model first mirrors the ECU: whatever a refused file leaves unloaded is then written
    // back to the ECU as it already was, never as the model's defaults.
    LoadEcu(session);
    const auto outcome = session.model.ReadDefinitionFiles(ConfigurationModel::DefinitionFiles::In(dir));
    for (const auto* f : {&outcome.car, &outcome.map, &outcome.param}) {
        ReportFile(*f);
        if (!f->result.opened) Fail(kFileFailure, "cannot read " + f->path);
        if (f->result.rejected) Fail(kFileFailure, f->path + ": " + cp1252::ToUtf8(f->result.error));
    }
    RequireSession(session.link);
    EndIfRefused(session);
}

void CommandDump(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 1) Fail(kBadArgument, "dump takes no arguments");
    LoadEcu(session);
    std::vector<ConfigurationField> fields;
    if (!ConfigurationFields::Of(session.model, fields))
        Fail(kFileFailure, "cannot write the model out for the dump");
    for (const ConfigurationField& f : fields)
        std::printf("%s=%s\n", f.key.c_str(), cp1252::ToUtf8(f.value).c_str());
    EndIfIncomplete(session);
}

using Command = std::function<void(Session&, const std::vector<std::string>&)>;

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands{
        {"info", CommandInfo}, {"get", CommandGet},     {"set", CommandSet},  {"record", CommandRecord},
        {"read", CommandRead}, {"write", CommandWrite}, {"dump", CommandDump}};
    return commands;
}

// --- Configuration files and programming --------------------------------------------------

std::string Arg(const std::vector<std::string>& args, size_t count, const char* usage) {
    if (args.size() != count) Fail(kBadArgument, std::string("usage: ") + usage);
    return args[1];
}

void CommandSaveConfig(Session& session, const std::vector<std::string>& args) {
    const std::string target = Arg(args, 2, "save-config OUT.zvf");
    LoadEcu(session);
    const PackResult r = SaveConfigurationFile(session.model, target);
    if (!r) Fail(kFileFailure, r.error);
    EndIfIncomplete(session);
}

void CommandLoadConfig(Session& session, const std::vector<std::string>& args) {
    const std::string source = Arg(args, 2, "load-config IN.zvf");
    // As in `write`: the model mirrors the ECU first, so whatever a refused part leaves unloaded
    // goes back to the ECU as it was.
    LoadEcu(session);
    const ConfigurationLoad load = LoadConfigurationFile(session.model, source);
    if (!load.unpacked) Fail(kFileFailure, load.unpacked.error);
    const char* const parts[3] = {"vehicle file", "map file", "parameter file"};
    const ConfigurationModel::FileOutcome* files[3] = {&load.outcome.car, &load.outcome.map,
                                                       &load.outcome.param};
    for (size_t i = 0; i < 3; ++i) {
        ReportFile(*files[i]);
        if (!files[i]->Loaded())
            Fail(kFileFailure,
                 source + ": its " + parts[i] + " was refused: " + cp1252::ToUtf8(files[i]->result.error));
    }
    RequireSession(session.link);
    EndIfRefused(session);
}

// The ECU's configuration is saved before its program is replaced; without a backup the
// programming starts only when forced.
void BackUpBeforeProgramming(Session& session) {
    const ConfigurationBackup backup(ConfigurationBackup::FolderIn(RuntimeDirectory(session.options)));
    const BackupOutcome outcome = ProgrammingBackup(session.link, session.model).Make(backup);
    if (outcome.made) {
        std::fprintf(stderr, "zovctl: backup %s\n", outcome.path.c_str());
        std::string why;
        const long long entry = StoreBackupInHistory(
            RuntimeDirectory(session.options), QString::fromStdString(session.options.settingsDirectory),
            outcome.path, session.model.Car(), why);
        if (entry > 0)
            std::fprintf(stderr, "zovctl: backup stored in the car history as entry %lld\n", entry);
        else
            std::fprintf(stderr, "zovctl: warning: the backup is not in the car history: %s\n",
                         OneLine(why).c_str());
        return;
    }
    if (!session.options.force)
        Fail(outcome.problem == BackupOutcome::Problem::File      ? kFileFailure
             : outcome.problem == BackupOutcome::Problem::Refused ? kIncomplete
                                                                  : kLinkFailure,
             "no backup: " + outcome.error + " (the ECU was not touched; --force programs without a backup)");
    std::fprintf(stderr, "zovctl: warning: no backup: %s; programming anyway (--force)\n",
                 OneLine(outcome.error).c_str());
}

void CommandProgram(Session& session, const std::vector<std::string>& args) {
    const std::string path = Arg(args, 2, "program FILE");
    FirmwareImage image;
    const FirmwareCheck check =
        IsPlainSRecordFile(path) ? LoadSRecordFile(path, image) : LoadPackedFirmware(path, image);
    if (!check) Fail(kFileFailure, check.error + " (the ECU was not touched)");
    BackUpBeforeProgramming(session);
    ConsoleProgrammingHost host(stderr, {});
    // The link's and the programming's messages start on a line of their own, not behind the bar.
    session.prompter.SetBeforeMessage([&host] { host.EndLine(); });
    EcuProgrammer programmer(session.link, session.model, host, session.prompter, session.clock, {});
    host.SetLabel("programming");
    const bool ok = programmer.ProgramFirmware(image);
    host.Close();
    session.prompter.SetBeforeMessage({});
    if (!ok)
        Fail(kLinkFailure, "programming failed: " + ConsoleProgrammingHost::Describe(programmer.lastFailure));
    std::printf("RECORDS=%zu\nBYTES=%zu\n", image.SentCount(), image.SentDataBytes());
}

void CommandPackConfig(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 3) Fail(kBadArgument, "usage: pack-config DIR OUT.zvf");
    const auto files = ConfigurationModel::DefinitionFiles::In(NeedDirectory({args[0], args[1]}, true));
    // The header's vehicle lines come from the vehicle file, read as the model reads it.
    ConfCar& car = session.model.Car();
    car.SetFileName(files.car);
    const auto loaded = car.ReadDefinitionFile();
    if (!loaded.opened) Fail(kFileFailure, "cannot read " + files.car);
    if (loaded.rejected) Fail(kFileFailure, files.car + ": " + cp1252::ToUtf8(loaded.error));
    const PackResult r = PackConfiguration(car, files.car, files.map, files.param, args[2]);
    if (!r) Fail(kFileFailure, r.error);
}

void CommandUnpackConfig(Session&, const std::vector<std::string>& args) {
    if (args.size() != 3) Fail(kBadArgument, "usage: unpack-config IN.zvf DIR");
    const auto files = ConfigurationModel::DefinitionFiles::In(NeedDirectory({args[0], args[2]}, false));
    ConfigurationHeaderText header;
    const PackResult r = UnpackConfiguration(args[1], files.car, files.map, files.param, &header);
    if (!r) Fail(kFileFailure, r.error);
    std::printf("MODELLO=%s\n", cp1252::ToUtf8(header.vehicle.model).c_str());
    std::printf("NOME_PROGRAMMA=%s\n", cp1252::ToUtf8(header.vehicle.programName).c_str());
    std::printf("TIPO_DI_CARBURANTE=%d\n", header.vehicle.fuel);
    std::printf("CILINDRATA=%d\n", header.vehicle.displacement);
    std::printf("ANNO_VETTURA=%d\n", header.vehicle.year);
}

void CommandUnpackEcu(Session&, const std::vector<std::string>& args) {
    if (args.size() != 3) Fail(kBadArgument, "usage: unpack-ecu IN.zov OUT");
    const PackResult r = UnpackEcuFile(args[1], args[2]);
    if (!r) Fail(kFileFailure, r.error);
}

// --- Comparing configurations -------------------------------------------------------------

const char* const kEcuSide = "ecu";

std::vector<ConfigurationField> FieldsOfFiles(ComInj& link, const std::string& source) {
    std::vector<ConfigurationField> fields;
    const ConfigurationDiff::LoadError error = ConfigurationDiff::FieldsOfFiles(link, source, fields);
    if (error)
        Fail(kFileFailure, error.what + (error.reason.empty() ? "" : ": " + cp1252::ToUtf8(error.reason)));
    return fields;
}

std::vector<ConfigurationField> FieldsOfEcu(Session& session) {
    if (!session.link.IsConnected()) {
        Connect(session.link, session.link.portIndex);
        LoadEcu(session);
    }
    std::vector<ConfigurationField> fields;
    if (!ConfigurationFields::Of(session.model, fields))
        Fail(kFileFailure, "cannot write the ECU's configuration out for the comparison");
    return fields;
}

void CommandDiff(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 3) Fail(kBadArgument, "usage: diff A B");
    // Files are checked whole before the ECU is even reached.
    std::vector<ConfigurationField> sides[2];
    for (size_t i = 0; i < 2; ++i)
        if (args[i + 1] != kEcuSide) sides[i] = FieldsOfFiles(session.link, args[i + 1]);
    for (size_t i = 0; i < 2; ++i)
        if (args[i + 1] == kEcuSide) sides[i] = FieldsOfEcu(session);
    const auto differences = ConfigurationDiff::Between(sides[0], sides[1]);
    for (const ConfigurationDiff::Difference& d : differences)
        std::printf("%s\t%s\t%s\n", d.key.c_str(), cp1252::ToUtf8(d.a).c_str(), cp1252::ToUtf8(d.b).c_str());
    EndIfIncomplete(session);
    if (!differences.empty()) session.outcome = kDifferent;
}

// --- Map fit ------------------------------------------------------------------------------

// The model's configuration with its new map, as definition files beside the runtime directory's
// Config, where `write` can send it again; what to tell about it.
// --- Printed report -----------------------------------------------------------------------

void CommandReport(Session& session, const std::vector<std::string>& args) {
    const std::optional<ReportArguments> report = ParseReportArguments(args);
    if (!report) Fail(kBadArgument, "usage: report OUT.pdf [--from FILE.zvf]");
    if (!report->from.empty()) {
        // A saved configuration is read whole without the ECU.
        const ConfigurationDiff::LoadError error = ConfigurationDiff::TakeFiles(session.model, report->from);
        if (error)
            Fail(kFileFailure,
                 error.what + (error.reason.empty() ? "" : ": " + cp1252::ToUtf8(error.reason)));
    } else {
        Connect(session.link, session.link.portIndex);
        LoadEcu(session);
    }
    const std::string error = WriteConfigurationReport(session.model, report->output);
    if (!error.empty()) Fail(kFileFailure, error);
    EndIfIncomplete(session);
}

// customers ...: the runtime directory's customer archive; no ECU.
void CommandCustomers(Session& session, const std::vector<std::string>& args) {
    std::string error;
    const int code =
        RunCustomersCommand(RuntimeDirectory(session.options),
                            QString::fromStdString(session.options.settingsDirectory), args, error);
    if (code != kOk) Fail(ExitCode(code), error);
}

void CommandLog(Session& session, const std::vector<std::string>& args) {
    std::string error;
    const std::optional<LogOptions> options = ParseLogArguments(args, error);
    if (!options) Fail(kBadArgument, error);
    MappingCellOf cellOf;
    if (options->record == kRecordMapping) {
        // The map's axes place the operating point, so each record carries its own cell's value.
        ConfMap& map = session.model.Map();
        map.ReadFromEcu(105);
        map.ReadFromEcu(111);
        cellOf = [&map](const int32_t* values) {
            const MappingRecord r = MappingRecordFromValues(values);
            return std::pair<int, int>(map.RowOfMap(VoltFromByte(r.map)),
                                       map.ColumnOfRpm(RpmFromPeriod(r.period)));
        };
    }
    const LogOutcome outcome = RecordLog(session.link, session.clock, *options, cellOf);
    if (!outcome.opened) Fail(kFileFailure, outcome.fileError);
    std::printf("RECORDS=%lld\nRATE=%.1f\n", static_cast<long long>(outcome.records), outcome.rate);
    if (!outcome.fileError.empty()) Fail(kFileFailure, outcome.fileError);
    if (!outcome.linkError.empty()) Fail(kLinkFailure, outcome.linkError);
}

// convert-log IN.csv OUT.mlg: a datalog as an MLG file; no ECU.
void CommandConvertLog(Session&, const std::vector<std::string>& args) {
    if (args.size() != 3) Fail(kBadArgument, "usage: convert-log IN.csv OUT.mlg");
    const LogConversion r = ConvertLogToMlg(args[1], args[2]);
    if (!r.ok) Fail(kFileFailure, r.error);
    std::printf("RECORDS=%lld\nMARKERS=%d\n", static_cast<long long>(r.rows), r.markers);
}

// A command of its own file that works on a folder of the runtime directory (`subfolder` appended)
// and returns its exit status with the reason.
using FolderCommand = int (*)(const std::vector<std::string>&, const std::string&, std::FILE*, std::string&);
Command OnRuntimeFolder(FolderCommand run, std::string subfolder) {
    return [run, subfolder](Session& session, const std::vector<std::string>& args) {
        std::string error;
        const int status = run(args, RuntimeDirectory(session.options) + subfolder, stdout, error);
        if (status != kOk) Fail(ExitCode(status), error);
    };
}

// What a command needs before it runs: an open ECU session, only the port chosen (it opens the
// link itself, as programming a blank ECU must), or nothing of the link.
enum class Needs { Session, Port, Nothing };

struct FileCommand {
    Needs needs;
    Command run;
};

const std::map<std::string, FileCommand>& FileCommands() {
    static const std::map<std::string, FileCommand> commands{
        {"save-config", {Needs::Session, CommandSaveConfig}},
        {"load-config", {Needs::Session, CommandLoadConfig}},
        {"program", {Needs::Port, CommandProgram}},
        {"pack-config", {Needs::Nothing, CommandPackConfig}},
        {"unpack-config", {Needs::Nothing, CommandUnpackConfig}},
        {"unpack-ecu", {Needs::Nothing, CommandUnpackEcu}},
        {"fit", {Needs::Port, CommandFit}},
        {"map-replay", {Needs::Port, CommandMapReplay}},
        {"diff", {Needs::Port, CommandDiff}},
        {"report", {Needs::Port, CommandReport}},
        {"vehicles", {Needs::Nothing, OnRuntimeFolder(ListVehicles, "/Vetture")}},
        {"customers", {Needs::Nothing, CommandCustomers}},
        {"history", {Needs::Nothing, CommandCustomers}},
        {"update", {Needs::Nothing, OnRuntimeFolder(RunUpdate, "")}},
        {"publish", {Needs::Nothing, OnRuntimeFolder(RunPublish, "")}},
        {"keygen", {Needs::Nothing, OnRuntimeFolder(RunKeygen, "")}},
        {"basemap", {Needs::Port, CommandBaseMap}},
        {"log", {Needs::Session, CommandLog}},
        {"convert-log", {Needs::Nothing, CommandConvertLog}},
    };
    return commands;
}

// help [COMMAND]: the usage on stdout, never the ECU.
int PrintHelp(const std::vector<std::string>& args) {
    if (args.size() > 2) Fail(kBadArgument, "usage: help [COMMAND]");
    if (args.size() == 1) {
        std::fputs(Usage().c_str(), stdout);
        return kOk;
    }
    const std::optional<std::string> usage = CommandUsage(args[1]);
    if (!usage) Fail(kBadArgument, "unknown command '" + args[1] + "' (try --help)");
    std::fputs(usage->c_str(), stdout);
    return kOk;
}

int Run(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    if (o.args[0] == "help") return PrintHelp(o.args);
    const auto command = Commands().find(o.args[0]);
    const auto fileCommand = FileCommands().find(o.args[0]);
    if (command == Commands().end() && fileCommand == FileCommands().end())
        Fail(kBadArgument, "unknown command '" + o.args[0] + "' (try --help)");

    std::FILE* traceSink = nullptr;
    std::string tracePath = o.trace;
    if (tracePath.empty() && std::getenv("ZOV_TRACE")) tracePath = std::getenv("ZOV_TRACE");
    if (!tracePath.empty() && !(traceSink = std::fopen(tracePath.c_str(), "w")))
        Fail(kFileFailure, "cannot write the trace file " + tracePath);

    SteadyClock clock;
    TermiosOpener termios;
    TraceOpener opener(termios, traceSink, clock);
    ConsolePrompter prompter(stderr, o.answer);
    // The HID devices outlive the link, which closes the adapter when it goes.
    HidapiBus hidapi;
    TraceHidBus hid(hidapi, traceSink, clock);
    ComInj link(0, 5, opener, clock, prompter);
    link.UseHidBus(&hid);
    ConfCar car(link, ConfigurationModel::kCarFile, prompter);
    ConfMap map(link, car, ConfigurationModel::kMapFile);
    ConfParam param(link, car, ConfigurationModel::kParamFile, prompter);
    ConfigurationModel model(link, map, car, param);
    map.SetMixedMapRecord(MixedMapRecord::PathIn(RuntimeDirectory(o)));
    Session session{link, model, prompter, clock, o};
    link.SetLinkMessages(EnglishLinkMessages());
    const int portIndex = ResolvePort(o, link);
    // Scratch files a killed run left behind hold configurations in clear text.
    RemoveLeftoverTemporaries(PrivateTemporaryFolder());

    int code = kOk;
    try {
        if (command != Commands().end()) {
            Connect(link, portIndex);
            command->second(session, o.args);
        } else {
            if (fileCommand->second.needs == Needs::Session) Connect(link, portIndex);
            if (fileCommand->second.needs == Needs::Port) link.SelectPort(portIndex);
            fileCommand->second.run(session, o.args);
        }
        code = session.outcome;
    } catch (const Failure& f) {
        std::fprintf(stderr, "zovctl: %s\n", OneLine(f.reason).c_str());
        code = f.code;
    }
    std::fflush(stdout);
    link.Disconnect();
    if (traceSink) std::fclose(traceSink);
    return code;
}

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    zov::IgnoreFileSizeSignal();
    try {
        return zov::Run(argc, argv);
    } catch (const zov::Failure& f) {
        std::fprintf(stderr, "zovctl: %s\n", zov::OneLine(f.reason).c_str());
        return f.code;
    }
}
