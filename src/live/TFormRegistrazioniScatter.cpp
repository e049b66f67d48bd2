// The log viewer's scatter page: one channel against another over the span on view, coloured by
// a third, with the map's breakpoints as its grid.
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>

#include "LogScatterView.h"
#include "TFormRegistrazioni.h"

namespace zov {
namespace {

// rpm against manifold pressure coloured by lambda: which map cells the drive went through.
const char* const kScatterX = "rpm";
const char* const kScatterY = "map_bar";
const char* const kScatterColour = "lambda_v";

void Choose(QComboBox* box, int channel, int otherwise) {
    box->setCurrentIndex(channel >= 0 ? channel : otherwise);
}

}  // namespace

QWidget* TFormRegistrazioni::BuildScatterPage() {
    auto* page = new QWidget(Schede);
    page->setObjectName(QStringLiteral("PageDispersione"));
    auto* labX = new QLabel(QStringLiteral("X:"), page);
    auto* labY = new QLabel(QStringLiteral("Y:"), page);
    auto* labColour = new QLabel(QStringLiteral("Colore:"), page);
    labColour->setObjectName(QStringLiteral("LabColore"));
    ComboAsseX = new QComboBox(page);
    ComboAsseX->setObjectName(QStringLiteral("ComboAsseX"));
    ComboAsseY = new QComboBox(page);
    ComboAsseY->setObjectName(QStringLiteral("ComboAsseY"));
    ComboColore = new QComboBox(page);
    ComboColore->setObjectName(QStringLiteral("ComboColore"));
    Dispersione = new LogScatterView(page);
    Dispersione->setObjectName(QStringLiteral("Dispersione"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(labX, 0, 0);
    grid->addWidget(ComboAsseX, 0, 1);
    grid->addWidget(labY, 0, 2);
    grid->addWidget(ComboAsseY, 0, 3);
    grid->addWidget(labColour, 0, 4);
    grid->addWidget(ComboColore, 0, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    grid->addWidget(Dispersione, 1, 0, 1, 6);
    grid->setRowStretch(1, 1);
    for (QComboBox* box : {ComboAsseX, ComboAsseY, ComboColore})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_) RedrawScatter();
        });
    connect(Dispersione, &LogScatterView::resized, this, [this] { RedrawScatter(); });
    return page;
}

void TFormRegistrazioni::FillScatterChoices() {
    filling_ = true;
    for (QComboBox* box : {ComboAsseX, ComboAsseY, ComboColore}) {
        box->clear();
        for (size_t c = 0; c < log_.ChannelCount(); ++c) box->addItem(ChannelName(int(c)));
    }
    const int last = int(log_.ChannelCount()) - 1;
    Choose(ComboAsseX, log_.Channel(kScatterX), 0);
    Choose(ComboAsseY, log_.Channel(kScatterY), std::min(1, last));
    Choose(ComboColore, log_.Channel(kScatterColour), std::min(2, last));
    filling_ = false;
    RedrawScatter();
}

void TFormRegistrazioni::RedrawScatter() {
    // Only a scatter on view is worked out; the page does it again when it is chosen.
    if (log_.RowCount() == 0 || Schede->currentWidget() != PageDispersione || ComboAsseX->currentIndex() < 0)
        return;
    const int x = ComboAsseX->currentIndex();
    const int y = ComboAsseY->currentIndex();
    const int colour = ComboColore->currentIndex();
    ScatterPicture picture;
    picture.x = log_.Range(x);
    picture.y = log_.Range(y);
    picture.colour = log_.Range(colour);
    for (auto* range : {&picture.x, &picture.y})
        if (!(range->second > range->first)) range->second = range->first + 1;
    const QSize cells = Dispersione->Cells();
    ScatterBinner binner(cells.width(), cells.height(), picture.x, picture.y);
    const auto [first, last] = log_.RowsIn(span_.first, span_.second);
    const std::vector<float>& xs = log_.channels[size_t(x)];
    const std::vector<float>& ys = log_.channels[size_t(y)];
    const std::vector<float>& colours = log_.channels[size_t(colour)];
    for (size_t row = first; row < last; ++row) binner.Add(xs[row], ys[row], colours[row]);
    picture.bins = binner.Bins();
    picture.columns = binner.Columns();
    picture.rows = binner.Rows();
    const int sensorType = ctx_.car.TIPO_SENSORE_MAP;
    picture.xGrid = MapBreakpoints(log_.columns[size_t(x) + 1], ctx_.map, sensorType);
    picture.yGrid = MapBreakpoints(log_.columns[size_t(y) + 1], ctx_.map, sensorType);
    picture.xName = ChannelName(x);
    picture.yName = ChannelName(y);
    picture.colourName = ChannelName(colour);
    Dispersione->SetPicture(std::move(picture));
}

}  // namespace zov
