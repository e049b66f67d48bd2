// mkimages: draws the program's pictures, so no binary picture is kept in the sources.
//
//     mkimages dictionary.tsv <output folder>
//
// Writes into the folder: the flag of every language named in the dictionary's "Flag" row,
// "Sfondo1.bmp" and "Sfondo2.bmp" (the backgrounds of the main window and of the ECU management
// menu), "Logo.bmp" and "Splash.bmp".
//
//     mkimages --icons <output folder>
//
// Writes the desktop icon in the sizes of the hicolor theme, <n>x<n>/apps/zovqbr.png, each drawn
// at its own size rather than scaled down from a large one.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <QTextStream>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <optional>

namespace {

constexpr int kFlagWidth = 48;
constexpr int kFlagHeight = 32;
const QString kFont = QStringLiteral("DejaVu Sans");

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

// ---- flags ---------------------------------------------------------------------------------

void Bands(QPainter& p, const std::vector<QColor>& colours, bool vertical,
           const std::vector<int>& weights = {}) {
    int total = 0;
    for (std::size_t i = 0; i < colours.size(); ++i) total += weights.empty() ? 1 : weights[i];
    const double length = vertical ? kFlagWidth : kFlagHeight;
    double at = 0;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const double size = length * (weights.empty() ? 1 : weights[i]) / total;
        const QRectF band = vertical ? QRectF(at, 0, size, kFlagHeight) : QRectF(0, at, kFlagWidth, size);
        p.fillRect(band.adjusted(0, 0, 0.5, 0.5), colours[i]);
        at += size;
    }
}

void UnionFlag(QPainter& p) {
    const QColor blue(0x01, 0x21, 0x69), red(0xC8, 0x10, 0x2E);
    p.fillRect(QRect(0, 0, kFlagWidth, kFlagHeight), blue);
    p.setRenderHint(QPainter::Antialiasing);
    const QLineF d1(0, 0, kFlagWidth, kFlagHeight), d2(0, kFlagHeight, kFlagWidth, 0);
    p.setPen(QPen(Qt::white, kFlagHeight / 5.0));
    p.drawLine(d1);
    p.drawLine(d2);
    p.setPen(QPen(red, kFlagHeight / 15.0));
    p.drawLine(d1);
    p.drawLine(d2);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double white = kFlagHeight / 3.0, cross = kFlagHeight / 5.0;
    p.fillRect(QRectF(0, (kFlagHeight - white) / 2, kFlagWidth, white), Qt::white);
    p.fillRect(QRectF((kFlagWidth - white) / 2, 0, white, kFlagHeight), Qt::white);
    p.fillRect(QRectF(0, (kFlagHeight - cross) / 2, kFlagWidth, cross), red);
    p.fillRect(QRectF((kFlagWidth - cross) / 2, 0, cross, kFlagHeight), red);
}

using FlagPainter = std::function<void(QPainter&)>;

const std::map<QString, FlagPainter>& FlagDesigns() {
    static const std::map<QString, FlagPainter> designs = {
        {QStringLiteral("flag_it.bmp"),
         [](QPainter& p) {
             Bands(p, {QColor(0x00, 0x92, 0x46), Qt::white, QColor(0xCE, 0x2B, 0x37)}, true);
         }},
        {QStringLiteral("flag_de.bmp"),
         [](QPainter& p) {
             Bands(p, {Qt::black, QColor(0xDD, 0x00, 0x00), QColor(0xFF, 0xCE, 0x00)}, false);
         }},
        {QStringLiteral("flag_fr.bmp"),
         [](QPainter& p) {
             Bands(p, {QColor(0x00, 0x55, 0xA4), Qt::white, QColor(0xEF, 0x41, 0x35)}, true);
         }},
        {QStringLiteral("flag_es.bmp"),
         [](QPainter& p) {
             Bands(p, {QColor(0xAA, 0x15, 0x1B), QColor(0xF1, 0xBF, 0x00), QColor(0xAA, 0x15, 0x1B)}, false,
                   {1, 2, 1});
         }},
        {QStringLiteral("flag_nl.bmp"),
         [](QPainter& p) {
             Bands(p, {QColor(0xAE, 0x1C, 0x28), Qt::white, QColor(0x21, 0x46, 0x8B)}, false);
         }},
        {QStringLiteral("flag_pl.bmp"),
         [](QPainter& p) {
             Bands(p, {Qt::white, QColor(0xDC, 0x14, 0x3C)}, false);
         }},
        {QStringLiteral("flag_en.bmp"), UnionFlag},
        {QStringLiteral("flag_uk.bmp"), UnionFlag},
    };
    return designs;
}

QImage Flag(const FlagPainter& paint) {
    QImage image(kFlagWidth, kFlagHeight, QImage::Format_RGB32);
    QPainter p(&image);
    paint(p);
    // A hairline frame keeps white bands visible on a light button.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 0, 0, 90));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, kFlagWidth - 1, kFlagHeight - 1);
    return image;
}

