#include "ZovctlUpdate.h"

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "ArchiveUpdate.h"
#include "HttpsFetcher.h"
#include "InternetUpdate.h"
#include "TemporaryFiles.h"
#include "UpdateKeys.h"

namespace zov {

namespace {

std::string Relative(const std::string& path, const std::filesystem::path& runtime) {
    return std::filesystem::path(path).lexically_normal().lexically_relative(runtime).string();
}

constexpr const char* kUsage =
    "usage: update FOLDER | update --manifest ROOT | update --url URL [--ca FILE] [--key PUBLIC.key]";
constexpr const char* kDownloadFolder = "/aggiornamento";

// COPIED for each installed file, followed by REMOVED for each older version it replaced.
void PrintOutcome(const UpdatePlan& plan, const UpdateOutcome& outcome, const std::filesystem::path& runtime,
                  std::FILE* out) {
    for (size_t i = 0; i < outcome.copied.size(); ++i) {
        std::fprintf(out, "COPIED %s\n", Relative(outcome.copied[i], runtime).c_str());
        for (const std::string& old : plan.files[i].replaces)
            if (std::find(outcome.removed.begin(), outcome.removed.end(), old) != outcome.removed.end())
                std::fprintf(out, "REMOVED %s\n", Relative(old, runtime).c_str());
    }
}

struct UrlArguments {
    std::string url;
    std::string caFile;
    std::string keyFile;
};

std::optional<UrlArguments> ParseUrlArguments(const std::vector<std::string>& args) {
    UrlArguments parsed;
    for (size_t i = 1; i + 1 < args.size(); i += 2) {
        std::string* value = args[i] == "--url"   ? &parsed.url
                             : args[i] == "--ca"  ? &parsed.caFile
                             : args[i] == "--key" ? &parsed.keyFile
                                                  : nullptr;
        if (value == nullptr || !value->empty()) return std::nullopt;
        *value = args[i + 1];
    }
    if (args.size() % 2 == 0 || parsed.url.empty()) return std::nullopt;
    return parsed;
}

// The trusted keys of the runtime directory's data, with one more from `keyFile` when given.
std::optional<std::vector<std::string>> TrustedKeys(const std::string& runtime, const std::string& keyFile,
                                                    std::string& error) {
    std::vector<std::string> keys;
    const std::string trusted = runtime + "/" + UpdateKeys::kTrustedFile;
    std::error_code ec;
    if (std::filesystem::exists(trusted, ec)) {
        const auto listed = UpdateKeys::ReadPublic(trusted, error);
        if (!listed) return std::nullopt;
        keys = *listed;
    }
    if (!keyFile.empty()) {
        const auto extra = UpdateKeys::ReadPublic(keyFile, error);
        if (!extra) return std::nullopt;
        keys.insert(keys.end(), extra->begin(), extra->end());
    }
    return keys;
}

int UpdateFromUrl(const UrlArguments& url, const std::filesystem::path& runtime, std::FILE* out,
                  std::string& error) {
    // Qt Network runs its transfers through the application object.
    static int argc = 1;
    static char name[] = "zovctl";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

    const std::optional<std::vector<std::string>> keys = TrustedKeys(runtime.string(), url.keyFile, error);
    if (!keys) return 4;
    HttpsFetcher fetcher(url.url, url.caFile);
    if (!fetcher.Error().empty()) {
        error = fetcher.Error();
        return 4;
    }
    const InternetUpdate update({runtime.string(), *keys, PrivateTemporaryFolder() + kDownloadFolder},
                                fetcher);
    const PreparedUpdate prepared = update.Prepare();
    if (!prepared.plan.error.empty()) {
        error = prepared.plan.error + "; nothing was downloaded";
        return 4;
    }
    if (prepared.plan.files.empty()) return 0;
    if (const UpdateOutcome downloaded = update.Download(prepared); !downloaded.error.empty()) {
        error = downloaded.error + "; nothing was installed";
        return 4;
    }
    const UpdateOutcome outcome = update.Install(prepared);
    PrintOutcome(prepared.plan, outcome, runtime, out);
    error = outcome.error;
    return error.empty() ? 0 : 4;
}

}  // namespace

int RunUpdate(const std::vector<std::string>& args, const std::string& runtimeDirectory, std::FILE* out,
              std::string& error) {
    const std::filesystem::path runtime = std::filesystem::path(runtimeDirectory).lexically_normal();
    if (args.size() > 1 && args[1] == "--url") {
        const std::optional<UrlArguments> url = ParseUrlArguments(args);
        if (!url) {
            error = kUsage;
            return 2;
        }
        return UpdateFromUrl(*url, runtime, out, error);
    }
    const bool manifest = args.size() == 3 && args[1] == "--manifest";
    if (!manifest && (args.size() != 2 || args[1].rfind("--", 0) == 0)) {
        error = kUsage;
        return 2;
    }
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
    PrintOutcome(plan, outcome, runtime, out);
    if (!outcome.error.empty()) {
        error = outcome.error;
        return 4;
    }
    return 0;
}

}  // namespace zov
