#include "GlobalData.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QVariant>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <tuple>
#include <utility>

#include "Cp1252.h"
#include "SerialPorts.h"

namespace zov {

namespace {

// A C string ends at its first NUL; a value carrying one would otherwise reach the OS cut anyway.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

std::string CutBytes(std::string_view s, std::size_t capacity) {
    s = UpToNul(s);
    return std::string(s.substr(0, std::min(s.size(), capacity - 1)));
}

// As CutBytes, stepping back over continuation bytes so that a UTF-8 path stays well-formed.
std::string CutUtf8(std::string_view s, std::size_t capacity) {
    s = UpToNul(s);
    std::size_t cut = std::min(s.size(), capacity - 1);
    if (cut < s.size()) {
        std::size_t back = 0;
        while (cut > 0 && back < 3 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) {
            --cut;
            ++back;
        }
    }
    return std::string(s.substr(0, cut));
}

std::string CurrentDirectory() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::current_path(ec);
    return ec ? std::string() : dir.string();
}

QString WithoutNul(QString s) {
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    if (nul >= 0) s.truncate(nul);
    return s;
}

// A string value; nothing when missing or of another type (a list, binary data, a number kept
// in the store's cache).
std::optional<QString> ReadString(QSettings& store, const QString& name) {
    if (!store.contains(name)) return std::nullopt;
    const QVariant v = store.value(name);
    if (v.typeId() != QMetaType::QString) return std::nullopt;
    return WithoutNul(v.toString());
}

// An integer value; nothing when missing or not a decimal integer. The registry keeps these as
// 32-bit DWORDs, so an unsigned 32-bit value is accepted and read back as the same bits.
std::optional<int32_t> ReadInteger(QSettings& store, const QString& name) {
    if (!store.contains(name)) return std::nullopt;
    const QVariant v = store.value(name);
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
        case QMetaType::QString:
            n = v.toString().trimmed().toLongLong(&ok, 10);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            n = v.toLongLong(&ok);
            break;
        case QMetaType::ULongLong:
            if (v.toULongLong() <= std::numeric_limits<uint32_t>::max()) n = v.toLongLong(&ok);
            break;
        default:
            break;
    }
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

std::string PathFromStore(const QString& s) { return QFile::encodeName(s).toStdString(); }
QString PathToStore(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

std::string TextFromStore(const QString& s) { return cp1252::FromUtf8(s.toStdString()); }
QString TextToStore(const std::string& s) { return QString::fromStdString(cp1252::ToUtf8(s)); }

std::unique_ptr<QSettings> OpenStore(const QString& directory, const std::string& key) {
    const QString app = QString::fromStdString(key);
    if (directory.isEmpty()) return std::make_unique<QSettings>(QString(GlobalData::kOrganisation), app);
    return std::make_unique<QSettings>(directory + '/' + GlobalData::kOrganisation + '/' + app + ".ini",
                                       QSettings::IniFormat);
}

}  // namespace

GlobalData::GlobalData(int32_t programVariant, int32_t extraSetting, std::string applicationTitle,
                       Prompter& prompter, QString storeDirectory)
    : programVariant_(programVariant),
      extraSetting_(extraSetting),
      registryKey_(KeyFor(programVariant, applicationTitle)),
      applicationTitle_(std::move(applicationTitle)),
      prompter_(prompter),
      storeDirectory_(std::move(storeDirectory)) {
    SetMainPath(CurrentDirectory());
    for (int i = 0; i < kPortCount; ++i) ports_[i] = kDefaultSerialPorts[i];

    {
        std::unique_ptr<QSettings> store = OpenStore(storeDirectory_, registryKey_);
        // A store that cannot be read is the registry key that cannot be opened: keep the
        // defaults and say nothing.
        if (store->status() == QSettings::AccessError) return;
        loaded_ = Load(*store);
        ReadPorts(*store, ports_);
    }
    if (loaded_) return;
    prompter.Ask(LoadErrorText(), applicationTitle_, PromptIcon::Error, PromptButtons::Ok);
    // The defaults in place of what was missing are stored now, so the next start finds them even
    // when this run never ends normally.
    SaveOrReport();
}

const char* const GlobalData::kSaveFailureText = "Impossibile salvare le impostazioni del programma:";

std::string GlobalData::KeyFor(int32_t programVariant, std::string_view applicationTitle) {
    std::string lower(applicationTitle);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const bool krv = lower.find("krv") != std::string::npos;
    if (programVariant != 0) return krv ? "InstKrv" : "Install";
    return krv ? "KRVFileMaker" : "ZOVFileMaker";
}

const std::string& GlobalData::LoadErrorText() {
    static const std::string text =
        "Non \xE8"
        " possibile rilevare correttamente alcuni parametri del programma. \n"
        "Se il problema persiste ripetere l'installazione del software.";
    return text;
}

// Stops at the first value that is missing or of the wrong type; what was read before stays.
bool GlobalData::Load(QSettings& store) {
    const std::optional<QString> main = ReadString(store, QStringLiteral("MainPath"));
    if (!main || main->isEmpty()) return false;
    std::string path = PathFromStore(*main);
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    SetMainPath(std::move(path));

    if (programVariant_ == 1) {
        const std::optional<QString> id = ReadString(store, QStringLiteral("InternetID"));
        if (!id) return false;
        internetId_ = CutBytes(TextFromStore(*id), kCredentialCapacity);
        const std::optional<QString> pw = ReadString(store, QStringLiteral("InternetPW"));
        if (!pw) return false;
        internetPw_ = CutBytes(TextFromStore(*pw), kCredentialCapacity);
    }

    const std::pair<const char*, int32_t*> integers[] = {
        {"ComPort", &comPort_},
        {"WindowPos", &windowPos_},
        {"WindowSize", &windowSize_},
        {"Language", &language_},
    };
    for (const auto& [name, field] : integers) {
        const std::optional<int32_t> value = ReadInteger(store, QString::fromLatin1(name));
        if (!value) return false;
        *field = *value;
    }
    return true;
}

// Device overrides are optional: anything but a non-empty string keeps the default quietly.
void GlobalData::ReadPorts(QSettings& store, std::array<std::string, kPortCount>& ports) {
    for (int i = 0; i < kPortCount; ++i) {
        const std::optional<QString> path = ReadString(store, QStringLiteral("Ports/COM%1").arg(i + 1));
        if (path && !path->isEmpty()) ports[i] = PathFromStore(*path);
    }
}

std::array<std::string, GlobalData::kPortCount> GlobalData::StoredPortPaths(
    const QString& storeDirectory, int32_t programVariant, std::string_view applicationTitle) {
    std::array<std::string, kPortCount> ports;
    for (int i = 0; i < kPortCount; ++i) ports[i] = kDefaultSerialPorts[i];
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory, KeyFor(programVariant, applicationTitle));
    if (store->status() != QSettings::AccessError) ReadPorts(*store, ports);
    return ports;
}

