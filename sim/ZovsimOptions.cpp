#include "ZovsimOptions.h"

#include <cctype>
#include <charconv>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace zov::sim {
namespace {

bool ParseInt(const std::string& text, long long min, long long max, long long& out) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) return false;
    out = value;
    return true;
}

bool ParseDouble(const std::string& text, double min, double max, double& out) {
    try {
        size_t used = 0;
        double value = std::stod(text, &used);
        if (used != text.size() || !(value >= min && value <= max)) return false;
        out = value;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string ZovsimUsage() {
    return "Usage: zovsim [options]\n"
           "Simulates the gas-injection ECU on a pseudo-terminal. The first line printed is the\n"
           "terminal's device path; connect the service program to it. SIGTERM or SIGINT ends it.\n"
           "\n"
           "Line:\n"
           "  --link PATH            also make PATH a symlink to the terminal (removed at exit)\n"
           "  --baud N               pace the bytes at N baud (default 9600)\n"
           "  --no-pacing            send the bytes as fast as the terminal takes them\n"
           "  --latency-us N         wait N microseconds before each answer\n"
           "ECU:\n"
           "  --ecu-version N        data version VERSIONE_CENTRALINA (default 200)\n"
           "  --fuel gpl|metano      fuel (default gpl)\n"
           "  --model TEXT           vehicle model, at most 40 characters\n"
           "  --program-name TEXT    ECU file name, at most 40 characters\n"
           "  --displacement N       cm3 (default 1600)\n"
           "  --year N               vehicle year (default 2005)\n"
           "  --program-date N       days since 12 October 1998 (default 9500)\n"
           "  --no-version-gates     answer every variable whatever the version\n"
           "  --eight-zone           eight-zone self-adaptation (variables 128-130)\n"
           "  --register-bits N      the ECU's own bits of variable 39 (0x08 diagnosis word pairs,\n"
           "                         0x10 protected); the PC can change only bits 0x67\n"
           "  --no-map-b             no second map (variable 131 refused)\n"
           "  --out-of-session P     reject|refuse|ignore|serve requests before the session opens\n"
           "  --drive-cycle          drive through the automatic-mapping zones instead of idling\n"
           "  --engine-stopped       the engine at rest (speed 0), as for the actuator test\n"
           "  --start-temp C         reducer temperature at power-on (default 20)\n"
           "Boot loader (SIGUSR1 switches the ECU's supply off and on):\n"
           "  --boot-loader          a blank ECU: only the boot loader runs\n"
           "  --boot-version N       the version the boot loader reports (default 5)\n"
           "  --erase-ms N           how long an erase takes (default 0)\n"
           "  --restart-ms N         from the end of programming to the new program (default 1000)\n"
           "Faults (N is a count of the next requests, bytes or answers, or 'always'):\n"
           "  --silent               never answer (the line still echoes)\n"
           "  --dead-line            no echo and no answer\n"
           "  --busy N               answer busy (0x78)\n"
           "  --rejected N           answer rejected (0x83)\n"
           "  --bad-checksum N       answer with a wrong checksum\n"
           "  --corrupt-echo N       alter the echo of bytes\n"
           "  --refuse LIST          refuse (0x7F) these comma-separated indices\n"
           "  --refuse-writes-after VAR:N  take N writes of variable VAR, refuse (0x7F) the later ones\n"
           "  --lose-device N        pull the adapter out (close the terminal and end) when the PC\n"
           "                         sends a new request after N requests, before answering it\n"
           "                         (a request sent again at once counts once)\n"
           "  --low-supply N         boot loader: erase and start answered 0x0B (supply too low)\n"
           "  --refuse-records N     boot loader: S-records refused\n"
           "Other:\n"
           "  --verbose              print each request and answer on stderr\n"
           "  --help                 this text\n";
}

bool ParseZovsimOptions(const std::vector<std::string>& args, ZovsimOptions& out, std::string& error) {
    EcuConfig& ecu = out.ecu;
    Faults& faults = ecu.faults;

    auto count = [](const std::string& v, int& target) {
        if (Lower(v) == "always") {
            target = kAlways;
            return true;
        }
        long long n = 0;
        if (!ParseInt(v, 0, 1000000000, n)) return false;
        target = static_cast<int>(n);
        return true;
    };
    auto integer = [](long long min, long long max, auto setter) {
        return [=](const std::string& v) {
            long long n = 0;
            if (!ParseInt(v, min, max, n)) return false;
            setter(n);
            return true;
        };
    };
    auto text = [](std::string& target) {
        return [&target](const std::string& v) {
            if (v.size() > 40) return false;
            target = v;
            return true;
        };
    };

    using Handler = std::function<bool(const std::string&)>;
    const std::map<std::string, std::pair<Handler, const char*>> withValue{
        {"--link",
         {[&](const std::string& v) {
              out.linkPath = v;
              return !v.empty();
          },
          "a path"}},
        {"--baud",
         {integer(50, 4000000, [&](long long n) { ecu.baud = uint32_t(n); }), "a rate from 50 to 4000000"}},
        {"--latency-us",
         {integer(0, 10000000, [&](long long n) { faults.latencyUs = n; }),
          "microseconds from 0 to 10000000"}},
        {"--ecu-version",
         {integer(0, 65535, [&](long long n) { ecu.version = int(n); }), "a number from 0 to 65535"}},
        {"--fuel",
         {[&](const std::string& v) {
              std::string f = Lower(v);
              if (f == "gpl" || f == "lpg" || f == "0")
                  ecu.fuel = 0;
              else if (f == "metano" || f == "cng" || f == "1")
                  ecu.fuel = 1;
              else
                  return false;
              return true;
          },
          "gpl or metano"}},
        {"--model", {text(ecu.model), "a text of at most 40 characters"}},
        {"--program-name", {text(ecu.programName), "a text of at most 40 characters"}},
        {"--displacement",
         {integer(0, 65535, [&](long long n) { ecu.displacement = int(n); }), "a number from 0 to 65535"}},
        {"--year", {integer(0, 65535, [&](long long n) { ecu.year = int(n); }), "a number from 0 to 65535"}},
        {"--register-bits",
         {integer(0, 255, [&](long long n) { ecu.ownRegisterBits = uint8_t(n); }), "a number from 0 to 255"}},
        {"--program-date",
         {integer(0, 65535, [&](long long n) { ecu.programDate = int(n); }), "a number from 0 to 65535"}},
        {"--out-of-session",
         {[&](const std::string& v) {
              std::string p = Lower(v);
              if (p == "reject")
                  ecu.outOfSession = OutOfSession::Reject;
              else if (p == "refuse")
                  ecu.outOfSession = OutOfSession::Refuse;
              else if (p == "ignore")
                  ecu.outOfSession = OutOfSession::Ignore;
              else if (p == "serve")
                  ecu.outOfSession = OutOfSession::Serve;
              else
                  return false;
              return true;
          },
          "reject, refuse, ignore or serve"}},
        {"--start-temp",
         {[&](const std::string& v) { return ParseDouble(v, -40.0, 150.0, ecu.engine.startTemperatureC); },
          "degrees from -40 to 150"}},
        {"--boot-version",
         {integer(0, 255, [&](long long n) { ecu.bootLoaderVersion = int(n); }), "a number from 0 to 255"}},
        {"--erase-ms",
         {integer(0, 60000, [&](long long n) { ecu.eraseUs = n * 1000; }), "milliseconds from 0 to 60000"}},
        {"--restart-ms",
         {integer(0, 60000, [&](long long n) { ecu.restartUs = n * 1000; }), "milliseconds from 0 to 60000"}},
        {"--low-supply",
         {[&](const std::string& v) { return count(v, faults.lowSupply); }, "a count or 'always'"}},
        {"--refuse-records",
         {[&](const std::string& v) { return count(v, faults.recordRefused); }, "a count or 'always'"}},
        {"--busy", {[&](const std::string& v) { return count(v, faults.busy); }, "a count or 'always'"}},
        {"--lose-device",
         {integer(0, 1000000000, [&](long long n) { out.loseDeviceAfter = n; }), "a count of requests"}},
        {"--rejected",
         {[&](const std::string& v) { return count(v, faults.rejected); }, "a count or 'always'"}},
        {"--bad-checksum",
         {[&](const std::string& v) { return count(v, faults.badChecksum); }, "a count or 'always'"}},
        {"--corrupt-echo",
         {[&](const std::string& v) { return count(v, faults.corruptEcho); }, "a count or 'always'"}},
        {"--refuse",
         {[&](const std::string& v) {
              size_t start = 0;
              while (start <= v.size()) {
                  size_t comma = v.find(',', start);
                  std::string item =
                      v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                  long long n = 0;
                  if (!ParseInt(item, 0, 255, n)) return false;
                  faults.refused.insert(int(n));
                  if (comma == std::string::npos) break;
                  start = comma + 1;
              }
              return true;
          },
          "comma-separated indices from 0 to 255"}},
        {"--refuse-writes-after",
         {[&](const std::string& v) {
              const size_t colon = v.find(':');
              long long var = 0, n = 0;
              if (colon == std::string::npos || !ParseInt(v.substr(0, colon), 0, 255, var) ||
                  !ParseInt(v.substr(colon + 1), 0, 1000000000, n))
                  return false;
              faults.writesBeforeRefusal[int(var)] = int(n);
              return true;
          },
          "VAR:N, a variable from 0 to 255 and a count"}},
    };
    const std::map<std::string, std::function<void()>> flags{
        {"--no-pacing", [&] { ecu.baud = 0; }},
        {"--boot-loader", [&] { ecu.startInBootLoader = true; }},
        {"--silent", [&] { faults.silent = true; }},
        {"--dead-line", [&] { faults.deadLine = true; }},
        {"--no-version-gates", [&] { ecu.versionGates = false; }},
        {"--eight-zone", [&] { ecu.eightZoneAdaptation = true; }},
        {"--no-map-b", [&] { ecu.mapB = false; }},
        {"--drive-cycle", [&] { ecu.engine.mode = DriveMode::DriveCycle; }},
        {"--engine-stopped",
         [&] {
             auto held = std::make_shared<HeldSensors>();
             held->period = 0;
             ecu.engine.held = held;
         }},
        {"--verbose", [&] { out.verbose = true; }},
        {"--help", [&] { out.help = true; }},
        {"-h", [&] { out.help = true; }},
    };

    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (auto flag = flags.find(name); flag != flags.end()) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            flag->second();
            continue;
        }
        auto option = withValue.find(name);
        if (option == withValue.end()) {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs " + option->second.second;
                return false;
            }
            value = args[++i];
        }
        if (!option->second.first(value)) {
            error = name + ": '" + value + "' is not " + option->second.second;
            return false;
        }
    }
    return true;
}

}  // namespace zov::sim
