#include "WriteUndo.h"

namespace zov {

bool WriteUndo::Remember(ConfigurationModel& model, unsigned parts) {
    parts_ = parts;
    generation_ = model.Generation();
    return snapshot_.Take(model);
}

DefinitionReadError WriteUndo::Undo(ConfigurationModel& model, const ConfigurationModel::Progress& advance) {
    const auto step = [&](int percent) {
        if (advance) advance(percent);
    };
    if (!Available(model)) return {"no earlier state of this configuration is held", {}};
    const DefinitionReadError error = snapshot_.PutInto(model);
    if (error) return error;
    step(10);
    model.ClearRefusedWrites();
    WriteOutcome sent = WriteOutcome::Answered;
    if (parts_ & kVehicle) {
        sent = model.Car().WriteToEcu();
        sent = Worse(sent, model.Car().WriteAdaptation());
        step(30);
        sent = Worse(sent, model.Param().WriteDefinitionToEcu());
    }
    step(30);
    if (parts_ & kMap) {
        // The map's own rows and columns first, so the cells land where they were.
        for (int var : {111, 105, 50}) sent = Worse(sent, model.Map().WriteToEcu(var));
    }
    step(30);
    // What the ECU refused keeps the stored value: the undo is not done, and stays for a retry.
    if (sent == WriteOutcome::Refused) {
        std::string refused;
        for (const std::string& line : RefusalLines(model.RefusedWrites())) refused += "\n" + line;
        return {"the ECU refused" + refused, {}};
    }
    Forget();
    return {};
}

void WriteUndo::Forget() {
    snapshot_.Drop();
    parts_ = 0;
}

}  // namespace zov