GlobalData::UpdateServer GlobalData::StoredUpdateServer(const QString& storeDirectory, int32_t programVariant,
                                                        std::string_view applicationTitle) {
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory, KeyFor(programVariant, applicationTitle));
    if (store->status() != QSettings::NoError) return {};
    const std::optional<QString> url = ReadString(*store, QStringLiteral("Update/URL"));
    const std::optional<QString> ca = ReadString(*store, QStringLiteral("Update/CAFile"));
    return {url ? url->trimmed().toStdString() : std::string(), ca ? PathFromStore(*ca) : std::string()};
}

std::string GlobalData::StoredMainPath(const QString& storeDirectory, int32_t programVariant,
                                       std::string_view applicationTitle) {
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory, KeyFor(programVariant, applicationTitle));
    if (store->status() != QSettings::NoError) return {};
    const std::optional<QString> main = ReadString(*store, QStringLiteral("MainPath"));
    if (!main) return {};
    std::string path = PathFromStore(*main);
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

GlobalData::StoreState GlobalData::InspectStore(const QString& storeDirectory, int32_t programVariant,
                                                std::string_view applicationTitle) {
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory, KeyFor(programVariant, applicationTitle));
    if (store->status() != QSettings::NoError) return StoreState::Damaged;
    if (!store->contains(QStringLiteral("MainPath"))) return StoreState::Empty;
    return StoreState::Present;
}

bool GlobalData::WriteDefaults(const QString& storeDirectory, const std::string& mainPath,
                               int32_t programVariant, std::string_view applicationTitle) {
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory, KeyFor(programVariant, applicationTitle));
    if (store->status() != QSettings::NoError) return false;
    const std::pair<const char*, QVariant> defaults[] = {
        {"MainPath", PathToStore(CutUtf8(mainPath, kPathCapacity))},
        {"InternetID", programVariant == 1 ? QVariant(QString()) : QVariant()},
        {"InternetPW", programVariant == 1 ? QVariant(QString()) : QVariant()},
        {"ComPort", kDefaultComPort},
        {"WindowPos", 0},
        {"WindowSize", kDefaultWindowSize},
        {"Language", 0},
    };
    for (const auto& [name, value] : defaults) {
        const QString key = QString::fromLatin1(name);
        if (value.isValid() && !store->contains(key)) store->setValue(key, value);
    }
    store->sync();
    return store->status() == QSettings::NoError;
}

