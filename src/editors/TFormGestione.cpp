#include "TFormGestione.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <array>
#include <cmath>
#include <memory>

#include "DictionaryMessages.h"
#include "FunctionKeys.h"
#include "FunctionRows.h"
#include "Localizer.h"
#include "TFormDiagnFunz.h"
#include "TFormModifica.h"
#include "TFormVisualizza.h"
#include "TModuloLingua.h"
#include "WindowScale.h"

namespace zov {
namespace {

// Design of the menu, in pixels of an 800 pixel wide screen at 96 dots per inch; the function
// rows are the main window's.
constexpr int kMargin = 30;
constexpr int kTitleTop = 24;
constexpr int kButtonTop = 76;
constexpr int kMinimumWidth = 420;
constexpr double kLabelFontGrowth = 1.35;
constexpr int kTitleGrowthPoints = 2;

}  // namespace

TFormGestione::TFormGestione(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("FormGestione"));
    setWindowTitle(QStringLiteral("Gestione centralina"));
    // A dialog border: fixed size, no maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    backgroundPath = QDir(QString::fromStdString(ctx_.applicationDirectory))
                         .filePath(QString::fromLatin1(kBackgroundFile));

    scale_ = PrimaryScreenScale();

    const auto button = [this](const char* name, const char* caption) {
        return MakeFunctionButton(this, name, caption, scale_);
    };
    const auto label = [this](const char* name, const char* caption, double growth) {
        return MakeFunctionLabel(this, name, caption, growth * scale_);
    };
    BitBtn1 = button("BitBtn1", "F1");
    BitBtn2 = button("BitBtn2", "F2");
    BitBtn3 = button("BitBtn3", "F3");
    BitBtn4 = button("BitBtn4", "Esc");
    LabelOpzioniGest = label("LabelOpzioniGest", "Scegliere l'operazione desiderata:", 1.0);
    QFont title = LabelOpzioniGest->font();
    title.setPointSizeF(title.pointSizeF() + kTitleGrowthPoints * scale_);
    LabelOpzioniGest->setFont(title);
    LabelVisPar = label("LabelVisPar", "Visualizzazione e Verifiche", kLabelFontGrowth);
    LabelDiagnosi = label("LabelDiagnosi", "Diagnosi di funzionamento", kLabelFontGrowth);
    LabelModPar = label("LabelModPar", "Modifiche Parametri", kLabelFontGrowth);
    LabelMenu = label("LabelMenu", "Menu principale", kLabelFontGrowth);

    const std::array<QPushButton*, 4> buttons = {BitBtn1, BitBtn2, BitBtn3, BitBtn4};
    for (int n = 1; n <= 4; ++n) {
        new ClickArea(QStringLiteral("Shape%1").arg(n), buttons[size_t(n - 1)], this);
        new ClickArea(QStringLiteral("Label%1").arg(n), buttons[size_t(n - 1)], this);
    }
    connect(BitBtn1, &QPushButton::clicked, this, &TFormGestione::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormGestione::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormGestione::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TFormGestione::BitBtn4Click);

    localized_ = Localize();
    PlaceControls();
}

TFormGestione::~TFormGestione() = default;

int TFormGestione::S(int designPixels) const { return int(std::lround(designPixels * scale_)); }

bool TFormGestione::Localize() {
    return Localizer(dictionary_)
        .Caption(LabelModPar, 30)
        .Caption(LabelVisPar, 30)
        .Caption(LabelDiagnosi, 30)
        .Caption(LabelMenu, 30)
        .Caption(LabelOpzioniGest, 50)
        .WindowTitle(this, QStringLiteral("FinestraGestione"), 50)
        .RunOrReport(ctx_.prompter, dictionary_messages::kEcuManagement, AppContext::kTitle);
}

void TFormGestione::PlaceControls() {
    const std::array<FunctionRow, 4> rows = {{{BitBtn1, LabelVisPar, 1},
                                              {BitBtn2, LabelDiagnosi, 2},
                                              {BitBtn3, LabelModPar, 3},
                                              {BitBtn4, LabelMenu, 4}}};
    LabelOpzioniGest->adjustSize();
    LabelOpzioniGest->move(S(kMargin), S(kTitleTop));
    const FunctionRowsExtent extent = PlaceFunctionRows(*this, rows, kButtonTop, scale_);
    const int right = std::max(LabelOpzioniGest->x() + LabelOpzioniGest->width(), extent.textRight);
    setFixedSize(std::max(S(kMinimumWidth), right + S(kMargin)),
                 S(FunctionRowsDesignBottom(kButtonTop, int(rows.size())) + kMargin));
}

void TFormGestione::AlignBackground(QPoint screenOrigin, QSize drawnSize) {
    aligned_ = true;
    screenOrigin_ = screenOrigin;
    drawnSize_ = drawnSize;
    update();
}

QPoint TFormGestione::BackgroundPosition() const {
    if (!aligned_) return QPoint(0, 0);
    return screenOrigin_ - mapToGlobal(QPoint(0, 0));
}

void TFormGestione::showEvent(QShowEvent* event) {
    // Centred on the screen, as the menu opens over the middle of the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    background_ = QPixmap(backgroundPath);
    shownBackground_ = QPixmap();
    QDialog::showEvent(event);
}

void TFormGestione::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (background_.isNull()) return;
    const QSize size = aligned_ && drawnSize_.isValid()
                           ? drawnSize_
                           : QSize(S(background_.width()), S(background_.height()));
    if (shownBackground_.size() != size) {
        shownBackground_ = size == background_.size()
                               ? background_
                               : background_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPainter painter(this);
    painter.drawPixmap(BackgroundPosition(), shownBackground_);
}

void TFormGestione::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier) {
        QPushButton* target = nullptr;
        switch (event->key()) {
            case Qt::Key_Escape:
                target = BitBtn4;
                break;
            case Qt::Key_F1:
                target = BitBtn1;
                break;
            case Qt::Key_F2:
                target = BitBtn2;
                break;
            case Qt::Key_F3:
                target = BitBtn3;
                break;
            default:
                break;
        }
        if (target != nullptr) {
            target->click();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TFormGestione::hideEvent(QHideEvent* event) {
    background_ = QPixmap();
    shownBackground_ = QPixmap();
    QDialog::hideEvent(event);
}

void TFormGestione::BitBtn2Click() {
    auto diagnosis = std::make_unique<TFormDiagnFunz>(ctx_, dictionary_, this);
    diagnosis->exec();
}

void TFormGestione::BitBtn1Click() {
    auto live = std::make_unique<TFormVisualizza>(ctx_, dictionary_, this);
    live->exec();
}

void TFormGestione::BitBtn3Click() {
    auto editor = std::make_unique<TFormModifica>(ctx_, dictionary_, this, false);
    editor->exec();
}

void TFormGestione::BitBtn4Click() { reject(); }

}  // namespace zov
