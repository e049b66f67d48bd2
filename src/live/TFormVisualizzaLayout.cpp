// The live data window's controls and where they sit, in pixels of an 800 pixel wide screen at
// 96 dots per inch, scaled to the screen.
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "TFormVisualizza.h"

namespace zov {
namespace {

struct Box {
    int x, y, w, h;
};

int S(double scale, int designPixels) { return int(std::lround(designPixels * scale)); }

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QFrame* MakeShape(QWidget* parent, const QString& name, const QColor& colour) {
    auto* shape = new QFrame(parent);
    shape->setObjectName(name);
    shape->setFrameShape(QFrame::Box);
    QPalette palette = shape->palette();
    palette.setColor(QPalette::Window, colour);
    shape->setPalette(palette);
    shape->setAutoFillBackground(true);
    return shape;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* caption) {
    auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

void TFormVisualizza::BuildControls() {
    BevelGiri = new QFrame(this);
    BevelGiri->setObjectName(QStringLiteral("BevelGiri"));
    BevelGiri->setFrameShape(QFrame::StyledPanel);
    BevelGiri->setFrameShadow(QFrame::Sunken);
    LabGiriMot = MakeLabel(this, "LabGiriMot", "Giri motore");
    LabGiri = MakeLabel(this, "LabGiri", "giri");
    QFont big = LabGiri->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    LabGiri->setFont(big);
    LabMaxGiri = MakeLabel(this, "LabMaxGiri", "10.000");
    LabCutoff = MakeLabel(this, "LabCutoff", "CUTOFF");
    LabCutoff->setFont(big);
    QPalette red = LabCutoff->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabCutoff->setPalette(red);
    LabCutoff->setVisible(false);

    BuildSensors();
    BuildOthers();

    GroupLog = MakeGroup(this, "GroupLog", "Registrazione");
    ButtonRegistra = MakeButton(GroupLog, "ButtonRegistra", "Registra");
    ButtonRegistra->setCheckable(true);
    LabRegistra = MakeLabel(this, "LabRegistra", "");
    ButtonMarcatore = MakeButton(GroupLog, "ButtonMarcatore", "Marcatore");
    ButtonMarcatore->setEnabled(false);
    ButtonLog = MakeButton(GroupLog, "ButtonLog", "Apri registrazione...");
    ButtonAtt = MakeButton(this, "ButtonAtt", "Verifica &Attuatori");
    ButtonEsci = MakeButton(this, "ButtonEsci", "&Esci");
    connect(ButtonRegistra, &QPushButton::clicked, this, &TFormVisualizza::ButtonRegistraClick);
    connect(ButtonLog, &QPushButton::clicked, this, &TFormVisualizza::ButtonLogClick);
    connect(ButtonMarcatore, &QPushButton::clicked, this, &TFormVisualizza::ButtonMarcatoreClick);
    connect(ButtonAtt, &QPushButton::clicked, this, &TFormVisualizza::ButtonAttClick);
    connect(ButtonEsci, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormVisualizza::BuildSensors() {
    GroupSensori = MakeGroup(this, "GroupSensori", "Stato Sensori");
    LabelLambda = MakeLabel(GroupSensori, "LabelLambda", "Lambda");
    LabLambda = MakeLabel(GroupSensori, "LabLambda", "");
    PanelLambda = new QFrame(GroupSensori);
    PanelLambda->setObjectName(QStringLiteral("PanelLambda"));
    PanelLambda->setFrameShape(QFrame::Panel);
    PanelLambda->setFrameShadow(QFrame::Sunken);
    ShapeLambda = MakeShape(PanelLambda, QStringLiteral("ShapeLambda"), Qt::green);
    Label12 = MakeLabel(GroupSensori, "Label12", "+5v");
    Label15 = MakeLabel(GroupSensori, "Label15", "0v");
    LabelMap = MakeLabel(GroupSensori, "LabelMap", "Map");
    LabMap = MakeLabel(GroupSensori, "LabMap", "");
    ProgressBarMap = new QProgressBar(GroupSensori);
    ProgressBarMap->setObjectName(QStringLiteral("ProgressBarMap"));
    ProgressBarMap->setRange(0, 100);
    ProgressBarMap->setValue(0);
    ProgressBarMap->setTextVisible(false);
    LabelMaxMap = MakeLabel(GroupSensori, "LabelMaxMap", "1 bar");
    LabelMinMap = MakeLabel(GroupSensori, "LabelMinMap", "-0.9 bar");
    // After the bar, so the mark is drawn over it.
    ShapeZeroMap = MakeShape(GroupSensori, QStringLiteral("ShapeZeroMap"), Qt::black);

    GroupTps = MakeGroup(this, "GroupTps", "TPS");
    for (int s = 0; s < kTpsSegments; ++s)
        Shape[size_t(s)] = MakeShape(GroupTps, QStringLiteral("Shape%1").arg(s + 1),
                                     QGuiApplication::palette().color(QPalette::Button));
    LabTps = MakeLabel(GroupTps, "LabTps", "Tps");
    LabelCumulo = MakeLabel(GroupTps, "LabelCumulo", "Cumulo");
    LabCum = MakeLabel(GroupTps, "LabCum", "");
}

void TFormVisualizza::BuildOthers() {
    GroupCorr = MakeGroup(this, "GroupCorr", "Correttori");
    LabCorrMin = MakeLabel(GroupCorr, "LabCorrMin", "Correttore 1");
    LabIntInMin = MakeLabel(GroupCorr, "LabIntInMin", "Integratore");
    LabCorrOutMin = MakeLabel(GroupCorr, "LabCorrOutMin", "Correttore 2");
    LabIntOutMin = MakeLabel(GroupCorr, "LabIntOutMin", "Integratore fuori min");

    GroupRid = MakeGroup(this, "GroupRid", "Riduttore");
    LabTempRid = MakeLabel(GroupRid, "LabTempRid", "Temperatura");
    LabTemp = MakeLabel(GroupRid, "LabTemp", "");
    LabPressRid = MakeLabel(GroupRid, "LabPressRid", "Pressione");
    LabPressione = MakeLabel(GroupRid, "LabPressione", "");
    LabVerPress = MakeLabel(GroupRid, "LabVerPress", "Verifica pressione");
    const QColor neutral = QGuiApplication::palette().color(QPalette::ToolTipBase);
    ShapeBassa = MakeShape(GroupRid, QStringLiteral("ShapeBassa"), neutral);
    ShapeOK = MakeShape(GroupRid, QStringLiteral("ShapeOK"), neutral);
    ShapeAlta = MakeShape(GroupRid, QStringLiteral("ShapeAlta"), neutral);
    LabBassa = MakeLabel(GroupRid, "LabBassa", "Bassa");
    LabOK = MakeLabel(GroupRid, "LabOK", "OK");
    LabAlta = MakeLabel(GroupRid, "LabAlta", "Alta");

    GroupAltro = MakeGroup(this, "GroupAltro", "Altri Controlli");
    LabLivIndic = MakeLabel(GroupAltro, "LabLivIndic", "Livello Indicatore");
    LabLivello = MakeLabel(GroupAltro, "LabLivello", "Livello");
    LabelComm = MakeLabel(GroupAltro, "LabelComm", "Commutatore");
    LabComm = MakeLabel(GroupAltro, "LabComm", "BENZINA");
    LabelFunz = MakeLabel(GroupAltro, "LabelFunz", "Funzionamento");
    LabFunz = MakeLabel(GroupAltro, "LabFunz", "BENZINA");
    QPalette red = LabComm->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabComm->setPalette(red);
    LabFunz->setPalette(red);
}

void TFormVisualizza::PlaceControls() {
    const double k = scale_;
    const auto place = [k](QWidget* w, Box b) { w->setGeometry(S(k, b.x), S(k, b.y), S(k, b.w), S(k, b.h)); };
    place(BevelGiri, {10, 10, 220, 220});
    place(LabGiriMot, {14, 236, 130, 18});
    place(LabMaxGiri, {150, 236, 76, 18});
    LabMaxGiri->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(LabGiri, {14, 256, 212, 28});
    place(LabCutoff, {14, 288, 212, 28});

    place(GroupSensori, {240, 6, 400, 112});
    place(LabelLambda, {10, 22, 70, 18});
    place(LabLambda, {84, 22, 80, 18});
    place(Label15, {10, 46, 40, 18});
    // The bar's width is in screen pixels: its rule measures 0 to 146.
    PanelLambda->setGeometry(S(k, 54), S(k, 44), kLambdaBarWidth + 4, S(k, 20));
    ShapeLambda->setGeometry(2, 2, 0, PanelLambda->height() - 4);
    Label12->setGeometry(PanelLambda->x() + PanelLambda->width() + S(k, 6), S(k, 46), S(k, 50), S(k, 18));
    place(LabelMap, {10, 70, 70, 18});
    place(LabMap, {84, 70, 100, 18});
    place(LabelMinMap, {10, 90, 60, 18});
    place(ProgressBarMap, {74, 90, 240, 16});
    place(LabelMaxMap, {320, 90, 70, 18});
    ShapeZeroMap->setGeometry(0, ProgressBarMap->y() - 2, 2, ProgressBarMap->height() + 4);

    place(GroupTps, {240, 122, 400, 72});
    for (int s = 0; s < kTpsSegments; ++s) place(Shape[size_t(s)], {10 + s * 24, 24, 20, 16});
    place(LabTps, {260, 22, 120, 18});
    place(LabelCumulo, {10, 46, 90, 18});
    place(LabCum, {104, 46, 80, 18});

    place(GroupCorr, {240, 198, 196, 72});
    place(LabCorrMin, {10, 22, 120, 18});
    place(LabIntInMin, {134, 22, 56, 18});
    place(LabCorrOutMin, {10, 46, 120, 18});
    place(LabIntOutMin, {134, 46, 56, 18});

    place(GroupRid, {444, 198, 196, 132});
    place(LabTempRid, {10, 22, 96, 18});
    place(LabTemp, {108, 22, 84, 18});
    place(LabPressRid, {10, 44, 96, 18});
    place(LabPressione, {108, 44, 84, 18});
    place(LabVerPress, {10, 68, 180, 18});
    place(ShapeBassa, {10, 90, 54, 14});
    place(ShapeOK, {70, 90, 54, 14});
    place(ShapeAlta, {130, 90, 54, 14});
    place(LabBassa, {10, 108, 54, 18});
    place(LabOK, {70, 108, 54, 18});
    place(LabAlta, {130, 108, 54, 18});
    for (QLabel* l : {LabBassa, LabOK, LabAlta}) l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    place(GroupAltro, {240, 274, 196, 92});
    place(LabLivIndic, {10, 22, 120, 18});
    place(LabLivello, {134, 22, 56, 18});
    place(LabelComm, {10, 44, 100, 18});
    place(LabComm, {112, 44, 80, 18});
    place(LabelFunz, {10, 66, 100, 18});
    place(LabFunz, {112, 66, 80, 18});

    place(GroupLog, {10, 320, 220, 84});
    place(ButtonRegistra, {10, 22, 96, 26});
    place(ButtonMarcatore, {112, 22, 98, 26});
    place(ButtonLog, {10, 52, 200, 26});
    // Under everything, the whole width: the recording's label names its file.
    place(LabRegistra, {10, 410, 630, 20});

    place(ButtonAtt, {240, 376, 196, 28});
    place(ButtonEsci, {544, 376, 96, 28});
    setFixedSize(S(k, 650), S(k, 436));
}

}  // namespace zov
