#include "StorePreview.h"

#include <algorithm>
#include <memory>

#include "AppContext.h"
#include "ConfigurationSnapshot.h"
#include "EditNumber.h"
#include "EditorFieldMap.h"
#include "EditorPageRules.h"

namespace zov {
namespace {

using F = EditorFieldMap;

// Where the copy's writes go: a link of its own that nothing ever connects.
struct Copy {
    explicit Copy(AppContext& ctx)
        : link(AppContext::kPortIndex, AppContext::kBaudIndex, ctx.opener, ctx.clock, prompter),
          configuration(link) {}
    DetachedConfiguration::NeverUpgrade prompter;
    ComInj link;
    DetachedConfiguration configuration;
};

double Shown(ConfCar& car, ConfParam& param, int field) {
    const EditorFieldMap fields(car, param);
    return F::IsDecimal(field) ? fields.ShownDecimal(field) : fields.Shown(field, car.TIPO_DI_SENSORE);
}

std::vector<StorePreview::FieldChange> FieldChanges(ConfCar& carBefore, ConfParam& paramBefore,
                                                    ConfCar& carAfter, ConfParam& paramAfter) {
    std::vector<StorePreview::FieldChange> changes;
    for (int field = 0; field < F::kFieldCount; ++field) {
        const double before = Shown(carBefore, paramBefore, field);
        const double after = Shown(carAfter, paramAfter, field);
        if (before != after) changes.push_back({field, before, after});
    }
    return changes;
}

// The listed fields' new values alone, as the editor would store them.
void StoreFields(ConfCar& car, ConfParam& param, const std::vector<StorePreview::FieldChange>& changes,
                 int sensorIndex) {
    EditorFieldMap fields(car, param);
    for (const StorePreview::FieldChange& c : changes) {
        if (F::IsDecimal(c.field))
            fields.StoreDecimal(c.field, c.after);
        else
            fields.Store(c.field, int32_t(c.after), sensorIndex);
    }
}

// The changes of `all` that `told` does not already say.
StorePreview::Changes Untold(const StorePreview::Changes& all, const StorePreview::Changes& told) {
    StorePreview::Changes rest;
    for (const ConfigurationDiff::Difference& d : all) {
        const bool said = std::any_of(told.begin(), told.end(), [&](const ConfigurationDiff::Difference& t) {
            return t.key == d.key && t.b == d.b;
        });
        if (!said) rest.push_back(d);
    }
    return rest;
}

std::string Value(int field, double value) {
    return F::IsDecimal(field) ? EditNumber::FormatDecimal(value) : EditNumber::FormatInt(int32_t(value));
}

}  // namespace

std::optional<StorePreview::Preview> StorePreview::Of(AppContext& ctx, const Edits& edits) {
    ConfigurationSnapshot before;
    std::vector<ConfigurationField> fieldsBefore, fieldsAfter, fieldsTold;
    if (!before.Take(ctx.model) || !ConfigurationFields::Of(before, fieldsBefore)) return std::nullopt;
    // The model objects are large.
    const auto copy = std::make_unique<Copy>(ctx);
    DetachedConfiguration& c = copy->configuration;
    if (before.PutInto(c.model)) return std::nullopt;
    edits(c.car, c.param);
    if (!ConfigurationFields::Of(c.model, fieldsAfter)) return std::nullopt;
    Preview preview;
    preview.fields = FieldChanges(ctx.car, ctx.param, c.car, c.param);
    const int sensorIndex = c.car.TIPO_DI_SENSORE;

    // The same copy with the fields' changes alone: what they account for is not said twice.
    if (before.PutInto(c.model)) return std::nullopt;
    c.car.TIPO_DI_SENSORE = sensorIndex;
    StoreFields(c.car, c.param, preview.fields, sensorIndex);
    if (!ConfigurationFields::Of(c.model, fieldsTold)) return std::nullopt;
    preview.others = Untold(ConfigurationDiff::Between(fieldsBefore, fieldsAfter),
                            ConfigurationDiff::Between(fieldsBefore, fieldsTold));
    return preview;
}

std::string StorePreview::Line(const FieldChange& change, const Texts& texts) {
    const std::string unit = texts.unit ? texts.unit(change.field) : std::string();
    std::string line = (texts.caption ? texts.caption(change.field) : std::string()) + ": " +
                       Value(change.field, change.before) + " -> " + Value(change.field, change.after);
    if (!unit.empty()) line += " " + unit;
    // A cut-off end speed above the limit is the cut-off type "none": the store writes the speed
    // that type stands for even where the installer typed nothing.
    if (change.field == F::kGiriUCF && change.after > EditorPageRules::kCutoffOffRpm &&
        !texts.cutoffOff.empty())
        line += " " + texts.cutoffOff;
    return line;
}

std::string StorePreview::Lines(const Preview& preview, const Texts& texts, size_t maxLines) {
    std::vector<std::string> lines;
    for (const FieldChange& change : preview.fields) lines.push_back(Line(change, texts));
    for (const ConfigurationDiff::Difference& d : preview.others)
        lines.push_back(d.key + ": " + d.a + " -> " + d.b);
    std::string text;
    const size_t shown = std::min(lines.size(), maxLines);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += "\n";
        text += lines[i];
    }
    if (lines.size() > shown) text += "\n(+" + std::to_string(lines.size() - shown) + ")";
    return text;
}

}  // namespace zov
