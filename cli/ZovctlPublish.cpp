#include "ZovctlPublish.h"

#include <ctime>
#include <optional>

#include "UpdateKeys.h"
#include "UpdatePublisher.h"

namespace zov {

int RunPublish(const std::vector<std::string>& args, const std::string&, std::FILE* out, std::string& error) {
    if (args.size() != 5 || args[3] != "--key") {
        error = "usage: publish FOLDER OUT --key SECRET.key";
        return 2;
    }
    const std::optional<std::string> secret = UpdateKeys::ReadSecret(args[4], error);
    if (!secret) return 4;
    const UpdatePublisher::Result result =
        UpdatePublisher::Publish(args[1], args[2], *secret, std::time(nullptr));
    if (!result.error.empty()) {
        error = result.error;
        return 4;
    }
    std::fprintf(out, "SEQUENCE=%llu\nFILES=%zu\n", static_cast<unsigned long long>(result.index.sequence),
                 result.index.files.size());
    return 0;
}

int RunKeygen(const std::vector<std::string>& args, const std::string&, std::FILE*, std::string& error) {
    if (args.size() != 3) {
        error = "usage: keygen PUBLIC.key SECRET.key";
        return 2;
    }
    error = UpdateKeys::WriteNewPair(args[1], args[2]);
    return error.empty() ? 0 : 4;
}

}  // namespace zov
