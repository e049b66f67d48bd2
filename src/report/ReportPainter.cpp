#include "ReportPainter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

#include "Cp1252.h"
#include "PainterCanvas.h"

namespace zov {

QPageLayout::Orientation ReportPainter::Orientation(const ReportPage& page) {
    return page.orientation == ReportPage::Orientation::Landscape ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait;
}

void ReportPainter::PaintPage(QPainter& painter, const ReportPage& page) const {
    PaintPage(painter, page, QSizeF(painter.device()->width(), painter.device()->height()));
}

void ReportPainter::PaintPage(QPainter& painter, const ReportPage& page, QSizeF size) const {
    PainterCanvas canvas(painter);
    IoBaseData::PrintHeader(canvas, appTitle_, dateTimeText_);

    const QFont body = PainterCanvas::MakeFont({"Courier New", kBodyFontSize, false, false});
    QFont bold = body;
    bold.setBold(true);
    const QFontMetricsF metrics(body, painter.device());
    const double lineHeight = metrics.height() + 10 * canvas.Scale();
    const double left = kLeftMargin * canvas.Scale();
    const double indent = kIndentCharacters * metrics.horizontalAdvance(QLatin1Char('M'));
    for (size_t i = 0; i < page.lines.size(); ++i) {
        const ReportLine& line = page.lines[i];
        if (line.text.empty()) continue;
        painter.setFont(line.bold ? bold : body);
        const double top = double(page.firstLine + int(i)) * lineHeight;
        painter.drawText(QPointF(left + line.indent * indent, top + metrics.ascent()),
                         QString::fromStdString(cp1252::ToUtf8(line.text)));
    }
    painter.setFont(body);
    const QString footer = QString::fromStdString(page.Footer());
    const double width = size.width();
    const double bottom = size.height();
    painter.drawText(QPointF((width - metrics.horizontalAdvance(footer)) / 2, bottom - metrics.descent()),
                     footer);
}

std::string ReportPainter::PaintDocument(QPagedPaintDevice& device,
                                         const std::vector<ReportPage>& pages) const {
    if (pages.empty()) return "no pages to print";
    device.setPageOrientation(Orientation(pages.front()));
    QPainter painter;
    if (!painter.begin(&device)) return "the output could not be started";
    for (size_t i = 0; i < pages.size(); ++i) {
        // The next page's orientation is set before the page is started.
        if (i > 0 && (!device.setPageOrientation(Orientation(pages[i])) || !device.newPage())) {
            painter.end();
            return "page " + std::to_string(i + 1) + " could not be started";
        }
        PaintPage(painter, pages[i]);
    }
    return painter.end() ? std::string() : "the output could not be finished";
}

std::string ReportPainter::PaintPreview(QPagedPaintDevice& device,
                                        const std::vector<ReportPage>& pages) const {
    if (pages.empty()) return "no pages to print";
    device.setPageOrientation(QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&device)) return "the output could not be started";
    const QSizeF paper(device.width(), device.height());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            return "page " + std::to_string(i + 1) + " could not be started";
        }
        if (pages[i].orientation == ReportPage::Orientation::Portrait) {
            PaintPage(painter, pages[i], paper);
            continue;
        }
        const double shrink = paper.width() / paper.height();
        painter.save();
        painter.scale(shrink, shrink);
        PaintPage(painter, pages[i], QSizeF(paper.height(), paper.width()));
        painter.restore();
    }
    return painter.end() ? std::string() : "the output could not be finished";
}

std::vector<std::string> ReportPainter::PrintJobs(QPrinter& printer,
                                                  const std::vector<ReportPage>& pages) const {
    std::vector<std::string> failures;
    for (const ReportPage& page : pages) {
        printer.setPageOrientation(Orientation(page));
        printer.setDocName(QStringLiteral("ZOV - ") + QString::fromStdString(page.Footer()));
        QPainter painter;
        if (!painter.begin(&printer)) {
            failures.push_back(page.Footer() + ": the printer could not be started");
            continue;
        }
        PaintPage(painter, page);
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            failures.push_back(page.Footer() + ": the printer reported an error");
    }
    return failures;
}

}  // namespace zov
