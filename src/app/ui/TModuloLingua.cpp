#include "TModuloLingua.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>
#include <algorithm>

#include "DictionaryTable.h"
#include "QtText.h"

namespace zov {

namespace {

constexpr const char* kMenuRow = "MenuLingua";
constexpr const char* kFlagRow = "Flag";
// Marks the flag buttons among the panel's children, with their language index.
constexpr const char* kLanguageIndexProperty = "zovLanguageIndex";

std::vector<QToolButton*> LanguageButtonsOf(QWidget* panel) {
    std::vector<QToolButton*> buttons;
    for (QToolButton* b : panel->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (b->property(kLanguageIndexProperty).isValid()) buttons.push_back(b);
    }
    std::sort(buttons.begin(), buttons.end(), [](QToolButton* a, QToolButton* b) {
        return a->property(kLanguageIndexProperty).toInt() < b->property(kLanguageIndexProperty).toInt();
    });
    return buttons;
}

std::string Cut(const std::string& text, int maxLength) {
    return text.substr(0, static_cast<std::size_t>(std::max(0, maxLength)));
}

}  // namespace

QString LookupError::Describe() const {
    switch (kind) {
        case LookupFailure::NoTable:
            return QStringLiteral("The dictionary could not be read, so \"%1\" has no text.").arg(identifier);
        case LookupFailure::NoLanguage:
            return QStringLiteral("No language is chosen, so \"%1\" has no text.").arg(identifier);
        case LookupFailure::NoColumn:
            return QStringLiteral("The dictionary has no language \"%1\" for \"%2\".")
                .arg(language, identifier);
        case LookupFailure::NoRow:
            break;
    }
    return QStringLiteral("The dictionary has no text \"%1\".").arg(identifier);
}

TModuloLingua::TModuloLingua(const QString& directory, const QString& tableName, QObject* parent)
    : QObject(parent), directory_(directory), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("PopupMenuLingue"));
    group_ = new QActionGroup(menu_.get());
    group_->setExclusive(true);
    open_ = Load(QDir(directory).filePath(tableName));
}

TModuloLingua::~TModuloLingua() = default;

bool TModuloLingua::Load(const QString& path) {
    std::string error;
    std::optional<DictionaryTable> table = ReadDictionaryTable(QFile::encodeName(path).toStdString(), error);
    if (!table) {
        openError_ = QString::fromLocal8Bit(error.c_str());
        return false;
    }
    rows_ = std::move(table->rows);
    for (std::size_t r = 0; r < rows_.size(); ++r) index_.try_emplace(rows_[r][0], r);

    // The special rows only dress the menu; a dictionary without them still works, with the
    // column names as captions and no pictures.
    for (std::size_t c = 1; c < table->fields.size(); ++c) {
        Language language;
        language.key = QString::fromLatin1(table->fields[c].c_str());
        const std::string* caption = Find(kMenuRow, static_cast<int>(c));
        language.caption = caption != nullptr && !caption->empty()
                               ? FromCp1252(Cut(*caption, kMenuCaptionLength))
                               : language.key;
        const std::string* flag = Find(kFlagRow, static_cast<int>(c));
        if (flag != nullptr) language.flag = FromCp1252(*flag);

        QAction* action = menu_->addAction(language.caption);
        action->setObjectName(language.key);
        action->setCheckable(true);
        group_->addAction(action);
        const int index = static_cast<int>(languages_.size());
        connect(action, &QAction::triggered, this, [this, index] { SelectLanguage(index); });
        language.action = action;
        languages_.push_back(std::move(language));
    }
    return true;
}

QStringList TModuloLingua::LanguageKeys() const {
    QStringList keys;
    for (const Language& l : languages_) keys << l.key;
    return keys;
}

QString TModuloLingua::LanguageKey(int index) const {
    return index >= 0 && index < LanguageCount() ? languages_[index].key : QString();
}

QString TModuloLingua::LanguageCaption(int index) const {
    return index >= 0 && index < LanguageCount() ? languages_[index].caption : QString();
}

QString TModuloLingua::FlagFile(int index) const {
    return index >= 0 && index < LanguageCount() ? languages_[index].flag : QString();
}

QAction* TModuloLingua::LanguageAction(int index) const {
    return index >= 0 && index < LanguageCount() ? languages_[index].action : nullptr;
}

bool TModuloLingua::SelectLanguage(int index) {
    if (index < 0 || index >= LanguageCount()) return false;
    languages_[index].action->setChecked(true);
    current_ = languages_[index].key;
    currentIndex_ = index;
    // Without Qt's catalogue (the package missing) its texts stay English; the rest goes on.
    (void)qtTranslations_.Use(current_);
    emit LanguageChosen(index);
    return true;
}

