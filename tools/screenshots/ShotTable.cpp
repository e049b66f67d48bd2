#include "ShotTable.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>
#include <vector>

#include "ArchiveShots.h"
#include "ChartShots.h"
#include "CustomerShots.h"
#include "DiagnosisShots.h"
#include "EditorShots.h"
#include "EnrichmentShots.h"
#include "LiveShots.h"
#include "MainWindowShots.h"
#include "MapShots.h"
#include "ReportShots.h"
#include "TFormAttesaFile.h"
#include "TFormConfronta.h"
#include "TFormSceltaBackup.h"
#include "TFormSceltaLingua.h"
#include "TModuloLingua.h"
#include "UpdateShots.h"

namespace zov::shots {

namespace {

QString Text(Context& c, const char* identifier, int length) {
    return c.dictionary.Lookup(QString::fromLatin1(identifier), length)
        .value_or(QStringLiteral("<%1>").arg(identifier));
}

std::unique_ptr<QWidget> ProgressWindow(Context& c) {
    auto form = std::make_unique<zov::TFormAttesaFile>();
    form->setWindowTitle(Text(c, "MessConnCpu", 70));
    form->Label1->setText(Text(c, "MessCaricaDati", 70));
    form->completionText = Text(c, "MessCompletato", 15);
    form->show();
    form->SetProgress(60, true);
    return form;
}

std::unique_ptr<QWidget> LanguageChoice(Context& c) {
    auto form = std::make_unique<zov::TFormSceltaLingua>();
    form->setWindowTitle(Text(c, "FinestraInstall", 70));
    form->LabelWarning->setText(Text(c, "MessNoGuidaLingua", 70) + QStringLiteral("\n") +
                                Text(c, "MessNoIstrLingua2", 70));
    form->OKBtn->setText(Text(c, "ButtonOK", 15));
    form->CancelBtn->setText(Text(c, "ButtonAnnulla", 15));
    for (int k = 1; k <= c.dictionary.LanguageCount(); ++k) {
        if (QFile::exists(zov::HelpFilePath(c.dist, c.dictionary.LanguageKey(k - 1)))) {
            form->AddLanguage(c.dictionary.LanguageCaption(k - 1), k);
        }
    }
    form->show();
    return form;
}

std::unique_ptr<QWidget> LanguagePanel(Context& c) {
    auto panel = std::make_unique<QFrame>();
    panel->setObjectName(QStringLiteral("PanelLingue"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->resize(64, 300);
    c.dictionary.BuildLanguageButtons(panel.get());
    panel->show();
    return panel;
}

// The generated pictures side by side, to judge them at their real size.
std::unique_ptr<QWidget> Pictures(Context& c) {
    auto sheet = std::make_unique<QWidget>();
    auto* grid = new QGridLayout(sheet.get());
    const QDir pictures(QDir(c.dist).filePath(QStringLiteral("immagini")));
    const auto add = [&](const QString& file, int row, int column, int rowSpan = 1, int columnSpan = 1) {
        auto* label = new QLabel(sheet.get());
        QPixmap pixmap(pictures.filePath(file));
        if (pixmap.width() > 400) pixmap = pixmap.scaledToWidth(400, Qt::SmoothTransformation);
        label->setPixmap(pixmap);
        label->setToolTip(file);
        grid->addWidget(label, row, column, rowSpan, columnSpan, Qt::AlignLeft | Qt::AlignTop);
    };
    add(QStringLiteral("Sfondo1.bmp"), 0, 0);
    add(QStringLiteral("Sfondo2.bmp"), 0, 1);
    add(QStringLiteral("Splash.bmp"), 1, 0);
    auto* small = new QWidget(sheet.get());
    auto* column = new QVBoxLayout(small);
    auto* logo = new QLabel(small);
    logo->setPixmap(QPixmap(pictures.filePath(QStringLiteral("Logo.bmp"))));
    column->addWidget(logo);
    auto* flags = new QHBoxLayout();
    for (int i = 0; i < c.dictionary.LanguageCount(); ++i) {
        auto* flag = new QLabel(small);
        flag->setPixmap(QPixmap(pictures.filePath(c.dictionary.FlagFile(i))));
        flags->addWidget(flag);
    }
    flags->addStretch();
    column->addLayout(flags);
    column->addStretch();
    grid->addWidget(small, 1, 1);
    sheet->show();
    return sheet;
}

}  // namespace

std::vector<Shot> Shots() {
    std::vector<Shot> shots = {
        {QStringLiteral("TFormAttesaFile"), ProgressWindow},
        {QStringLiteral("TFormSceltaLingua"), LanguageChoice},
        {QStringLiteral("PanelLingue"), LanguagePanel, false},
        {QStringLiteral("immagini"), Pictures, false},
        {QStringLiteral("TFormMainInst"),
         [](Context& c) { return zov::shots::MainWindow(c.dist, c.dictionary.CurrentIndex(), false); }},
        {QStringLiteral("TFormMainInst_connected"),
         [](Context& c) { return zov::shots::MainWindow(c.dist, c.dictionary.CurrentIndex(), true); }},
        // The size the demo stores (scripts/demo), whatever the screen's scale makes of it.
        {QStringLiteral("TFormMainInst_demo"),
         [](Context& c) {
             return zov::shots::MainWindow(c.dist, c.dictionary.CurrentIndex(), true, QSize(760, 560));
         }},
        {QStringLiteral("TFormDati"),
         [](Context& c) { return zov::shots::EcuDataDialog(c.dist, c.dictionary.CurrentIndex()); }},
        {QStringLiteral("TFormMainInst_loading"),
         [](Context& c) { return zov::shots::LoadingProgress(c.dist, c.dictionary.CurrentIndex()); }, false},
        {QStringLiteral("TFormMainInst_MenuFile"),
         [](Context& c) {
             return zov::shots::MainWindowMenu(c.dist, c.dictionary.CurrentIndex(),
                                               QStringLiteral("MenuFile"));
         }},
        {QStringLiteral("TFormMainInst_MenuVaiA"),
         [](Context& c) {
             return zov::shots::MainWindowMenu(c.dist, c.dictionary.CurrentIndex(),
                                               QStringLiteral("MenuVaiA"));
         },
         false},
        {QStringLiteral("TFormSceltaCarb"),
         [](Context& c) { return zov::shots::FuelChoice(c.dist, c.dictionary.CurrentIndex()); }},
        {QStringLiteral("TFormGestione"),
         [](Context& c) { return zov::shots::ManagementMenu(c.dist, c.dictionary); }},
    };
    // Every page of the parameter editor; the self-adaptation page also in its eight-zone layout.
    for (const char* page : {"PageGenerale", "PageCambio", "PageEmulazione", "PageSensore", "PageCutoff",
                             "PageAdattativita", "PageTps", "PageEmissioni"}) {
        const QString name = QString::fromLatin1(page);
        shots.push_back({QStringLiteral("TFormModifica_") + name, [name](Context& c) {
                             return zov::shots::ParameterEditor(c.dist, c.dictionary, name);
                         }});
    }
    shots.push_back({QStringLiteral("TFormModifica_PageAdattativita8"), [](Context& c) {
                         return zov::shots::ParameterEditor(c.dist, c.dictionary,
                                                            QStringLiteral("PageAdattativita"), true);
                     }});
    shots.push_back({QStringLiteral("TFormModifica_FuoriArchivio"), [](Context& c) {
                         return zov::shots::ParameterEditor(c.dist, c.dictionary,
                                                            QStringLiteral("PageGenerale"), false, true);
                     }});
    shots.push_back({QStringLiteral("TFormModifica_PageTps_live"),
                     [](Context& c) { return zov::shots::EnrichmentPageLive(c.dist, c.dictionary); }});
    // The compare table and the backup list, with the rows an installer would see.
    shots.push_back(
        {QStringLiteral("TFormConfronta"), [](Context& c) -> std::unique_ptr<QWidget> {
             zov::TFormConfronta::Texts texts;
             texts.caption = Text(c, "FinestraConfronta", 50);
             texts.noDifference = Text(c, "MessNessunaDiff", 50);
             texts.differences = Text(c, "MessDifferenze", 50);
             texts.field = Text(c, "LabelCampo", 50);
             texts.ecu = Text(c, "LabelCentralina", 50);
             texts.ok = Text(c, "ButtonOK", 15);
             texts.names.mainMapCell = Text(c, "LabelCellaMappa", 50);
             texts.names.editMark = Text(c, "LabelSegnoModifica", 50);
             return std::make_unique<zov::TFormConfronta>(
                 std::vector<zov::ConfigurationDiff::Difference>{{"CILINDRATA", "1242", "1368"},
                                                                 {"MAX_ERRORE_LAMBDA", "40", "35"},
                                                                 {"CL_4_2", "312", "330"},
                                                                 {"CL_4_2_MOD", "0", "1"}},
                 QStringLiteral("punto.zvf"), texts);
         }});
    shots.push_back({QStringLiteral("TFormSceltaBackup"), [](Context& c) -> std::unique_ptr<QWidget> {
                         auto list = std::make_unique<zov::TFormSceltaBackup>(std::vector<zov::BackupEntry>{
                             {"2026-12-10 14:32", "FIAT PUNTO 1.2 8V", "PUNTO12.ZOV", "a.zvf"},
                             {"2026-12-09 10:05", "FIAT PUNTO 1.2 8V", "PUNTO12.ZOV", "b.zvf"},
                             {"2026-11-30 16:47", "OPEL ZAFIRA 1.6", "ZAFIRA16.ZOV", "c.zvf"}});
                         list->SetTexts(Text(c, "MenuRipristinaBackup", 40),
                                        {Text(c, "LabelDataBackup", 50), Text(c, "LabelModAuto", 12),
                                         Text(c, "LabelProg", 16)},
                                        Text(c, "ButtonOK", 15), Text(c, "ButtonAnnulla", 15));
                         return list;
                     }});
    shots.push_back({QStringLiteral("TFormVetture"),
                     [](Context& c) { return zov::shots::VehicleArchive(c.dist, c.dictionary, false); }});
    shots.push_back({QStringLiteral("TFormVetture_installazione"),
                     [](Context& c) { return zov::shots::VehicleArchive(c.dist, c.dictionary, true); },
                     false});
    shots.push_back({QStringLiteral("TFormAggiorna"),
                     [](Context& c) { return zov::shots::UpdateWindow(c.dist, c.dictionary); }});
    shots.push_back(
        {QStringLiteral("TFormCopia"), [](Context& c) { return zov::shots::CopyWindow(c.dictionary); }});
    shots.push_back({QStringLiteral("TFormSchema"),
                     [](Context& c) { return zov::shots::InstructionViewer(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormSet_enrichment"),
                     [](Context& c) { return zov::shots::ValueEntryDialog(c.dist, c.dictionary, false); }});
    shots.push_back({QStringLiteral("TFormSet_mainmap"),
                     [](Context& c) { return zov::shots::ValueEntryDialog(c.dist, c.dictionary, true); }});
    shots.push_back({QStringLiteral("Anteprima"),
                     [](Context& c) { return zov::shots::ReportPreview(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormGrafico"),
                     [](Context& c) { return zov::shots::MapChart(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormClienti"),
                     [](Context& c) { return zov::shots::CustomerWindow(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormRicerca"),
                     [](Context& c) { return zov::shots::CustomerSearchDialog(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormDiagnosi"),
                     [](Context& c) { return zov::shots::ActuatorTestWindow(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormDiagnFunz"),
                     [](Context& c) { return zov::shots::FunctionalDiagnosisWindow(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormMappa"),
                     [](Context& c) { return zov::shots::MapEditor(c.dist, c.dictionary, false); }});
    shots.push_back({QStringLiteral("TFormMappa_mapping"),
                     [](Context& c) { return zov::shots::MapEditor(c.dist, c.dictionary, true); }});
    shots.push_back({QStringLiteral("TFormVisualizza"),
                     [](Context& c) { return zov::shots::LiveWindow(c.dist, c.dictionary); }});
    shots.push_back({QStringLiteral("TFormRegistrazioni"),
                     [](Context& c) { return zov::shots::LogViewer(c.dist, c.dictionary); }});
    return shots;
}

}  // namespace zov::shots
