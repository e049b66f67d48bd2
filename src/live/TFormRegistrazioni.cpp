#include "TFormRegistrazioni.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "DictionaryMessages.h"
#include "LiveRecording.h"
#include "LiveReplay.h"
#include "Localizer.h"
#include "LogChannelTexts.h"
#include "LogChartView.h"
#include "LogScatterView.h"
#include "QtText.h"
#include "TModuloLingua.h"

namespace zov {
namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr int kListWidth = 220;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

template <typename Widget>
Widget* Named(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString Reading(float value) {
    if (std::isnan(value)) return QStringLiteral("-");
    return QString::number(double(value), 'g', 6);
}

std::vector<std::string> ChannelNames(const LiveLog& log) {
    return {log.columns.begin() + (log.columns.empty() ? 0 : 1), log.columns.end()};
}

}  // namespace

TFormRegistrazioni::TFormRegistrazioni(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("FormRegistrazioni"));
    setWindowTitle(QStringLiteral("Registrazioni dei dati in tempo reale"));
    setModal(true);
    for (const LogChannelText& text : kLogChannelTexts)
        channelTexts_[text.column] = QString::fromUtf8(text.fallback);
    BuildControls();
    Localize();
    resize(1000, 640);
}

TFormRegistrazioni::~TFormRegistrazioni() = default;

void TFormRegistrazioni::BuildControls() {
    ButtonApri = MakeButton(this, "ButtonApri", QStringLiteral("&Apri..."));
    LabFile = Named<QLabel>(this, "LabFile");
    LabRiquadri = Named<QLabel>(this, "LabRiquadri");
    LabRiquadri->setText(QStringLiteral("Riquadri:"));
    SpinRiquadri = Named<QSpinBox>(this, "SpinRiquadri");
    SpinRiquadri->setRange(1, LogPaneLayout::kMaxPanes);
    ComboRiquadro = Named<QComboBox>(this, "ComboRiquadro");
    ListCanali = Named<QListWidget>(this, "ListCanali");
    LabMarcatori = Named<QLabel>(this, "LabMarcatori");
    LabMarcatori->setText(QStringLiteral("Marcatori:"));
    ListMarcatori = Named<QListWidget>(this, "ListMarcatori");
    Schede = Named<QTabWidget>(this, "Schede");
    PageGrafici = Named<QWidget>(Schede, "PageGrafici");
    LabSuggerimento = Named<QLabel>(PageGrafici, "LabSuggerimento");
    LabSuggerimento->setText(
        QStringLiteral("Nessuna registrazione aperta: premere Apri... per sceglierne una."));
    LabSuggerimento->setAlignment(Qt::AlignCenter);
    paneBox_ = new QVBoxLayout(PageGrafici);
    paneBox_->setContentsMargins(0, 0, 0, 0);
    paneBox_->setSpacing(0);
    paneBox_->addWidget(LabSuggerimento);
    PageDispersione = BuildScatterPage();
    Schede->addTab(PageGrafici, QStringLiteral("Grafici"));
    Schede->addTab(PageDispersione, QStringLiteral("Dispersione"));
    LabCursore = Named<QLabel>(this, "LabCursore");
    LabCursore->setWordWrap(true);
    LabCursore->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ButtonRiproduci1 = MakeButton(this, "ButtonRiproduci1", QStringLiteral("Riproduci 1\u00D7"));
    ButtonRiproduci4 = MakeButton(this, "ButtonRiproduci4", QStringLiteral("Riproduci 4\u00D7"));
    ButtonEsci = MakeButton(this, "ButtonEsci", QStringLiteral("&Esci"));
    ButtonRiproduci1->setEnabled(false);
    ButtonRiproduci4->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(ButtonApri);
    top->addWidget(LabFile, 1);
    auto* panesRow = new QHBoxLayout;
    panesRow->addWidget(LabRiquadri);
    panesRow->addWidget(SpinRiquadri);
    panesRow->addWidget(ComboRiquadro, 1);
    auto* side = new QVBoxLayout;
    side->addLayout(panesRow);
    side->addWidget(ListCanali, 3);
    side->addWidget(LabMarcatori);
    side->addWidget(ListMarcatori, 1);
    auto* sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setMaximumWidth(kListWidth);
    auto* middle = new QHBoxLayout;
    middle->addWidget(sideBox);
    middle->addWidget(Schede, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ButtonRiproduci1);
    bottom->addWidget(ButtonRiproduci4);
    bottom->addStretch(1);
    bottom->addWidget(ButtonEsci);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(LabCursore);
    layout->addLayout(bottom);

    connect(ButtonApri, &QPushButton::clicked, this, &TFormRegistrazioni::ButtonApriClick);
    connect(ButtonRiproduci1, &QPushButton::clicked, this, [this] { Replay(1); });
    connect(ButtonRiproduci4, &QPushButton::clicked, this, [this] { Replay(4); });
    connect(ButtonEsci, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListCanali, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!filling_) ShowChannel(ListCanali->row(item), item->checkState() == Qt::Checked);
    });
    connect(SpinRiquadri, &QSpinBox::valueChanged, this, [this](int count) {
        if (!filling_) SetPaneCount(count);
    });
    connect(ComboRiquadro, &QComboBox::currentIndexChanged, this, [this](int pane) {
        if (!filling_) ChoosePane(pane);
    });
    connect(ListMarcatori, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_) GoToMarker(row);
    });
    connect(Schede, &QTabWidget::currentChanged, this, [this] { RedrawScatter(); });
}

