#include "ProgrammingBackup.h"

namespace zov {

namespace {

using Problem = BackupOutcome::Problem;

BackupOutcome NotMade(Problem problem, std::string why) {
    BackupOutcome outcome;
    outcome.problem = problem;
    outcome.error = std::move(why);
    return outcome;
}

BackupOutcome PortFailed(const DeviceError& device) {
    BackupOutcome outcome = NotMade(Problem::Link, device.Text());
    outcome.device = device;
    return outcome;
}

}  // namespace

BackupOutcome ProgrammingBackup::Make(const ConfigurationBackup& backup) {
    if (!link_.IsConnected()) {
        if (!link_.OpenPort()) return PortFailed(link_.LastDeviceError());
        link_.Connect();
        if (link_.LastDeviceError()) return PortFailed(link_.LastDeviceError());
        // The port is sound and no program answers: a blank ECU, or one waiting in its boot loader.
        if (!link_.IsConnected()) return NotMade(Problem::Blank, kBlankEcu);
    }
    model_.ReadFromEcu();
    if (!link_.IsConnected())
        return NotMade(Problem::Link, "the ECU session was lost while its configuration was read");
    const std::vector<int> refused = model_.RefusedVariables();
    if (!refused.empty()) {
        BackupOutcome outcome =
            NotMade(Problem::Refused, "the ECU refused " + std::to_string(refused.size()) +
                                          (refused.size() == 1 ? " variable" : " variables") +
                                          " while its configuration was read: a backup "
                                          "would not be whole");
        outcome.refused = refused.size();
        return outcome;
    }
    BackupOutcome outcome;
    const PackResult saved = backup.Save(model_, outcome.path);
    outcome.made = saved.ok;
    outcome.problem = saved.ok ? Problem::None : Problem::File;
    outcome.error = saved.error;
    return outcome;
}

}  // namespace zov
