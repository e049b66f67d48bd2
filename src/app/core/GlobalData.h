#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "Prompter.h"
#include "SerialPorts.h"

class QSettings;

namespace zov {

// The process-wide settings: the application directory and the paths derived from it, the chosen
// port, the main window's geometry, the language and the update credentials. Read from the
// settings store once when constructed, and written back whenever a stored value changes (and
// once after a load that found the store incomplete), so a crash or a power cut loses nothing
// already set. A store that cannot be written is said through the prompter, once until a save
// succeeds again.
//
// Encodings: `mainPath` and the paths derived from it are kept in the file system's encoding
// (UTF-8 on Linux) so they can be handed to the OS as they are; the credentials are Windows-1252
// like every other text of the program.
class GlobalData {
  public:
    // Setting codes of GetPath/GetSetting/SetPath/SetSetting. Windows pass the numbers; the names
    // are for new code.
    enum SettingCode : int {
        kMainPath = 1,
        kObjPath = 2,
        kConfigPath = 3,
        kParamPath = 4,
        kMapPath = 5,
        kCx32Path = 6,
        kCarsPath = 7,
        kWindowSize = 8,
        kWindowPos = 9,
        kComPort = 10,
        kLanguage = 11,
        kCardsPath = 12,
        kInternetId = 13,
        kInternetPw = 14,
        kDrtPath = 15,
        kExtraSetting = 16,
    };

    // Capacities of the original fixed buffers, terminating NUL included: longer values are cut
    // to one byte less (paths never in the middle of a UTF-8 sequence).
    static constexpr std::size_t kPathCapacity = 260;
    static constexpr std::size_t kCredentialCapacity = 60;

    static constexpr int32_t kDefaultComPort = 1;
    static constexpr int32_t kDefaultWindowSize = 0x017A0151;  // height 378, width 337
    static constexpr int kPortCount = 4;                       // COM1..COM4
    static inline const char* const kOrganisation = "Ovalix srl";

    // Chooses the settings key, loads the settings and, if loading stopped on a missing or
    // unreadable value, shows the one built-in error box through `prompter` with
    // `applicationTitle` as its caption.
    // `storeDirectory` empty: the user's native store, QSettings("Ovalix srl", <key>).
    // Otherwise an INI file "<storeDirectory>/Ovalix srl/<key>.ini", so tests and the demo never
    // touch the user's settings.
    GlobalData(int32_t programVariant, int32_t extraSetting, std::string applicationTitle, Prompter& prompter,
               QString storeDirectory = {});
    // Saving on every change makes a copy a second writer of the same key.
    GlobalData(const GlobalData&) = delete;
    GlobalData& operator=(const GlobalData&) = delete;

    // The key under organisation "Ovalix srl": "Install", "InstKrv", "ZOVFileMaker" or
    // "KRVFileMaker", by variant (0 = file maker) and by "krv" in the lower-cased title.
    static std::string KeyFor(int32_t programVariant, std::string_view applicationTitle);

    // Codes 1-7, 12-15: copies the path or text into `out` and returns true. Other codes return
    // false and leave `out` alone.
    bool GetPath(int code, std::string& out) const;
    // Codes 8-11, 16; 0 for any other code.
    int32_t GetSetting(int code) const;
    // Code 1 sets `mainPath` (and recomputes the derived paths), 13 `internetId`, 14
    // `internetPw`, each cut to its capacity. Other codes return false and change nothing.
    bool SetPath(int code, std::string_view text);
    // Codes 8-11, 16. Other codes return false and change nothing.
    bool SetSetting(int code, int32_t value);

    // Device path of COM1..COM4 (index 0..3): the built-in default unless the store's
    // "Ports/COM<n>" holds a non-empty string. Empty for any other index.
    std::string PortPath(int index) const;
    // The same devices read from the store without loading (or later saving) anything else: for
    // tools that only need to reach the ECU.
    static std::array<std::string, kPortCount> StoredPortPaths(const QString& storeDirectory,
                                                               int32_t programVariant = 1,
                                                               std::string_view applicationTitle = "ZOV Qbr");

