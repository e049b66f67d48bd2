#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "AppContext.h"
#include "ArchiveUpdate.h"

class QLabel;
class QPushButton;

namespace zov {

class TFormCopia;
class TModuloLingua;

// What the vehicle archive hands the update window.
struct UpdateWindowInputs {
    std::string cardsDir;
    std::string carsDir;
    std::string mapDir;
    std::string internetId;  // carried; the caller stores them back after the window closes
    std::string internetPw;
    std::string sourceFolderName = "ZOV";  // the update folder, and the manifest's name + ".txt"
    std::string ftpAccount = "quembra";
    std::string ftpHost;
    // The update over the internet: the runtime directory it installs into (its
    // ChiaviAggiornamento.txt holds the trusted publishers), the publication's https:// address
    // (empty: the button says where to set it), an optional CA file, and the private folder
    // where downloads wait (empty: the one under PrivateTemporaryFolder()).
    std::string runtimeDirectory;
    std::string updateUrl;
    std::string caFile;
    std::string downloadFolder;
    // Where the program finds an optical disc, a mounted volume holding the manifest and a
    // folder the installer chooses; tests hand in their own. Empty: none.
    std::function<std::string()> findDisc;
    std::function<std::string()> findManifestVolume;
    std::function<std::string(QWidget* parent)> chooseFolder;
};

// "Aggiorna Archivio...": copies the newer vehicle files, instruction sheets and standard
// software from a CD, a chosen folder or a floppy-style manifest. Esc closes it; an update that
// ran closes it too.
class TFormAggiorna : public QDialog {
    Q_OBJECT

  public:
    TFormAggiorna(AppContext& ctx, TModuloLingua& dictionary, UpdateWindowInputs inputs,
                  QWidget* parent = nullptr);
    ~TFormAggiorna() override;

    // The mounted optical disc's root, or empty.
    static std::string OpticalDiscRoot();
    // The root of the first mounted volume (not the system's own) that holds `manifestName`.
    static std::string ManifestVolumeRoot(const std::string& manifestName);
    static std::string BrowseFolder(QWidget* parent);

    void ButtonDiscoClick();
    void ButtonSfogliaClick();
    void ButtonFloppyClick();
    void ButtonInternetClick();

    const std::string& SourceRoot() const { return sourceRoot_; }
    const UpdateWindowInputs& Inputs() const { return inputs_; }
    bool Localized() const { return localized_; }

    QLabel* LabelAggiorna;
    QPushButton* ButtonInternet;
    QPushButton* ButtonDisco;
    QPushButton* ButtonFloppy;
    QPushButton* ButtonSfoglia;

  signals:
    // The copy window of an update has opened.
    void CopyWindowOpened(TFormCopia* window);

  private:
    bool Localize();
    QString Text(const char* id) const;
    std::string Caption() const;
    bool WaitForMedium(const std::function<bool()>& present, const char* question);
    void UpdateFromFolder(const std::string& root);
    void UpdateFromManifest(const std::string& root);
    void ShowCopyWindow(TFormCopia& copy);
    void Run(const std::function<UpdatePlan(const ArchiveUpdate::ListedFn&)>& plan);
    void Tell(const QString& text, PromptIcon icon);
    // The closing message of an update that was planned as `found` and ended as `outcome`.
    void Report(const UpdatePlan& found, const UpdateOutcome& outcome);
    // The update from the publication; false with the reason when it cannot even start.
    bool RunInternet(std::string& error);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    UpdateWindowInputs inputs_;
    ArchiveUpdate update_;
    std::string sourceRoot_;
    bool localized_ = false;
    std::map<std::string, std::string> texts_;  // Windows-1252, by identifier
};

}  // namespace zov
