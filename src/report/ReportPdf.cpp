#include "ReportPdf.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>

#include "AtomicFile.h"
#include "PainterCanvas.h"
#include "ReportPainter.h"

namespace zov {
namespace {

constexpr double kMarginMm = 10;

std::string Paint(QBuffer& buffer, const std::vector<ReportPage>& pages, const ReportPainter& painter) {
    QPdfWriter writer(&buffer);
    writer.setResolution(int(PainterCanvas::kUnitsPerInch));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setCreator(QStringLiteral("ZOV Qbr"));
    writer.setTitle(QStringLiteral("Stampa dati Centralina Iniezione"));
    return painter.PaintDocument(writer, pages);
}

}  // namespace

std::string WriteReportPdf(const std::string& path, const std::vector<ReportPage>& pages,
                           const ReportPainter& painter) {
    // A report is a few hundred kilobytes: drawn whole in memory, then saved as every file is.
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    const std::string error = Paint(buffer, pages, painter);
    buffer.close();
    if (!error.empty()) return error;
    return WriteWholeFile(path, std::string_view(document.constData(), size_t(document.size())));
}

}  // namespace zov