bool TModuloLingua::SelectLanguageAction(QAction* action) {
    for (int i = 0; i < LanguageCount(); ++i) {
        if (languages_[i].action == action) return SelectLanguage(i);
    }
    return false;
}

const std::string* TModuloLingua::Find(std::string_view identifier, int column) const {
    const auto it = index_.find(std::string(identifier));
    if (it == index_.end()) return nullptr;
    return &rows_[it->second][column];
}

std::optional<QString> TModuloLingua::Lookup(QStringView identifier, int maxLength,
                                             LookupError* error) const {
    if (open_ && currentIndex_ < 0) {
        if (error != nullptr) *error = {LookupFailure::NoLanguage, identifier.toString(), QString()};
        return std::nullopt;
    }
    return LookupIn(current_, identifier, maxLength, error);
}

std::optional<QString> TModuloLingua::LookupIn(const QString& language, QStringView identifier, int maxLength,
                                               LookupError* error) const {
    const auto failed = [&](LookupFailure kind) {
        if (error != nullptr) *error = {kind, identifier.toString(), language};
        return std::nullopt;
    };
    if (!open_) return failed(LookupFailure::NoTable);
    const auto found = std::find_if(languages_.begin(), languages_.end(),
                                    [&](const Language& l) { return l.key == language; });
    if (found == languages_.end()) return failed(LookupFailure::NoColumn);
    const int column = static_cast<int>(found - languages_.begin()) + 1;
    const std::string* text = Find(ToCp1252(identifier.toString()), column);
    if (text == nullptr) return failed(LookupFailure::NoRow);
    return FromCp1252(Cut(*text, maxLength));
}

std::optional<std::string> TModuloLingua::LookupCp1252(std::string_view identifier, int maxLength,
                                                       LookupError* error) const {
    const std::optional<QString> text = Lookup(FromCp1252(identifier), maxLength, error);
    if (!text) return std::nullopt;
    return ToCp1252(*text);
}

int TModuloLingua::FlagButtonTop(int index, int count, int panelHeight) {
    int gap = (panelHeight - kFlagButtonSize * count) / (count + 1);
    if (gap < 0) gap = 0;
    return (gap + kFlagButtonSize) * index + gap;
}

std::vector<QToolButton*> TModuloLingua::BuildLanguageButtons(QWidget* panel) {
    // Building again (a second dictionary, a reload) replaces the buttons instead of stacking them.
    for (QToolButton* old : LanguageButtonsOf(panel)) delete old;
    std::vector<QToolButton*> buttons;
    const QDir pictures(QDir(directory_).filePath(QStringLiteral("immagini")));
    for (int i = 0; i < LanguageCount(); ++i) {
        const Language& language = languages_[i];
        auto* button = new QToolButton(panel);
        button->setObjectName(language.key + QString::number(i));
        button->setProperty(kLanguageIndexProperty, i);
        button->setToolTip(StripAccelerator(language.caption));
        button->setFixedSize(kFlagButtonSize, kFlagButtonSize);
        button->setIconSize(QSize(kFlagWidth, kFlagHeight));
        if (!language.flag.isEmpty()) {
            const QPixmap picture(pictures.filePath(language.flag));
            if (!picture.isNull()) button->setIcon(QIcon(picture));
        }
        // By index rather than by matching the hint against the menu captions, which would pick
        // the wrong language when two captions are equal.
        connect(button, &QToolButton::clicked, this, [this, i] { SelectLanguage(i); });
        button->show();
        buttons.push_back(button);
    }
    LayoutButtons(panel);
    panel->installEventFilter(this);
    return buttons;
}

void TModuloLingua::LayoutButtons(QWidget* panel) const {
    const std::vector<QToolButton*> buttons = LanguageButtonsOf(panel);
    const int count = static_cast<int>(buttons.size());
    const int left = (panel->width() - kFlagButtonSize) / 2;
    for (int i = 0; i < count; ++i) {
        buttons[i]->move(left, FlagButtonTop(i, count, panel->height()));
    }
}

bool TModuloLingua::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (auto* panel = qobject_cast<QWidget*>(watched)) LayoutButtons(panel);
    }
    return QObject::eventFilter(watched, event);
}

void TModuloLingua::AttachPopupMenu(QWidget* window) {
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this,
            [this, window](const QPoint& at) { menu_->popup(window->mapToGlobal(at)); });
}

bool TModuloLingua::FirstReportOf(const std::string& message) { return reported_.insert(message).second; }

}  // namespace zov
