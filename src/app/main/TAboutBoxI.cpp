#include "TAboutBoxI.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace zov {

namespace {

constexpr int kLogoMaxWidth = 220;
constexpr int kLogoMaxHeight = 120;

}  // namespace

TAboutBoxI::TAboutBoxI(const QString& caption, const QString& logoPath, const QString& version,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    QPixmap logo(logoPath);
    if (!logo.isNull()) {
        if (logo.width() > kLogoMaxWidth || logo.height() > kLogoMaxHeight)
            logo = logo.scaled(kLogoMaxWidth, kLogoMaxHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        ProgramIcon->setPixmap(logo);
    }

    ProductName = new QLabel(caption, panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont bold = ProductName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    ProductName->setFont(bold);

    Version = new QLabel(version, panel);
    Version->setObjectName(QStringLiteral("Version"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(ProductName);
    texts->addWidget(Version);
    texts->addStretch();
    auto* inside = new QHBoxLayout(panel);
    inside->setContentsMargins(12, 12, 12, 12);
    inside->setSpacing(16);
    inside->addWidget(ProgramIcon, 0, Qt::AlignTop);
    inside->addLayout(texts);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(panel);
    outer->addWidget(OKButton, 0, Qt::AlignHCenter);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace zov
