// The main window's printed reports: "Stampa" with the print dialog's pages, copies and
// collation, and "Anteprima", the same pages in a print preview.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <string>
#include <vector>

#include "BusyCursor.h"
#include "ConfigurationReport.h"
#include "Cp1252.h"
#include "IoBaseData.h"
#include "ReportPainter.h"
#include "ReportPdf.h"
#include "TFormMainInst.h"
#include "TimerPause.h"

namespace zov {
namespace {

// What the user asked for in the print dialog.
PrintRequest RequestOf(const QPrinter& printer) {
    PrintRequest request;
    request.allPages = printer.printRange() != QPrinter::PageRange;
    request.fromPage = printer.fromPage();
    request.toPage = printer.toPage();
    request.copies = printer.copyCount();
    request.collate = printer.collateCopies();
    return request;
}

}  // namespace

QString TFormMainInst::ChooseReportFile() {
    QFileDialog dialog(this, Text("MenuStampa"), mainPath_, QStringLiteral("PDF (*.pdf)"));
    dialog.setObjectName(QStringLiteral("ReportFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (fileChooser_) return fileChooser_(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void TFormMainInst::MenuStampaClick() {
    TimerPause pause(*Timer1);
    QPrinter printer(QPrinter::HighResolution);
    // Without a printer the report goes into a PDF file.
    if (QPrinterInfo::availablePrinters().isEmpty()) printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setCollateCopies(false);
    printer.setFromTo(1, PrintPlan::kDialogPages);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setMinMax(1, PrintPlan::kDialogPages);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintToFile);
    if ((printDialogRunner_ ? printDialogRunner_(dialog) : dialog.exec()) != QDialog::Accepted) return;

    const PrintRequest request = RequestOf(printer);
    // The copies and their order are the plan's: the printer makes one of each page.
    printer.setCopyCount(1);
    printer.setCollateCopies(false);
    std::vector<ReportPage> pages;
    {
        BusyCursor busy;
        pages = ConfigurationReport(ctx_.model).Pages(PrintPlan::Jobs(request));
    }
    const ReportPainter painter(windowTitle().toStdString(), IoBaseData::ReportDateTimeText(NowDayNumber()));
    if (printer.outputFormat() != QPrinter::PdfFormat) {
        for (const std::string& failure : painter.PrintJobs(printer, pages))
            ShowError(texts_["MessErrStampa"] + "\n" + cp1252::FromUtf8(failure));
        return;
    }
    const QString target = printer.outputFileName().isEmpty() ? ChooseReportFile() : printer.outputFileName();
    if (target.isEmpty()) return;
    std::string error;
    {
        BusyCursor busy;
        error = WriteReportPdf(QFile::encodeName(target).toStdString(), pages, painter);
    }
    if (!error.empty()) ShowError(texts_["MessErrStampa"] + "\n" + cp1252::FromUtf8(error));
}

void TFormMainInst::MenuAnteprimaClick() {
    TimerPause pause(*Timer1);
    std::vector<ReportPage> pages;
    {
        BusyCursor busy;
        pages = ConfigurationReport(ctx_.model).AllPages();
    }
    const ReportPainter painter(windowTitle().toStdString(), IoBaseData::ReportDateTimeText(NowDayNumber()));
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PreviewDialog"));
    preview.setWindowTitle(Text("MenuAnteprima"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        const std::string error = painter.PaintPreview(*target, pages);
        if (!error.empty()) ShowError(texts_["MessErrStampa"] + "\n" + error);
    });
    if (previewRunner_)
        previewRunner_(preview);
    else
        preview.exec();
}

}  // namespace zov
