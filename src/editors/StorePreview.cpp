#include "StorePreview.h"

#include <memory>

#include "AppContext.h"
#include "ConfigurationSnapshot.h"

namespace zov {
namespace {

// Where the copy's writes go: a link of its own that nothing ever connects.
struct Copy {
    explicit Copy(AppContext& ctx)
        : link(AppContext::kPortIndex, AppContext::kBaudIndex, ctx.opener, ctx.clock, prompter),
          configuration(link) {}
    DetachedConfiguration::NeverUpgrade prompter;
    ComInj link;
    DetachedConfiguration configuration;
};

}  // namespace

std::optional<StorePreview::Changes> StorePreview::Of(AppContext& ctx, const Edits& edits) {
    ConfigurationSnapshot before;
    std::vector<ConfigurationField> fieldsBefore, fieldsAfter;
    if (!before.Take(ctx.model) || !ConfigurationFields::Of(before, fieldsBefore)) return std::nullopt;
    // The model objects are large.
    const auto copy = std::make_unique<Copy>(ctx);
    if (before.PutInto(copy->configuration.model)) return std::nullopt;
    edits(copy->configuration.car, copy->configuration.param);
    if (!ConfigurationFields::Of(copy->configuration.model, fieldsAfter)) return std::nullopt;
    return ConfigurationDiff::Between(fieldsBefore, fieldsAfter);
}

std::string StorePreview::Lines(const Changes& changes, size_t maxLines) {
    std::string text;
    const size_t shown = std::min(changes.size(), maxLines);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += "\n";
        text += changes[i].key + ": " + changes[i].a + " -> " + changes[i].b;
    }
    if (changes.size() > shown) text += "\n(+" + std::to_string(changes.size() - shown) + ")";
    return text;
}

}  // namespace zov
