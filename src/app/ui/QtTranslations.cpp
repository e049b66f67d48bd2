#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <array>
#include <utility>

namespace zov {
namespace {

constexpr const char* kCatalogue = "qtbase_";
constexpr const char* kEnglish = "en";

// The dictionary's language columns and Qt's codes for them.
constexpr std::array<std::pair<const char*, const char*>, 6> kCodes = {{
    {"ITALIANO", "it"},
    {"ENGLISH", kEnglish},
    {"DEUTSCH", "de"},
    {"FRANCAIS", "fr"},
    {"ESPANOL", "es"},
    {"PORTUGUES", "pt"},
}};

}  // namespace

QtTranslations::QtTranslations() = default;

QtTranslations::~QtTranslations() { Drop(); }

std::optional<QString> QtTranslations::CodeOf(const QString& column) {
    const QString key = column.trimmed().toUpper();
    for (const auto& [name, code] : kCodes)
        if (key == QLatin1String(name)) return QString::fromLatin1(code);
    return std::nullopt;
}

bool QtTranslations::Use(const QString& column, const QString& folder) {
    Drop();
    const std::optional<QString> code = CodeOf(column);
    if (!code) return false;
    if (*code == QLatin1String(kEnglish)) return true;
    auto translator = std::make_unique<QTranslator>();
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator->load(QLatin1String(kCatalogue) + *code, where)) return false;
    if (QCoreApplication::instance() == nullptr || !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator_ = std::move(translator);
    return true;
}

void QtTranslations::Drop() {
    if (!translator_) return;
    QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
}

}  // namespace zov
