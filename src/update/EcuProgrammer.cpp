#include "EcuProgrammer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "EcuWorkLock.h"
#include "Packaging.h"
#include "ProgrammingBackup.h"

namespace zov {
namespace fs = std::filesystem;

namespace {

// Built-in Italian texts, Windows-1252 (0xE8 e grave, 0xF2 o grave).
const std::map<std::string, std::string, std::less<>>& BuiltInTexts() {
    static const std::map<std::string, std::string, std::less<>> texts{
        {"MessTogliRidai", "Togliere e ridare i 12V Batteria: la centralina pu\xF2 essere programmata"},
        {"MessErrSer", "Errore sulla comunicazione seriale"},
        {"MessCheckSer", "Controllare i collegamenti e la presenza dei 12V sottochiave."},
        {"MessErrSinc", "Sincronizz. errata: togliere e ridare i 12V e riprovare entro 10 s"},
        {"MessNoProg", "Questa centralina non pu\xF2 essere programmata."},
        {"MessVLow", "Tensione di alimentazione insufficiente"},
        {"MessErrProg", "Programmazione centralina fallita!"},
        {"MessResetProg", "Fine programmazione non confermata: togliere e ridare i 12V"},
        {"MessNoConn", "Centralina non connessa: eseguire prima la connessione."},
        {"MessAggiornaCpu", "Scrittura dei dati in centralina in corso..."},
        {"FinestraScaricaDati", "Aggiornamento software centralina"},
        {"MessCompletato", "completato"},
        {"MessNoFileAggiorna", "Software standard non trovato nella cartella Map."},
        {"MessBadFileAggiorna", "Il file del software standard non \xE8 valido."},
        {"MessAggiornareCpu", "Riprogrammare la centralina con il software standard?"},
        {"MessTentareAggiorna", "La centralina non risponde: tentare la programmazione?"},
        {"MessAttesaScarica", "Programmazione in corso: non scollegare la centralina"},
        {"FinestraProgS19", "Programmazione centralina"},
        {"MessProgFallita", "Programmazione fallita. Riprovare?"},
        {"MessConnFallita", "Connessione fallita: controllare il collegamento"},
        {"MessErrSalvaConf", "Impossibile salvare il file di configurazione."},
        {"MessErrCaricaConf", "Impossibile caricare il file di configurazione."},
        {"MessCheckRight", "Verificare il file e i permessi della cartella."},
        {"MessFileProgNonValido",
         "Il file di programmazione non \xE8 valido: la centralina non \xE8 stata toccata."},
        {"MessProgLineaPersa", "Collegamento con la centralina perso."},
        {"MessProgNoRisposta", "La centralina non risponde."},
        {"MessProgRispErrata", "Risposta errata dalla centralina."},
        {"MessProgRifiutata", "La centralina ha rifiutato la programmazione."},
        {"MessCpuInalterata", "La centralina non \xE8 stata modificata."},
        {"MessCpuProgIntatto", "Programma invariato: togliere e ridare i 12V per riavviarlo."},
        {"MessCpuForseVuota", "La centralina potrebbe essere vuota: programmarla di nuovo."},
        {"MessNoBackup", "Impossibile salvare la configurazione della centralina:"},
        {"MessProgSenzaBackup", "Programmare comunque, senza backup?"},
        {"MessBackupCpuVuota", "Solo il boot loader risponde: nessuna configurazione da salvare."},
        {"MessBackupLineaPersa", "Collegamento perso durante la lettura della configurazione."},
        {"MessBackupIncompleto", "La centralina ha rifiutato %1 valori: il backup sarebbe incompleto."},
        {"MessBackupFile", "Impossibile scrivere il file di backup:"},
        {"MessCpuVuota", "Centralina vuota, attende nel boot loader: programmarla di nuovo."},
    };
    return texts;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Runs `f` on every way out of a scope.
template <typename F>
class ScopeExit {
  public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    F f_;
};

}  // namespace

std::string UpdateTexts::operator()(const char* id) const {
    if (lookup_) {
        std::string text = lookup_(id);
        if (!text.empty()) return text;
    }
    return BuiltIn(id);
}

std::string UpdateTexts::BuiltIn(const char* id) {
    const auto& texts = BuiltInTexts();
    const auto it = texts.find(std::string_view(id));
    return it == texts.end() ? std::string() : it->second;
}

EcuProgrammer::EcuProgrammer(ComInj& link, ConfigurationModel& model, ProgrammingHost& host,
                             Prompter& prompter, Clock& clock, std::string mapPath, UpdateTexts texts)
    : link_(link),
      model_(model),
      host_(host),
      prompter_(prompter),
      clock_(clock),
      mapPath_(std::move(mapPath)),
      texts_(std::move(texts)) {}

void EcuProgrammer::Show(const std::string& text, PromptIcon icon) {
    prompter_.Ask(text, link_.AppTitle(), icon, PromptButtons::Ok);
}

PromptAnswer EcuProgrammer::Ask(const std::string& text) {
    return prompter_.Ask(text, link_.AppTitle(), PromptIcon::Warning, PromptButtons::YesNo);
}

std::vector<std::string> EcuProgrammer::EnterTexts() const {
    if (!texts_.HasDictionary()) return {};
    return {texts_("MessTogliRidai"), texts_("MessErrSer") + "\n" + texts_("MessCheckSer"),
            texts_("MessErrSinc")};
}

std::vector<std::string> EcuProgrammer::StepTexts() const {
    if (!texts_.HasDictionary()) return {};
    return {texts_("MessErrSer"), texts_("MessVLow"), texts_("MessErrProg")};
}

const char* EcuProgrammer::ReasonTextId(boot::Failure reason) {
    switch (reason) {
        case boot::Failure::None:
            return nullptr;
        case boot::Failure::LineLost:
            return "MessProgLineaPersa";
        case boot::Failure::NoAnswer:
            return "MessProgNoRisposta";
        case boot::Failure::WrongAnswer:
            return "MessProgRispErrata";
        case boot::Failure::LowSupply:
            return "MessVLow";
        case boot::Failure::Refused:
            return "MessProgRifiutata";
        case boot::Failure::TooOld:
            return "MessNoProg";
    }
    return nullptr;
}

const char* EcuProgrammer::StateTextId(EcuAfterFailure ecu) {
    switch (ecu) {
        case EcuAfterFailure::Unchanged:
            return "MessCpuInalterata";
        case EcuAfterFailure::ProgramKept:
            return "MessCpuProgIntatto";
        case EcuAfterFailure::MaybeBlank:
            return "MessCpuForseVuota";
        case EcuAfterFailure::Blank:
            return "MessCpuVuota";
    }
    return "MessCpuInalterata";
}

std::string EcuProgrammer::FailureText() const {
    const char* reason = ReasonTextId(lastFailure.reason);
    return (reason ? texts_(reason) + "\n" : std::string()) + texts_(StateTextId(lastFailure.ecu));
}

bool EcuProgrammer::Failed(boot::Failure reason, EcuAfterFailure ecu) {
    lastFailure = {reason, ecu};
    return false;
}

bool EcuProgrammer::ProgramEcuFile(const std::string& path) {
    lastFailure = {};
    host_.SetProgress(0, true);
    FirmwareImage image;
    const FirmwareCheck check = LoadPackedFirmware(path, image);
    if (!check) {
        lastError = check.error;
        Show(texts_("MessFileProgNonValido") + "\n" + check.error, PromptIcon::Error);
        retryCounter = 3;
        return false;
    }
    return ProgramFirmware(image);
}

bool EcuProgrammer::ProgramFirmware(const FirmwareImage& image) {
    // No archive update of the runtime directory runs meanwhile; one installing is waited for.
    const EcuWorkLock working(EcuWorkLock::Kind::Shared, EcuWorkLock::RuntimeOfMapFolder(mapPath_));
    lastFailure = {};
    host_.SetProgress(0, true);
    host_.SetSmooth(true);
    // Whatever happens, the link is left in byte mode and the bar stepped.
    ScopeExit restore([this] {
        link_.SetByteMode();
        host_.SetSmooth(false);
    });
    if (image.SentCount() == 0 || image.textLength == 0) {
        retryCounter = 3;
        return Failed(boot::Failure::None, EcuAfterFailure::Unchanged);
    }

    host_.SetProgress(1, true);
    link_.SetByteMode();
    if (!link_.EnterBootMode(ComInj::kBootRequestCode, EnterTexts())) {
        retryCounter = 3;
        return Failed(link_.LastBootFailure(), EcuAfterFailure::Unchanged);
    }
    if (const int version = link_.QueryBootLoader(); version <= 2) {
        Show(texts_("MessNoProg"), PromptIcon::Error);
        retryCounter = 3;
        return Failed(version > 0 ? boot::Failure::TooOld : link_.LastBootFailure(),
                      EcuAfterFailure::ProgramKept);
    }
    if (!link_.EraseFlash(StepTexts())) {
        retryCounter = 3;
        // The boot loader says so when it did not erase; after a lost or garbled answer nobody knows.
        const boot::Failure reason = link_.LastBootFailure();
        const bool kept = reason == boot::Failure::LowSupply || reason == boot::Failure::Refused;
        return Failed(reason, kept ? EcuAfterFailure::ProgramKept : EcuAfterFailure::MaybeBlank);
    }
    if (!link_.StartProgramming(StepTexts())) return Failed(link_.LastBootFailure(), EcuAfterFailure::Blank);

    host_.SetProgress(2, true);
    clock_.SleepMs(kBlockModePauseMs);
    link_.SetBlockMode();
    for (const SRecordLine& record : image.records) {
        if (record.type != '0' && !link_.SendSRecord(record.text))
            return Failed(link_.LastBootFailure(), EcuAfterFailure::Blank);
        // The records start behind the header lines: the bar never goes back below the 2 % of the
        // preparation.
        const int percent =
            std::max(2, int(std::lround(double(record.endOffset) * 100.0 / double(image.textLength))));
        host_.SetProgress(percent, true);
        host_.Repaint();
    }
    host_.SetSmooth(false);
    if (!link_.EndProgramming()) {
        Show(texts_("MessResetProg"), PromptIcon::Warning);
        return Failed(link_.LastBootFailure(), EcuAfterFailure::MaybeBlank);
    }
    return true;
}

StandardSoftware EcuProgrammer::FindStandardSoftware(const std::string& mapPath, int fuel) {
    StandardSoftware found;
    const std::string folder = fuel ? "metano" : "gpl";
    const std::string prefix = fuel ? "standardcng_" : "standardgpl_";
    std::error_code ec;
    // Names are matched ignoring letter case, as on the system the files come from.
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(mapPath, ec), end; !ec && it != end; it.increment(ec))
        if (Lower(it->path().filename().string()) == folder && it->is_directory(ec))
            folders.push_back(it->path());
    std::vector<fs::path> candidates;
    for (const fs::path& dir : folders) {
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = Lower(it->path().filename().string());
            const bool matches = name.size() == prefix.size() + 7 &&
                                 name.compare(0, prefix.size(), prefix) == 0 &&
                                 name.compare(name.size() - 4, 4, ".zov") == 0;
            if (matches && it->is_regular_file(ec)) candidates.push_back(it->path());
        }
    }
    std::sort(candidates.begin(), candidates.end());
    for (const fs::path& p : candidates) {
        ++found.files;
        const std::string name = p.filename().string();
        // The three characters after the first "_", read as hexadecimal as far as they are.
        const std::string digits = name.substr(name.find('_') + 1, 3);
        const int version = int(std::strtol(digits.c_str(), nullptr, 16));
        if (found.path.empty() || version > found.version) {
            found.version = version;
            found.path = p.string();
            found.name = name;
        }
    }
    return found;
}

