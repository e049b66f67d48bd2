// mkfirmware: writes synthetic ECU programs, packed as the standard software the programming
// installs, or as plain S-records.
//
//   mkfirmware [--version N] [--fuel gpl|metano] [--name TEXT] [--model TEXT] [--size BYTES]
//              [--record-bytes N] [--s19] OUT
//   mkfirmware --standard MAPDIR VERSION...   (versions in hex: MAPDIR/GPL/StandardGpl_0C8.zov and
//                                             MAPDIR/Metano/StandardCng_0C8.zov for each)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "FirmwareSample.h"
#include "Packaging.h"

namespace {

int Usage(const char* why) {
    std::fprintf(
        stderr,
        "mkfirmware: %s\n"
        "usage: mkfirmware [--version N] [--fuel gpl|metano] [--name TEXT] [--model TEXT] [--size BYTES]\n"
        "                  [--record-bytes N] [--s19] OUT\n"
        "       mkfirmware --standard MAPDIR VERSION...\n",
        why);
    return 2;
}

bool Number(const std::string& text, int base, long min, long max, long& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

bool Write(const std::string& path, const std::string& content) {
    const zov::PackResult r = zov::WriteFileAtomically(path, content);
    if (!r) std::fprintf(stderr, "mkfirmware: %s\n", r.error.c_str());
    return r.ok;
}

int Standard(const std::string& mapDir, const std::vector<std::string>& versions) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char* folder : {"GPL", "Metano"}) fs::create_directories(fs::path(mapDir) / folder, ec);
    for (const std::string& text : versions) {
        long version = 0;
        if (!Number(text, 16, 1, 0xFFF, version)) return Usage(("bad version '" + text + "'").c_str());
        for (int fuel : {0, 1}) {
            zov::SampleFirmware f;
            f.version = int(version);
            f.fuel = fuel;
            const fs::path out =
                fs::path(mapDir) / (fuel ? "Metano" : "GPL") / zov::StandardFileName(fuel, f.version);
            if (!Write(out.string(), zov::SampleEcuFile(f))) return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--standard") {
        if (args.size() < 3) return Usage("--standard needs a folder and at least one version");
        return Standard(args[1], {args.begin() + 2, args.end()});
    }
    zov::SampleFirmware f;
    bool plain = false;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        long n = 0;
        if (a == "--s19") {
            plain = true;
        } else if (a == "--version" || a == "--size" || a == "--record-bytes") {
            const std::string* v = value();
            const long flashBytes = long(zov::boot::kFlashEnd - zov::boot::kProgramStart);
            const long max = a == "--version" ? 0xFFFF : a == "--size" ? flashBytes : 123;
            if (!v || !Number(*v, 0, 1, max, n)) return Usage(("bad value for " + a).c_str());
            if (a == "--version") f.version = int(n);
            if (a == "--size") f.programBytes = size_t(n);
            if (a == "--record-bytes") f.recordBytes = size_t(n);
        } else if (a == "--fuel") {
            const std::string* v = value();
            if (!v || (*v != "gpl" && *v != "metano")) return Usage("--fuel takes gpl or metano");
            f.fuel = *v == "metano";
        } else if (a == "--name" || a == "--model") {
            const std::string* v = value();
            if (!v || v->size() > 40) return Usage((a + " takes a text of at most 40 characters").c_str());
            (a == "--name" ? f.programName : f.model) = *v;
        } else if (!a.empty() && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else if (out.empty()) {
            out = a;
        } else {
            return Usage("more than one output file");
        }
    }
    if (out.empty()) return Usage("no output file");
    return Write(out, plain ? zov::SampleSRecords(f) : zov::SampleEcuFile(f)) ? 0 : 1;
}