bool TFormRegistrazioni::Localize() {
    Localizer localizer(dictionary_);
    localizer.Caption(ButtonApri, 20)
        .Caption(ButtonRiproduci1, 20)
        .Caption(ButtonRiproduci4, 20)
        .Caption(ButtonEsci, 10)
        .Caption(LabRiquadri, 20)
        .Caption(LabMarcatori, 20)
        .Caption(LabSuggerimento, 70)
        .Caption(PageDispersione->findChild<QLabel*>(QStringLiteral("LabColore")), 20)
        .Caption(PageGrafici, 20)
        .Caption(PageDispersione, 20)
        .WindowTitle(this, QStringLiteral("FinestraRegistrazioni"), 70)
        .Text(QStringLiteral("MessRegNonLeggibile"), 70, messNotLog_)
        .Text(QStringLiteral("FinestraApriRegistrazione"), 50, openTitle_)
        .Text(QStringLiteral("TestoRiquadro"), 20, paneText_)
        .Text(QStringLiteral("TestoMarcatore"), 20, markerText_);
    for (const LogChannelText& text : kLogChannelTexts)
        localizer.Text(QString::fromLatin1(text.identifier), kLogChannelTextLength,
                       channelTexts_[text.column]);
    return localizer.RunOrReport(ctx_.prompter, dictionary_messages::kLiveData, AppContext::kTitle);
}

void TFormRegistrazioni::ButtonApriClick() {
    const std::string& main = ctx_.global.MainPath();
    const std::string folder =
        (main.empty() ? ctx_.applicationDirectory : main) + "/" + LiveRecording::kFolder;
    const QString path = QFileDialog::getOpenFileName(this, openTitle_, QFile::decodeName(folder.c_str()),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty()) OpenLog(path);
}

bool TFormRegistrazioni::OpenLog(const QString& path) {
    LiveLogLoad load = ReadLiveLog(QFile::encodeName(path).toStdString());
    if (!load.ok || load.log.RowCount() == 0) {
        const std::string why = load.ok ? ToCp1252(path) + ": no rows" : load.error;
        ctx_.prompter.Ask(messNotLog_ + "\n" + why, ToCp1252(windowTitle()), PromptIcon::Error,
                          PromptButtons::Ok);
        return false;
    }
    // The viewer's decimators point into the log on view: they go before it is replaced.
    decimators_.clear();
    log_ = std::move(load.log);
    for (size_t c = 0; c < log_.ChannelCount(); ++c) decimators_.emplace_back(log_.times, log_.channels[c]);
    path_ = path;
    LabFile->setText(QStringLiteral("%1  (%2)").arg(path).arg(log_.RowCount()));
    const bool replayable = LiveReplay::Of(log_, 1).has_value();
    ButtonRiproduci1->setEnabled(replayable);
    ButtonRiproduci4->setEnabled(replayable);
    layout_ = LogPaneLayout::ForLog(
        ctx_.global.WindowSetting(QString::fromLatin1(kPanesSetting)).toStdString(), ChannelNames(log_));
    chosenPane_ = 0;
    span_ = {double(log_.times.front()), double(std::max(log_.times.back(), log_.times.front() + 1))};
    BuildPanes();
    FillPaneChoice();
    FillChannels();
    FillMarkers();
    FillScatterChoices();
    SetCursor(log_.times.front());
    return true;
}

