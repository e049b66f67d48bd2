// The report as a PDF file: what poppler reads back from it (the text of each page in order,
// the pages and their orientation, the footers) and what a failed write leaves behind.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <filesystem>
#include <string>
#include <vector>

#include "CarReport.h"
#include "ConfigurationModel.h"
#include "ConfigurationReport.h"
#include "MapReport.h"
#include "ModelTestSupport.h"
#include "PdfTools.h"
#include "ReportPainter.h"
#include "ReportPdf.h"

namespace zov {
namespace {

using testing::PdfPageInfo;
using testing::PdfText;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WordsOfLine;

const ReportPainter kPainter("ZOV Qbr", "gioved\xEC 10 dicembre 2026  15:04:05");

// `texts` occur in `haystack` in this order.
void ExpectInOrder(const std::string& haystack, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        const size_t found = haystack.find(text, at);
        ASSERT_NE(found, std::string::npos) << "\"" << text << "\" missing or out of order in:\n" << haystack;
        at = found + text.size();
    }
}

TEST(ReportPdf, FivePagesOfTheSimulatedEcuInOrder) {
    testing::ModelBench bench;
    ConfigurationModel model(bench.link, bench.map, bench.car, bench.param);
    model.ReadFromEcu();
    bench.map.SetCell(5, 7, 333, false);
    ScratchDir dir;
    const std::string pdf = dir.File("report.pdf");
    ASSERT_EQ(WriteReportPdf(pdf, ConfigurationReport(model).AllPages(), kPainter), "");

    const testing::PdfPages info = PdfPageInfo(pdf, 5);
    EXPECT_EQ(info.count, 5);
    EXPECT_EQ(info.landscape, (std::vector<bool>{false, true, false, true, true}));

    ExpectInOrder(PdfText(pdf),
                  {"Stampa dati Centralina Iniezione ZOV", "gioved\u00EC 10 dicembre 2026", "15:04:05",
                   "Dati di identificazione della centralina:", "FIAT PUNTO 1.2 8V", "Pag. 1/5",
                   "Parametri di configurazione della vettura (continua)", "Pag. 2/5",
                   "Parametri di diagnosi della vettura:", "Rel\u00E8 di sicurezza", "Pag. 3/5",
                   "Mappatura della vettura:", "Raggio Intorno Giri:", "Pag. 4/5",
                   "Tabella guadagni integrali e proporzionali", "Mappa di arricchimento", "Pag. 5/5"});

    const std::string mapPage = PdfText(pdf, 4, 4);
    const std::vector<std::string> speeds = WordsOfLine(mapPage, "450");
    // The ECU's columns are periods: their speeds come back as 7500000 / period.
    EXPECT_EQ(speeds, (std::vector<std::string>{"450",  "550",  "650",  "800",  "950",  "1150", "1350",
                                                "1600", "1850", "2150", "2450", "2750", "3100", "3501",
                                                "3900", "4350", "4851", "5353", "5900", "6504"}));
    // Row 5 of the simulated ECU's map, led by its pressure: the changed cell in column 7.
    const std::vector<std::string> row = WordsOfLine(mapPage, "0.78");
    ASSERT_EQ(row.size(), 21u) << mapPage;
    EXPECT_EQ(row[1 + 7], "333");
    EXPECT_EQ(WordsOfLine(PdfText(pdf, 1, 1), "Modello"),
              (std::vector<std::string>{"Modello", "vettura", "FIAT", "PUNTO", "1.2", "8V"}));
}

TEST(ReportPdf, FootersCountFromTheFirstPageGiven) {
    testing::ModelBench bench({}, false);
    std::vector<ReportPage> pages = CarReport(bench.car, bench.map).Pages(3, CarReport::kAllPages, 7);
    pages.push_back(MapReport(bench.map).Page(6, 7));
    ScratchDir dir;
    const std::string pdf = dir.File("numbered.pdf");
    ASSERT_EQ(WriteReportPdf(pdf, pages, kPainter), "");
    EXPECT_EQ(PdfPageInfo(pdf, 4).count, 4);
    for (int page = 1; page <= 4; ++page) {
        const std::string text = PdfText(pdf, page, page);
        EXPECT_NE(text.find("Pag. " + std::to_string(page + 2) + "/7"), std::string::npos) << text;
        EXPECT_EQ(text.find("Pag. " + std::to_string(page) + "/"), std::string::npos) << text;
    }
}

TEST(ReportPdf, AFailedWriteLeavesTheOldFileAndNoHalfPdf) {
    testing::ModelBench bench({}, false);
    const std::vector<ReportPage> pages = {MapReport(bench.map).Page(1, 1)};
    ScratchDir dir;
    const std::string pdf = dir.File("old.pdf");
    testing::WriteFile(pdf, "the report printed last week");
    {
        const testing::FileSizeLimit fullDisk(2048);
        const std::string error = WriteReportPdf(pdf, pages, kPainter);
        EXPECT_NE(error, "");
    }
    EXPECT_EQ(ReadFile(pdf), "the report printed last week");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"old.pdf"}));

    const std::string nowhere = dir.File("no-such-folder/report.pdf");
    EXPECT_NE(WriteReportPdf(nowhere, pages, kPainter).find("no-such-folder"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("no-such-folder")));
    EXPECT_NE(WriteReportPdf(dir.File("empty.pdf"), {}, kPainter), "");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"old.pdf"}));
}

