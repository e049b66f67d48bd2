#include "ZovctlMapCommands.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "BaseMapLibrary.h"
#include "ComInj.h"
#include "ConfigurationDiff.h"
#include "ConfigurationModel.h"
#include "Cp1252.h"
#include "MapChangeLimit.h"
#include "MapFit.h"
#include "MapLocks.h"
#include "RefusalLog.h"
#include "ZovctlBaseMap.h"
#include "ZovctlFitPoints.h"
#include "ZovctlMapReplay.h"
#include "ZovctlSession.h"

namespace zov {

namespace {

// The map the ECU did not take whole, kept in the runtime directory for a retry.
std::string KeepMap(Session& session) {
    const std::string dir = RuntimeDirectory(session.options) + "/Config/MappaNonInviata";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!session.model.WriteDefinitionFileSet(ConfigurationModel::DefinitionFiles::In(dir)))
        return "the new map could not be kept in " + dir;
    return "the new map is kept in " + dir + "/" + ConfigurationModel::kMapFile + " ('zovctl write " + dir +
           "' sends it again)";
}

// A new main map to the ECU (fit --download, basemap --write): its rows, then the self-adaptation
// reset (`reset`) or the axes (`axes`). What the ECU did not take whole ends the run with the
// refused variables, the rows it holds new, and the map kept for a retry; a map that did not
// arrive whole is never followed by the reset.
void DownloadMap(Session& session, bool reset, bool axes) {
    ConfMap& map = session.model.Map();
    session.model.ClearRefusedWrites();
    ConfMap::NewMap sent;
    if (reset)
        sent = map.SendNewMap();
    else
        sent.map = map.WriteMainMap();
    WriteOutcome outcome = sent.Outcome();
    if (axes && outcome != WriteOutcome::Lost) {
        outcome = Worse(outcome, map.WriteToEcu(105));
        outcome = Worse(outcome, map.WriteToEcu(111));
    }
    if (outcome == WriteOutcome::Answered) return;
    for (const std::string& line : RefusalConsoleLines(session.model.RefusedWrites()))
        std::fprintf(stderr, "%s\n", line.c_str());
    std::string held = sent.map.Outcome() == WriteOutcome::Answered
                           ? "the new map is in the ECU"
                           : "the ECU holds the new map only in rows " + sent.map.NewRowsText() +
                                 " (a row with '?' was out when the link was lost and may hold either), its "
                                 "previous map in the others";
    if (reset && sent.map.Outcome() != WriteOutcome::Answered) held += "; the self-adaptation was not reset";
    Fail(outcome == WriteOutcome::Lost ? kLinkFailure : kIncomplete,
         std::string(outcome == WriteOutcome::Lost ? "the ECU session was lost during the map download: "
                                                   : "the ECU refused part of the map: ") +
             held + "; " + KeepMap(session));
}

}  // namespace

void CommandFit(Session& session, const std::vector<std::string>& args) {
    const char* const usage = "usage: fit POINTS.csv [--download] [--max-change PCT] [--locks FILE]";
    bool download = false;
    std::optional<int> maxChange;
    MapLocks locks;
    std::string pointsFile;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--download") {
            download = true;
        } else if ((args[i] == "--max-change" || args[i] == "--locks") && i + 1 < args.size()) {
            std::string error;
            MappingOptions options;
            if (args[i] == "--locks" && !locks.ReadFile(args[i + 1], error)) Fail(kFileFailure, error);
            if (args[i] == "--max-change") {
                if (!TakeMappingOption(args[i], args[i + 1], options, error)) Fail(kBadArgument, error);
                maxChange = options.maxChangePct;
            }
            ++i;
        } else if (pointsFile.empty() && !args[i].starts_with("--")) {
            pointsFile = args[i];
        } else {
            Fail(kBadArgument, usage);
        }
    }
    if (pointsFile.empty()) Fail(kBadArgument, usage);
    // The file is checked whole before the ECU is even reached.
    std::vector<ConfMap::MappingPoint> points;
    const FitPointsError refused = ReadFitPoints(pointsFile, points);
    if (refused.status != kOk) Fail(ExitCode(refused.status), refused.reason);
    Connect(session.link, session.link.portIndex);
    LoadEcu(session);
    ConfMap& map = session.model.Map();
    const MapCells start = CellsOfMap(map);
    if (!FitMapToPoints(map, points))
        Fail(kImpossible, "impossible with this data: the points must fill three cells not on one line");
    // Bound to the map the ECU holds, so no cell moves more than allowed and locked cells stay.
    const MapChangeLimit limit = LimitMapChange(map, start, maxChange.value_or(0), locks);
    if (maxChange) std::fprintf(stderr, "zovctl: %d cells capped at %d %%\n", limit.cappedCount, *maxChange);
    // A new map makes what the ECU has learnt on the old one wrong: the reset follows it.
    if (download) DownloadMap(session, true, false);
    for (int r = 0; r < ConfMap::kRows; ++r) std::printf("%s\n", Join(map.CL[r], ConfMap::kCols).c_str());
}

void CommandMapReplay(Session& session, const std::vector<std::string>& args) {
    std::string error;
    const std::optional<ReplayArguments> arguments = ParseReplayArguments(args, error);
    if (!arguments) Fail(kBadArgument, error);
    if (!arguments->config.empty()) {
        const ConfigurationDiff::LoadError loaded =
            ConfigurationDiff::TakeFiles(session.model, arguments->config);
        if (loaded)
            Fail(kFileFailure,
                 loaded.what + (loaded.reason.empty() ? "" : ": " + cp1252::ToUtf8(loaded.reason)));
    } else {
        Connect(session.link, session.link.portIndex);
        LoadEcu(session);
    }
    const int status = RunMapReplay(session.model, *arguments, stdout, error);
    if (status != kOk) Fail(ExitCode(status), error);
}

void CommandBaseMap(Session& session, const std::vector<std::string>& args) {
    std::string error;
    ConfMap& map = session.model.Map();
    const int code = RunBaseMap(
        args, RuntimeDirectory(session.options) + "/Map/", map,
        [&](const BaseMapLibrary::Map& base) {
            // The ECU is read first: the download names it in the mixed-map record, and a map kept
            // for a retry goes with its own configuration.
            Connect(session.link, session.link.portIndex);
            LoadEcu(session);
            BaseMapLibrary::Write(map, base, false, {});
            DownloadMap(session, false, true);
        },
        stdout, error);
    if (code != kOk) Fail(ExitCode(code), error);
}

}  // namespace zov
