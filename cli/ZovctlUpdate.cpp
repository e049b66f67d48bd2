#include "ZovctlUpdate.h"

#include <algorithm>
#include <filesystem>

#include "ArchiveUpdate.h"

namespace zov {

namespace {

std::string Relative(const std::string& path, const std::filesystem::path& runtime) {
    return std::filesystem::path(path).lexically_normal().lexically_relative(runtime).string();
}

}  // namespace

int RunUpdate(const std::vector<std::string>& args, const std::string& runtimeDirectory, std::FILE* out,
              std::string& error) {
    const bool manifest = args.size() == 3 && args[1] == "--manifest";
    if (!manifest && (args.size() != 2 || args[1].rfind("--", 0) == 0)) {
        error = "usage: update FOLDER | update --manifest ROOT";
        return 2;
    }
    const std::filesystem::path runtime = std::filesystem::path(runtimeDirectory).lexically_normal();
    const ArchiveUpdate update(
        {(runtime / "Schede").string(), (runtime / "Vetture").string(), (runtime / "Map").string()});
    UpdatePlan plan;
    std::error_code ec;
    if (manifest) {
        plan = update.ReadManifest(args[2]);
    } else if (std::filesystem::is_directory(args[1] + "/ZOV", ec)) {
        plan = update.ScanMedium(args[1] + "/ZOV");
    } else {
        error = "no ZOV folder in " + args[1];
        return 4;
    }
    if (!plan.error.empty()) {
        error = plan.error + "; nothing was copied";
        return 4;
    }
    const UpdateOutcome outcome = update.Copy(plan);
    for (size_t i = 0; i < outcome.copied.size(); ++i) {
        std::fprintf(out, "COPIED %s\n", Relative(outcome.copied[i], runtime).c_str());
        for (const std::string& old : plan.files[i].replaces)
            if (std::find(outcome.removed.begin(), outcome.removed.end(), old) != outcome.removed.end())
                std::fprintf(out, "REMOVED %s\n", Relative(old, runtime).c_str());
    }
    if (!outcome.error.empty()) {
        error = outcome.error;
        return 4;
    }
    return 0;
}

}  // namespace zov
