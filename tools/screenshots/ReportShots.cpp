#include "ReportShots.h"

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <vector>

#include "AppContext.h"
#include "Clock.h"
#include "ConfigurationReport.h"
#include "EcuSimulator.h"
#include "IoBaseData.h"
#include "Prompter.h"
#include "ReportPainter.h"
#include "SimulatedLine.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

constexpr int kPreviewTitleLength = 25;

// The report pages of a loaded simulated ECU, kept as long as the preview that shows them.
class ReportBench : public QObject {
  public:
    explicit ReportBench(const QString& dist)
        : line(ecu, clock), painter("ZOV Qbr", IoBaseData::ReportDateTimeText(NowDayNumber())) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) context->model.ReadFromEcu();
        pages = ConfigurationReport(context->model).AllPages();
    }
    ~ReportBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
    ReportPainter painter;
    std::vector<ReportPage> pages;
};

}  // namespace

std::unique_ptr<QWidget> ReportPreview(const QString& dist, TModuloLingua& dictionary) {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    auto preview = std::make_unique<QPrintPreviewDialog>(printer.get());
    preview->setObjectName(QStringLiteral("PreviewDialog"));
    preview->setWindowTitle(
        dictionary.Lookup(u"MenuAnteprima", kPreviewTitleLength).value_or(QStringLiteral("Anteprima")));
    auto* bench = new ReportBench(dist);
    bench->setParent(preview.get());
    QObject::connect(
        preview.get(), &QPrintPreviewDialog::paintRequested, bench,
        [bench, printer](QPrinter* target) { bench->painter.PaintPreview(*target, bench->pages); });
    preview->resize(1000, 760);
    preview->show();
    return preview;
}

}  // namespace zov::shots
