#include "TFormSceltaLingua.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "Prompter.h"
#include "QtText.h"
#include "TModuloLingua.h"

namespace zov {

namespace {

constexpr int kWidth = 380;
constexpr int kBaseHeight = 125;
constexpr int kPushTop = 80;
constexpr const char* kTagProperty = "tag";

}  // namespace

TFormSceltaLingua::TFormSceltaLingua(QWidget* parent)
    : QDialog(parent),
      LabelWarning(new QLabel(this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Annulla"), this)) {
    setObjectName(QStringLiteral("FormSceltaLingua"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    LabelWarning->setObjectName(QStringLiteral("LabelWarning"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    LabelWarning->setWordWrap(true);
    LabelWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelWarning->setGeometry(20, 12, kWidth - 40, 52);
    OKBtn->setGeometry(kWidth - 200, kPushTop, 85, 28);
    CancelBtn->setGeometry(kWidth - 105, kPushTop, 85, 28);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(kWidth, kBaseHeight);
}

QRadioButton* TFormSceltaLingua::AddLanguage(const QString& caption, int tag) {
    auto* radio = new QRadioButton(caption, this);
    radio->setObjectName(QStringLiteral("RadioLingua%1").arg(tag));
    radio->setProperty(kTagProperty, tag);
    radio->setGeometry(kButtonLeft, kFirstButtonTop + kButtonStep * buttons_, kWidth - kButtonLeft - 20, 24);
    if (buttons_ == 0) radio->setChecked(true);
    radio->show();
    ++buttons_;
    setFixedSize(width(), height() + kButtonStep);
    OKBtn->move(OKBtn->x(), OKBtn->y() + kButtonStep);
    CancelBtn->move(CancelBtn->x(), CancelBtn->y() + kButtonStep);
    return radio;
}

void TFormSceltaLingua::done(int result) {
    for (QRadioButton* radio : findChildren<QRadioButton*>()) {
        if (radio->isChecked()) tag_ = radio->property(kTagProperty).toInt();
    }
    QDialog::done(result);
}

int ExecDialog(QDialog& dialog) { return dialog.exec(); }

std::optional<QString> ChooseLanguage(const TModuloLingua& dictionary,
                                      const std::function<bool(const QString& language)>& available,
                                      const LanguageChoiceTexts& texts, Prompter& prompter, QWidget* parent,
                                      const DialogRunner& run) {
    TFormSceltaLingua form(parent);
    form.setWindowTitle(texts.caption);
    form.LabelWarning->setText(texts.warning);
    form.OKBtn->setText(texts.ok);
    form.CancelBtn->setText(texts.cancel);
    for (int k = 1; k <= dictionary.LanguageCount(); ++k) {
        if (available(dictionary.LanguageKey(k - 1))) form.AddLanguage(dictionary.LanguageCaption(k - 1), k);
    }
    if (form.ButtonCount() == 0) {
        prompter.Ask(ToCp1252(texts.noneMessage), ToCp1252(texts.caption), PromptIcon::Error,
                     PromptButtons::Ok);
        return std::nullopt;
    }
    if (run(form) != QDialog::Accepted) return std::nullopt;
    const QString language = dictionary.LanguageKey(form.Tag() - 1);
    if (language.isEmpty()) return std::nullopt;
    return language;
}

QString HelpFilePath(const QString& mainPath, const QString& language) {
    return QDir(mainPath).filePath(QStringLiteral("Help/Zov_") + language + QStringLiteral(".html"));
}

QUrl HelpUrl(const QString& helpFile) {
    QUrl url = QUrl::fromLocalFile(helpFile);
    url.setFragment(QStringLiteral("Main"));
    return url;
}

std::optional<QString> ChooseHelpLanguage(const TModuloLingua& dictionary, const QString& mainPath,
                                          const LanguageChoiceTexts& texts, Prompter& prompter,
                                          QWidget* parent, const DialogRunner& run) {
    const auto exists = [&mainPath](const QString& language) {
        return QFileInfo(HelpFilePath(mainPath, language)).isFile();
    };
    return ChooseLanguage(dictionary, exists, texts, prompter, parent, run);
}

}  // namespace zov