bool GlobalData::Save(std::string& storeName) {
    std::unique_ptr<QSettings> store = OpenStore(storeDirectory_, registryKey_);
    storeName = QFile::encodeName(store->fileName()).toStdString();
    // A store that could not be read is not overwritten with what this run knows.
    const QSettings::Status opened = store->status();
    if (opened == QSettings::AccessError) return false;
    store->setValue(QStringLiteral("MainPath"), PathToStore(mainPath_));
    if (programVariant_ == 1) {
        store->setValue(QStringLiteral("InternetID"), TextToStore(internetId_));
        store->setValue(QStringLiteral("InternetPW"), TextToStore(internetPw_));
    }
    store->setValue(QStringLiteral("ComPort"), comPort_);
    store->setValue(QStringLiteral("WindowPos"), windowPos_);
    store->setValue(QStringLiteral("WindowSize"), windowSize_);
    store->setValue(QStringLiteral("Language"), language_);
    store->sync();
    // QSettings keeps its first error: after a damaged store was read, only a fresh read tells
    // whether the rewrite took.
    if (opened == QSettings::FormatError)
        return OpenStore(storeDirectory_, registryKey_)->status() == QSettings::NoError;
    return store->status() == QSettings::NoError;
}

void GlobalData::SaveOrReport() {
    std::string storeName;
    const bool saved = Save(storeName);
    const bool newFailure = saved_ && !saved;
    saved_ = saved;
    if (newFailure)
        prompter_.Ask(saveFailureText_ + "\n" + cp1252::FromUtf8(storeName), applicationTitle_,
                      PromptIcon::Error, PromptButtons::Ok);
}

void GlobalData::SetMainPath(std::string path) {
    mainPath_ = CutUtf8(path, kPathCapacity);
    carsPath_ = CutUtf8(mainPath_ + "/Vetture", kPathCapacity);
    cardsPath_ = CutUtf8(mainPath_ + "/Schede", kPathCapacity);
}

bool GlobalData::GetPath(int code, std::string& out) const {
    switch (code) {
        case kMainPath:
            out = mainPath_;
            return true;
        case kObjPath:
            out = mainPath_ + "/Obj/";
            return true;
        case kConfigPath:
            out = mainPath_ + "/Config/";
            return true;
        case kParamPath:
            out = mainPath_ + "/Param/";
            return true;
        case kMapPath:
            out = mainPath_ + "/Map/";
            return true;
        case kCx32Path:
            out = mainPath_ + "/Cx32/";
            return true;
        case kCarsPath:
            out = carsPath_;
            return true;
        case kCardsPath:
            out = cardsPath_;
            return true;
        case kInternetId:
            out = internetId_;
            return true;
        case kInternetPw:
            out = internetPw_;
            return true;
        case kDrtPath:
            out = mainPath_ + "/Drt/";
            return true;
        default:
            return false;
    }
}

int32_t GlobalData::GetSetting(int code) const {
    switch (code) {
        case kWindowSize:
            return windowSize_;
        case kWindowPos:
            return windowPos_;
        case kComPort:
            return comPort_;
        case kLanguage:
            return language_;
        case kExtraSetting:
            return extraSetting_;
        default:
            return 0;
    }
}

bool GlobalData::SetPath(int code, std::string_view text) {
    const auto before = std::make_tuple(mainPath_, internetId_, internetPw_);
    switch (code) {
        case kMainPath:
            SetMainPath(std::string(text));
            break;
        case kInternetId:
            internetId_ = CutBytes(text, kCredentialCapacity);
            break;
        case kInternetPw:
            internetPw_ = CutBytes(text, kCredentialCapacity);
            break;
        default:
            return false;
    }
    if (std::tie(mainPath_, internetId_, internetPw_) != before) SaveOrReport();
    return true;
}

bool GlobalData::SetSetting(int code, int32_t value) {
    int32_t* stored = nullptr;
    switch (code) {
        case kWindowSize:
            stored = &windowSize_;
            break;
        case kWindowPos:
            stored = &windowPos_;
            break;
        case kComPort:
            stored = &comPort_;
            break;
        case kLanguage:
            stored = &language_;
            break;
        case kExtraSetting:
            // Given by the program at start, never stored.
            extraSetting_ = value;
            return true;
        default:
            return false;
    }
    if (*stored != value) {
        *stored = value;
        SaveOrReport();
    }
    return true;
}

std::string GlobalData::PortPath(int index) const {
    if (index < 0 || index >= kPortCount) return {};
    return ports_[index];
}

QString GlobalData::WindowSetting(const QString& name) const {
    return OpenStore(storeDirectory_, registryKey_)->value(name).toString();
}

void GlobalData::SetWindowSetting(const QString& name, const QString& value) {
    OpenStore(storeDirectory_, registryKey_)->setValue(name, value);
}

}  // namespace zov