// ---- motifs --------------------------------------------------------------------------------

QPainterPath Gear(QPointF centre, double outer, double inner, int teeth, double hole) {
    QPainterPath path;
    const double step = 2 * std::numbers::pi / teeth;
    for (int i = 0; i < teeth; ++i) {
        const double a = i * step;
        const double pts[4][2] = {{a - step * 0.30, inner},
                                  {a - step * 0.18, outer},
                                  {a + step * 0.18, outer},
                                  {a + step * 0.30, inner}};
        for (int k = 0; k < 4; ++k) {
            const QPointF pt(centre.x() + pts[k][1] * std::cos(pts[k][0]),
                             centre.y() + pts[k][1] * std::sin(pts[k][0]));
            if (i == 0 && k == 0) {
                path.moveTo(pt);
            } else {
                path.lineTo(pt);
            }
        }
    }
    path.closeSubpath();
    path.addEllipse(centre, hole, hole);
    return path;
}

// A gas flame: a body leaning into a curled tip, and a lighter inner core.
QPainterPath FlameShape(QPointF base, double h, double w) {
    const double x = base.x(), y = base.y();
    QPainterPath path;
    path.moveTo(x, y);
    path.cubicTo(x - w, y, x - w * 1.05, y - h * 0.45, x - w * 0.45, y - h * 0.7);
    path.cubicTo(x - w * 0.1, y - h * 0.82, x - w * 0.05, y - h * 0.9, x + w * 0.12, y - h);
    path.cubicTo(x + w * 0.7, y - h * 0.78, x + w * 1.05, y - h * 0.5, x + w * 0.92, y - h * 0.26);
    path.cubicTo(x + w * 0.8, y - h * 0.06, x + w * 0.42, y, x, y);
    return path;
}

void Flame(QPainter& p, QPointF base, double height) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient outer(base.x(), base.y(), base.x(), base.y() - height);
    outer.setColorAt(0, QColor(0x1E, 0x6F, 0xD9));
    outer.setColorAt(1, QColor(0x5F, 0xC8, 0xFF));
    p.setPen(Qt::NoPen);
    p.setBrush(outer);
    p.drawPath(FlameShape(base, height, height * 0.4));
    QLinearGradient core(base.x(), base.y(), base.x(), base.y() - height * 0.6);
    core.setColorAt(0, QColor(0xFF, 0xFF, 0xFF, 235));
    core.setColorAt(1, QColor(0xC8, 0xEE, 0xFF, 200));
    p.setBrush(core);
    p.drawPath(
        FlameShape(QPointF(base.x() + height * 0.02, base.y() - height * 0.04), height * 0.55, height * 0.2));
}