bool EcuProgrammer::CarryConfiguration(const ConfigurationModel::DefinitionFiles& files) {
    ConfCar& car = model_.Car();
    host_.SetProgress(0, true);
    car.ReadFromEcu();
    host_.SetProgress(10, false);
    // As loading a configuration: taken whole, or nothing of it reaches the ECU.
    const bool sound = model_.TakeDefinitionFiles(files).Loaded();
    host_.SetProgress(60, false);
    car.ReadFromEcu();
    car.ReadAdaptation();
    host_.SetProgress(20, false);
    std::fill(std::begin(car.PASSI_FATTI_INSTALLATORE), std::end(car.PASSI_FATTI_INSTALLATORE), 0);
    std::fill(car.PASSI_FATTI_AUTOMATICI, car.PASSI_FATTI_AUTOMATICI + 4, 0);
    // What the new program refuses is in the model's refusal log.
    (void)car.WriteAdaptation();
    host_.SetProgress(10, false);
    return sound;
}

bool EcuProgrammer::BackUpFirst() {
    lastBackupPath.clear();
    if (!backup_) return true;
    const BackupOutcome outcome = ProgrammingBackup(link_, model_).Make(*backup_);
    if (outcome.made) {
        lastBackupPath = outcome.path;
        host_.BackupMade(outcome.path);
        return true;
    }
    return host_.ProgramWithoutBackup(texts_("MessNoBackup") + "\n" + BackupFailure(outcome) + "\n" +
                                      texts_("MessProgSenzaBackup"));
}

