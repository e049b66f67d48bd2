#include "CustomerShots.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "AppContext.h"
#include "Clock.h"
#include "CustomerArchive.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormClienti.h"
#include "TFormRicerca.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

CustomerRecord Sample(const char* surname, const char* name, const char* city, const char* plate, int cc,
                      QDate installed) {
    CustomerRecord r;
    r.values[kCognome] = QString::fromUtf8(surname);
    r.values[kNome] = QString::fromUtf8(name);
    r.values[kIndirizzo] = QStringLiteral("Via Emilia 12");
    r.values[kCitta] = QString::fromUtf8(city);
    r.values[kProvincia] = QStringLiteral("BO");
    r.values[kTelefono] = QStringLiteral("051 123456");
    r.values[kAuto] = QStringLiteral("FIAT PUNTO 1.2 8V");
    r.values[kCilindrata] = cc;
    r.values[kAnnoAuto] = 2005;
    r.values[kProgramma] = QStringLiteral("PUNTO12.ZOV");
    r.values[kVersione] = QStringLiteral("0.200");
    r.values[kDataProg] = QDate(2024, 10, 15);
    r.values[kDataInst] = installed;
    r.values[kNSerie] = QStringLiteral("RD-004711");
    r.values[kTarga] = QString::fromUtf8(plate);
    return r;
}

// The program's objects and a sample archive in a runtime folder of its own. A child of the
// window that uses it, so it goes after the window's own parts.
class CustomerBench : public QObject {
  public:
    explicit CustomerBench(const QString& dist) : line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        location.runtimeDirectory = runtime.path();
        CustomerArchive archive(location);
        archive.Open(true);
        archive.Post(Sample("Bianchi", "Lucia", "Bologna", "EF456GH", 1368, QDate(2026, 11, 3)), true);
        archive.Post(Sample("Rossi", "Mario", "Milano", "AB123CD", 1242, QDate(2026, 12, 10)), true);
        archive.Post(Sample("Verdi", "Giuseppe", "Mirandola", "CD789AB", 1598, QDate(2026, 9, 21)), true);
        archive.Apply();
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    QTemporaryDir runtime;
    ArchiveLocation location;
    std::unique_ptr<AppContext> context;
};

std::unique_ptr<TFormClienti> Window(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new CustomerBench(dist);
    auto window = std::make_unique<TFormClienti>(*bench->context, dictionary);
    bench->setParent(window.get());
    window->SetLocation(bench->location);
    window->dateOrderFormat = QStringLiteral("d/M/yyyy");
    return window;
}

}  // namespace

std::unique_ptr<QWidget> CustomerWindow(const QString& dist, TModuloLingua& dictionary) {
    auto window = Window(dist, dictionary);
    window->show();
    window->ButtonNextClick();
    return window;
}

std::unique_ptr<QWidget> CustomerSearchDialog(const QString& dist, TModuloLingua& dictionary) {
    auto window = Window(dist, dictionary);
    window->show();
    std::unique_ptr<TFormRicerca> dialog = window->MakeSearchDialog(false);
    dialog->setParent(nullptr);
    dialog->show();
    dialog->ComboCampi->setCurrentIndex(kCitta);
    dialog->EditValore->setText(QStringLiteral("mi"));
    // The window only lends the dialog its texts.
    window->hide();
    window.release()->setParent(dialog.get());
    return dialog;
}

}  // namespace zov::shots