// Light steel gradient with engineering-paper lines and a faint gear, for dark text on top.
QImage Background(QColor top, QColor bottom, QColor ink) {
    const int w = 800, h = 600;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient fill(0, 0, w * 0.35, h);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillRect(image.rect(), fill);

    QRadialGradient glow(w * 0.22, h * 0.18, w * 0.55);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    QColor line = ink;
    line.setAlpha(10);
    p.setPen(QPen(line, 1));
    for (int x = 0; x < w; x += 20) p.drawLine(x, 0, x, h);
    for (int y = 0; y < h; y += 20) p.drawLine(0, y, w, y);
    line.setAlpha(18);
    p.setPen(QPen(line, 1));
    for (int x = 0; x < w; x += 100) p.drawLine(x, 0, x, h);
    for (int y = 0; y < h; y += 100) p.drawLine(0, y, w, y);

    p.setRenderHint(QPainter::Antialiasing);
    QColor gear = ink;
    gear.setAlpha(22);
    p.setPen(QPen(gear, 6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Gear(QPointF(w - 95, h - 80), 190, 160, 18, 70));
    gear.setAlpha(16);
    p.setPen(QPen(gear, 4));
    p.drawPath(Gear(QPointF(w - 330, h - 10), 95, 80, 12, 34));

    // A thin accent rule along the top, the program's blue.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 0, w, 4), QColor(0x1D, 0x4F, 0x80));
    return image;
}

QImage Logo() {
    const int w = 240, h = 80;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient fill(0, 0, w, h);
    fill.setColorAt(0, QColor(0x0D, 0x2A, 0x4A));
    fill.setColorAt(1, QColor(0x1D, 0x4F, 0x80));
    p.fillRect(image.rect(), fill);
    Flame(p, QPointF(38, 66), 52);
    p.setPen(Qt::white);
    QFont big(kFont);
    big.setPixelSize(40);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(big);
    p.drawText(QRect(70, 6, 160, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZOV"));
    QFont small(kFont);
    small.setPixelSize(14);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(small);
    p.setPen(QColor(0x9F, 0xD4, 0xFF));
    p.drawText(QRect(72, 50, 160, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Qbr \u00B7 GPL \u00B7 Metano"));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(255, 255, 255, 60));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);
    return image;
}

QImage Splash() {
    const int w = 480, h = 300;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QRadialGradient fill(w * 0.3, h * 0.35, w * 0.9);
    fill.setColorAt(0, QColor(0x23, 0x5C, 0x94));
    fill.setColorAt(1, QColor(0x08, 0x1B, 0x30));
    p.fillRect(image.rect(), fill);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 22), 5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Gear(QPointF(w - 60, h - 40), 150, 126, 16, 56));
    Flame(p, QPointF(88, 170), 110);

    p.setPen(Qt::white);
    QFont title(kFont);
    title.setPixelSize(50);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(160, 70, 300, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZOV Qbr"));
    QFont subtitle(kFont);
    subtitle.setPixelSize(15);
    p.setFont(subtitle);
    p.setPen(QColor(0xBF, 0xE2, 0xFF));
    p.drawText(QRect(162, 132, 300, 44), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Iniezione sequenziale GPL \u00B7 Metano\nProgramma di servizio per officina"));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(30, h - 58, w - 60, 1), QColor(255, 255, 255, 70));
    QFont footer(kFont);
    footer.setPixelSize(12);
    p.setFont(footer);
    p.setPen(QColor(255, 255, 255, 170));
    p.drawText(QRect(30, h - 50, 200, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Ovalix srl"));
    return image;
}

// ---- main ----------------------------------------------------------------------------------

std::optional<QStringList> FlagNames(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << "mkimages: " << path << ": cannot be opened\n";
        return std::nullopt;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        QString line = raw;
        if (line.endsWith(u'\r')) line.chop(1);
        QStringList cells = line.split(u'\t');
        if (cells.size() > 1 && cells[0] == QStringLiteral("Flag")) {
            cells.removeFirst();
            return cells;
        }
    }
    err() << "mkimages: " << path << ": no \"Flag\" row\n";
    return std::nullopt;
}

// The desktop icon: a flame on a dark rounded square, drawn on a 256-unit grid.
QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QLinearGradient fill(0, 0, 256, 256);
    fill.setColorAt(0, QColor(0x23, 0x5C, 0x94));
    fill.setColorAt(1, QColor(0x08, 0x1B, 0x30));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    Flame(p, QPointF(128, 220), 184);
    return image;
}

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

int WriteIcons(const QString& folder) {
    for (int size : kIconSizes) {
        const QString path = QStringLiteral("%1/%2x%2/apps/zovqbr.png").arg(folder).arg(size);
        if (!QDir().mkpath(QFileInfo(path).path()) || !Icon(size).save(path, "PNG")) {
            err() << "mkimages: " << path << ": cannot be written\n";
            return 1;
        }
    }
    return 0;
}

bool Save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "BMP")) {
        err() << "mkimages: " << path << ": cannot be written\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing text needs a GUI application, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--icons")) return WriteIcons(args[2]);
    if (args.size() != 3) {
        err() << "usage: mkimages <dictionary.tsv> <output folder>\n"
                 "       mkimages --icons <output folder>\n";
        return 2;
    }
    const std::optional<QStringList> flags = FlagNames(args[1]);
    if (!flags) return 1;
    QDir out(args[2]);
    if (!out.mkpath(QStringLiteral("."))) {
        err() << "mkimages: " << args[2] << ": cannot be created\n";
        return 1;
    }
    bool ok = true;
    for (const QString& name : *flags) {
        const auto design = FlagDesigns().find(name);
        if (design == FlagDesigns().end()) {
            QStringList known;
            for (const auto& [n, unused] : FlagDesigns()) known << n;
            err() << "mkimages: no picture design for the flag \"" << name
                  << "\" (known: " << known.join(u' ') << ")\n";
            return 1;
        }
        ok = Save(Flag(design->second), out, name) && ok;
    }
    ok = Save(Background(QColor(0xEE, 0xF2, 0xF6), QColor(0xC3, 0xCE, 0xDA), QColor(0x1D, 0x3A, 0x5C)), out,
              QStringLiteral("Sfondo1.bmp")) &&
         ok;
    ok = Save(Background(QColor(0xE6, 0xEB, 0xF0), QColor(0xB8, 0xC4, 0xD1), QColor(0x1D, 0x3A, 0x5C)), out,
              QStringLiteral("Sfondo2.bmp")) &&
         ok;
    ok = Save(Logo(), out, QStringLiteral("Logo.bmp")) && ok;
    ok = Save(Splash(), out, QStringLiteral("Splash.bmp")) && ok;
    return ok ? 0 : 1;
}