std::string EcuProgrammer::BackupFailure(const BackupOutcome& outcome) const {
    using Problem = BackupOutcome::Problem;
    switch (outcome.problem) {
        case Problem::Link:
            if (outcome.device) return outcome.device.Text(texts_(outcome.device.Line().identifier));
            return texts_("MessBackupLineaPersa");
        case Problem::Blank:
            return texts_("MessBackupCpuVuota");
        case Problem::Refused: {
            std::string text = texts_("MessBackupIncompleto");
            const size_t at = text.find("%1");
            if (at != std::string::npos) text.replace(at, 2, std::to_string(outcome.refused));
            return text;
        }
        case Problem::File:
            // The system's reason names the file and what stopped it; it has no translation.
            return texts_("MessBackupFile") + "\n" + outcome.error;
        case Problem::None:
            break;
    }
    return outcome.error;
}

bool EcuProgrammer::UpdateStandardSoftware(bool keepConfiguration, int fuel) {
    if (keepConfiguration && !link_.IsConnected()) {
        Show(texts_("MessNoConn"), PromptIcon::Error);
        return false;
    }
    host_.SetBusy(true);
    bool open = false;
    // The texts go in before the window shows, so it never opens with a text of an earlier run.
    auto openProgress = [&] {
        host_.SetLabel(texts_("MessAggiornaCpu"));
        host_.SetCaption(texts_("FinestraScaricaDati"));
        host_.SetCompletion(texts_("MessCompletato"));
        host_.Open();
        open = true;
    };
    auto closeProgress = [&] {
        if (open) host_.Close();
        open = false;
    };
    openProgress();
    ScopeExit done([&] {
        closeProgress();
        host_.SetBusy(false);
    });

    // The configuration travels across the reprogramming in three temporary definition files.
    std::unique_ptr<TemporaryFile> saved[3];
    ConfigurationModel::DefinitionFiles files;
    if (keepConfiguration) {
        for (auto& f : saved) f = std::make_unique<TemporaryFile>("_ic");
        files = {saved[0]->Path(), saved[1]->Path(), saved[2]->Path()};
        const bool created = saved[0]->Created() && saved[1]->Created() && saved[2]->Created();
        if (!created || !model_.WriteDefinitionFiles(files)) {
            // Reprogramming now would lose the configuration the user asked to keep.
            Show(texts_("MessErrSalvaConf") + "\n" + texts_("MessCheckRight"), PromptIcon::Error);
            return false;
        }
    }

    const StandardSoftware software = FindStandardSoftware(mapPath_, fuel);
    if (software.files == 0) {
        Show(texts_("MessNoFileAggiorna"), PromptIcon::Error);
        return false;
    }
    if (software.version == 0) {
        Show(texts_("MessBadFileAggiorna"), PromptIcon::Error);
        return false;
    }

    bool programmed = false;
    if (!keepConfiguration || !link_.IsConnected() || model_.Car().VERSIONE_CENTRALINA < software.version) {
        // The file is checked whole before the question, so a bad one never reaches the ECU.
        FirmwareImage image;
        const FirmwareCheck check = LoadPackedFirmware(software.path, image);
        if (!check) {
            lastError = check.error;
            Show(texts_("MessBadFileAggiorna") + "\n" + check.error, PromptIcon::Error);
            return false;
        }
        // The question stands alone: a progress window behind it saying the ECU is being written
        // would tell the installer the work had started before the answer.
        closeProgress();
        if (Ask(texts_(link_.IsConnected() ? "MessAggiornareCpu" : "MessTentareAggiorna")) !=
            PromptAnswer::Yes)
            return false;
        openProgress();
        if (!BackUpFirst()) return false;
        host_.SetLabel(texts_("MessAttesaScarica"));
        host_.SetCaption(texts_("FinestraProgS19") + " standard v. " + std::to_string(software.version));

        retryCounter = 0;
        while (!ProgramFirmware(image)) {
            link_.Disconnect();
            // The question is asked only when a Yes can still lead to another attempt.
            if (retryCounter < kAttempts - 1 &&
                Ask(FailureText() + "\n" + texts_("MessProgFallita")) == PromptAnswer::No)
                retryCounter = 3;
            ++retryCounter;
            if (retryCounter >= kAttempts) break;
        }
        link_.SetByteMode();
        if (retryCounter >= kAttempts) {
            Show(texts_("MessErrProg") + "\n" + FailureText(), PromptIcon::Error);
            return false;
        }
        programmed = true;

        // The ECU starts its new program meanwhile.
        link_.Disconnect();
        link_.ClosePort();
        for (int step = 1; step <= kRestartSteps; ++step) {
            clock_.SleepMs(kRestartStepMs);
            host_.SetProgress(step, true);
            host_.Repaint();
        }
    }

    if (keepConfiguration && programmed) {
        if (!link_.Connect()) {
            Show(texts_("MessConnFallita"), PromptIcon::Error);
            return false;
        }
        if (!CarryConfiguration(files)) {
            Show(texts_("MessErrCaricaConf") + "\n" + texts_("MessCheckRight"), PromptIcon::Error);
            return false;
        }
    }

    closeProgress();
    if (!keepConfiguration) {
        host_.ConnectInteractiveOff();
        if (!link_.IsConnected()) {
            Show(texts_("MessConnFallita"), PromptIcon::Error);
            return false;
        }
    }
    return true;
}

}  // namespace zov