    // The store's MainPath read without loading (or later saving) anything else; empty when the
    // store has none.
    static std::string StoredMainPath(const QString& storeDirectory, int32_t programVariant = 1,
                                      std::string_view applicationTitle = "ZOV Qbr");

    // Where archive updates are published: the store's "Update/URL" (an https:// address; empty,
    // the default, when none is set) and "Update/CAFile" (a workshop server's own certificate
    // authority, PEM, trusted besides the system's store). Read when an update starts.
    struct UpdateServer {
        std::string url;
        std::string caFile;
    };
    static UpdateServer StoredUpdateServer(const QString& storeDirectory, int32_t programVariant = 1,
                                           std::string_view applicationTitle = "ZOV Qbr");

    // What the store holds for a user's first start: no MainPath at all (Empty) in a store that
    // can be read, a MainPath (Present; whether the rest is complete is the constructor's
    // business), or a store that cannot be read or parsed (Damaged).
    enum class StoreState { Empty, Present, Damaged };
    static StoreState InspectStore(const QString& storeDirectory, int32_t programVariant = 1,
                                   std::string_view applicationTitle = "ZOV Qbr");
    // Writes every value the store lacks, MainPath as `mainPath` and the rest with their
    // defaults; values already there stay. False when the store cannot be written.
    static bool WriteDefaults(const QString& storeDirectory, const std::string& mainPath,
                              int32_t programVariant = 1, std::string_view applicationTitle = "ZOV Qbr");

    // Whether the constructor read every value (false also when the store could not be opened).
    bool LoadSucceeded() const { return loaded_; }
    // Whether the last save reached the store (true before any save).
    bool LastSaveSucceeded() const { return saved_; }

    // The text that says a save failed, Windows-1252, in the installer's language (the main
    // window sets it from the dictionary); the store's name follows it on a line of its own.
    void SetSaveFailureText(std::string text) { saveFailureText_ = std::move(text); }

    const std::string& MainPath() const { return mainPath_; }
    const std::string& CarsPath() const { return carsPath_; }
    const std::string& CardsPath() const { return cardsPath_; }
    const std::string& InternetId() const { return internetId_; }
    const std::string& InternetPw() const { return internetPw_; }
    int32_t ComPort() const { return comPort_; }
    int32_t WindowSize() const { return windowSize_; }
    int32_t WindowPos() const { return windowPos_; }
    int32_t Language() const { return language_; }
    int32_t ProgramVariant() const { return programVariant_; }
    int32_t ExtraSetting() const { return extraSetting_; }
    const std::string& RegistryKey() const { return registryKey_; }
    // A window's own choice kept between runs (the log viewer's panes), in the same store; empty
    // when none was kept. Written at once, so it outlives a run that never ends normally.
    QString WindowSetting(const QString& name) const;
    void SetWindowSetting(const QString& name, const QString& value);

    // The built-in text of the loading error box, Windows-1252.
    static const std::string& LoadErrorText();
    // The built-in text of a failed save, Windows-1252.
    static const char* const kSaveFailureText;

  private:
    bool Load(QSettings& store);
    static void ReadPorts(QSettings& store, std::array<std::string, kPortCount>& ports);
    // Writes every stored value and syncs; false when the store did not take them.
    bool Save(std::string& storeName);
    // Save, saying so when it fails.
    void SaveOrReport();
    void SetMainPath(std::string path);

    std::string mainPath_;
    std::string carsPath_;
    std::string cardsPath_;
    std::string internetId_;
    std::string internetPw_;
    int32_t comPort_ = kDefaultComPort;
    int32_t windowSize_ = kDefaultWindowSize;
    int32_t windowPos_ = 0;
    int32_t language_ = 0;
    int32_t programVariant_;
    int32_t extraSetting_;
    std::string registryKey_;

    std::string applicationTitle_;
    Prompter& prompter_;
    std::string saveFailureText_ = kSaveFailureText;
    QString storeDirectory_;
    std::array<std::string, kPortCount> ports_;
    bool loaded_ = false;
    bool saved_ = true;
};

}  // namespace zov
