#include "ArchiveShots.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "FormProgrammingHost.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormSchema.h"
#include "TFormVetture.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

// The program's objects on the simulated ECU, the runtime folder as main path. A child of the
// window that uses it, so it goes after the window's own parts.
class ArchiveBench : public QObject {
  public:
    explicit ArchiveBench(const QString& dist) : line(ecu, clock), host(nullptr, {}) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        context->global.SetPath(GlobalData::kMainPath, QFile::encodeName(dist).toStdString());
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
    FormProgrammingHost host;
};

}  // namespace

std::unique_ptr<QWidget> VehicleArchive(const QString& dist, TModuloLingua& dictionary, bool installation) {
    auto* bench = new ArchiveBench(dist);
    auto window = std::make_unique<TFormVetture>(
        *bench->context, dictionary, installation ? ArchiveMode::Installation : ArchiveMode::Browsing,
        bench->host);
    bench->setParent(window.get());
    QTreeWidget* tree = window->TreeViewVetture;
    tree->expandAll();
    QTreeWidgetItem* fiat = tree->topLevelItem(0)->child(0);
    if (fiat != nullptr && fiat->childCount() > 0) tree->setCurrentItem(fiat->child(0));
    window->show();
    return window;
}

std::unique_ptr<QWidget> InstructionViewer(const QString& dist, TModuloLingua& dictionary) {
    const QString sheet = QStringLiteral("/Gpl/Fiat/PUNTO_1.2_8V_001.pdf");
    QString language = dictionary.CurrentLanguage();
    if (!QFile::exists(dist + QStringLiteral("/Schede/") + language + sheet))
        language = QStringLiteral("ITALIANO");
    auto viewer = std::make_unique<TFormSchema>();
    viewer->setWindowTitle(dictionary.Lookup(u"FinestraIstruzioni", 70).value_or(QString()) +
                           QStringLiteral("  -  PUNTO_1.2_8V (001)"));
    viewer->Button1->setText(dictionary.Lookup(u"ButtonOK", 15).value_or(QStringLiteral("OK")));
    viewer->LabelCerca->setText(dictionary.Lookup(u"LabelCerca", 15).value_or(QString()));
    viewer->Open(dist + QStringLiteral("/Schede/") + language + sheet);
    viewer->resize(800, 600);
    viewer->show();
    return viewer;
}

}  // namespace zov::shots