QString TFormRegistrazioni::ChannelName(int channel) const {
    const std::string& column = log_.columns[size_t(channel) + 1];
    const auto known = channelTexts_.find(column);
    return known != channelTexts_.end() ? known->second : QString::fromStdString(column);
}

void TFormRegistrazioni::FillChannels() {
    filling_ = true;
    ListCanali->clear();
    for (size_t c = 0; c < log_.ChannelCount(); ++c) {
        auto* item = new QListWidgetItem(ChannelName(int(c)), ListCanali);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(layout_.Shows(chosenPane_, log_.columns[c + 1]) ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
}

void TFormRegistrazioni::FillPaneChoice() {
    filling_ = true;
    SpinRiquadri->setValue(layout_.PaneCount());
    ComboRiquadro->clear();
    for (int pane = 0; pane < layout_.PaneCount(); ++pane) ComboRiquadro->addItem(paneText_.arg(pane + 1));
    ComboRiquadro->setCurrentIndex(chosenPane_);
    filling_ = false;
}

void TFormRegistrazioni::FillMarkers() {
    filling_ = true;
    ListMarcatori->clear();
    for (const LogMarker& marker : log_.markers)
        ListMarcatori->addItem(QStringLiteral("%1  %2 s")
                                   .arg(markerText_.arg(marker.number))
                                   .arg(marker.tMs / kMsPerSecond, 0, 'f', 1));
    filling_ = false;
}

void TFormRegistrazioni::ChoosePane(int pane) {
    if (pane < 0 || pane >= layout_.PaneCount()) return;
    chosenPane_ = pane;
    if (ComboRiquadro->currentIndex() != pane) ComboRiquadro->setCurrentIndex(pane);
    FillChannels();
}

void TFormRegistrazioni::SetPaneCount(int count) {
    if (log_.RowCount() == 0) return;
    layout_.SetPaneCount(count);
    chosenPane_ = std::min(chosenPane_, layout_.PaneCount() - 1);
    RememberLayout();
    BuildPanes();
    FillPaneChoice();
    FillChannels();
}

std::vector<int> TFormRegistrazioni::ShownChannels() const {
    std::vector<int> shown;
    for (size_t c = 0; c < log_.ChannelCount(); ++c)
        if (layout_.Shows(chosenPane_, log_.columns[c + 1])) shown.push_back(int(c));
    return shown;
}

void TFormRegistrazioni::ShowChannel(int channel, bool shown) {
    if (channel < 0 || size_t(channel) >= log_.ChannelCount()) return;
    layout_.Show(chosenPane_, log_.columns[size_t(channel) + 1], shown);
    RememberLayout();
    BuildPanes();
    FillChannels();
}

void TFormRegistrazioni::RememberLayout() {
    ctx_.global.SetWindowSetting(QString::fromLatin1(kPanesSetting),
                                 QString::fromStdString(layout_.Encode()));
}

void TFormRegistrazioni::Zoom(double factor) {
    if (log_.RowCount() == 0 || factor <= 0) return;
    const double middle = (span_.first + span_.second) / 2;
    const double half = (span_.second - span_.first) / 2 / factor;
    SetSpan(middle - half, middle + half);
}

void TFormRegistrazioni::Pan(double fraction) {
    if (log_.RowCount() == 0) return;
    const double shift = (span_.second - span_.first) * fraction;
    SetSpan(span_.first + shift, span_.second + shift);
}

void TFormRegistrazioni::GoToMarker(int index) {
    if (index < 0 || size_t(index) >= log_.markers.size()) return;
    const double at = double(log_.markers[size_t(index)].tMs);
    const double half = (span_.second - span_.first) / 2;
    SetSpan(at - half, at + half);
    SetCursor(log_.markers[size_t(index)].tMs);
}

void TFormRegistrazioni::SetCursor(int64_t tMs) {
    if (log_.RowCount() == 0) return;
    cursorMs_ = tMs;
    LabCursore->setText(CursorText());
    PlaceCursorLines();
}

QString TFormRegistrazioni::CursorText() const {
    if (log_.RowCount() == 0) return {};
    const size_t row = log_.RowAt(cursorMs_);
    QString text = QStringLiteral("t %1 s").arg(cursorMs_ / kMsPerSecond, 0, 'f', 3);
    for (size_t c = 0; c < log_.ChannelCount(); ++c)
        text += QStringLiteral("   %1 %2").arg(ChannelName(int(c)), Reading(log_.Value(row, int(c))));
    return text;
}

void TFormRegistrazioni::Replay(int speed) {
    replaySpeed_ = speed;
    accept();
}

}  // namespace zov