// A print preview has one paper size for all its pages: every page goes on portrait paper, and a
// landscape page is shrunk to the paper's width, whole, not cut at its edge.
TEST(ReportPreview, EveryPageWholeOnPortraitPaper) {
    testing::ModelBench bench({}, false);
    ConfigurationModel model(bench.link, bench.map, bench.car, bench.param);
    ScratchDir dir;
    const std::string pdf = dir.File("preview.pdf");
    {
        QPdfWriter writer(QString::fromStdString(pdf));
        writer.setPageSize(QPageSize(QPageSize::A4));
        EXPECT_EQ(kPainter.PaintPreview(writer, ConfigurationReport(model).AllPages()), "");
    }
    const testing::PdfPages info = PdfPageInfo(pdf, 5);
    EXPECT_EQ(info.count, 5);
    EXPECT_EQ(info.landscape, (std::vector<bool>(5, false)));
    const std::vector<std::string> speeds = WordsOfLine(PdfText(pdf, 4, 4), "450");
    ASSERT_EQ(speeds.size(), 20u);
    EXPECT_EQ(speeds.back(), "6500");
    EXPECT_NE(PdfText(pdf, 5, 5).find("Pag. 5/5"), std::string::npos);
}

// On a printer every page is a print job of its own: a printer that writes each job into the same
// file keeps only the last page, and a printer that cannot start fails every page on its own.
TEST(ReportPrinter, EveryPageIsAJobOfItsOwn) {
    testing::ModelBench bench({}, false);
    const std::vector<ReportPage> pages =
        CarReport(bench.car, bench.map).Pages(1, CarReport::kPage1 | CarReport::kPage2, 2);
    ScratchDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.File("jobs.pdf")));
    EXPECT_TRUE(kPainter.PrintJobs(printer, pages).empty());
    const testing::PdfPages info = PdfPageInfo(dir.File("jobs.pdf"), 1);
    EXPECT_EQ(info.count, 1);
    EXPECT_EQ(info.landscape, std::vector<bool>{true}) << "the last job's page, in its own orientation";
    EXPECT_NE(PdfText(dir.File("jobs.pdf")).find("Pag. 2/2"), std::string::npos);

    printer.setOutputFileName(QString::fromStdString(dir.File("no-such-folder/jobs.pdf")));
    const std::vector<std::string> failures = kPainter.PrintJobs(printer, pages);
    EXPECT_EQ(failures, (std::vector<std::string>{"Pag. 1/2: the printer could not be started",
                                                  "Pag. 2/2: the printer could not be started"}));
}

}  // namespace
}  // namespace zov
