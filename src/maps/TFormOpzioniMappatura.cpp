#include "TFormOpzioniMappatura.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <fstream>
#include <sstream>

#include "AtomicFile.h"
#include "Localizer.h"

namespace zov {

namespace {
constexpr int kLabelCut = 40;
constexpr const char* kFileName = "/Config/OpzioniMappatura.cfg";
}  // namespace

TFormOpzioniMappatura::TFormOpzioniMappatura(const MappingOptions& options, TModuloLingua& dictionary,
                                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TFormOpzioniMappatura"));
    setWindowTitle(QStringLiteral("Opzioni mappatura"));
    auto* form = new QFormLayout();
    Localizer localizer(dictionary);
    const auto& table = MappingOptionTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const MappingOptionRow& option = table[i];
        auto* label = new QLabel(QString::fromUtf8(option.label), this);
        label->setObjectName(QString::fromLatin1(option.dictionary));
        auto* field = new QSpinBox(this);
        field->setObjectName(QString::fromLatin1(option.key));
        field->setRange(option.min, option.max);
        field->setValue(options.*option.field);
        form->addRow(label, field);
        fields_[i] = field;
        localizer.Caption(label, kLabelCut);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    localizer.WindowTitle(this, QStringLiteral("FinestraOpzioniMappatura"), kLabelCut);
    // Missing texts keep the built-in captions; the map window has reported a broken dictionary.
    static_cast<void>(localizer.Run());
}

MappingOptions TFormOpzioniMappatura::Options() const {
    MappingOptions options;
    const auto& table = MappingOptionTable();
    for (size_t i = 0; i < table.size(); ++i) options.*table[i].field = fields_[i]->value();
    return options;
}

std::string TFormOpzioniMappatura::PathIn(const std::string& mainPath) { return mainPath + kFileName; }

MappingOptions TFormOpzioniMappatura::Load(const std::string& mainPath) {
    std::ifstream in(PathIn(mainPath));
    std::stringstream text;
    text << in.rdbuf();
    return MappingOptionsFromText(text.str());
}

std::string TFormOpzioniMappatura::Save(const std::string& mainPath, const MappingOptions& options) {
    return WriteWholeFile(PathIn(mainPath), MappingOptionsText(options) + "\n");
}

}  // namespace zov
