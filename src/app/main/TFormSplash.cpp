#include "TFormSplash.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace zov {

namespace {

constexpr int kFallbackWidth = 400;
constexpr int kFallbackHeight = 260;

}  // namespace

TFormSplash::TFormSplash(const QString& picturePath, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormSplash"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap picture(picturePath);
    if (!picture.isNull()) {
        Image1->setPixmap(picture);
        Image1->resize(picture.size());
    } else {
        Image1->setText(QStringLiteral("ZOV Qbr"));
        Image1->setAlignment(Qt::AlignCenter);
        QFont big = Image1->font();
        big.setPointSize(big.pointSize() * 3);
        big.setBold(true);
        Image1->setFont(big);
        Image1->setStyleSheet(QStringLiteral("background:#1c3f73;color:white;"));
        Image1->resize(kFallbackWidth, kFallbackHeight);
    }

    Label1 = new QLabel(QStringLiteral("PRO"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont pro = Label1->font();
    pro.setPointSize(pro.pointSize() * 2);
    pro.setBold(true);
    Label1->setFont(pro);
    Label1->setStyleSheet(QStringLiteral("color:#d01c1c;background:transparent;"));
    Label1->adjustSize();
    Label1->move(Image1->width() - Label1->width() - 16, Image1->height() - Label1->height() - 12);

    setFixedSize(Image1->size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

}  // namespace zov
