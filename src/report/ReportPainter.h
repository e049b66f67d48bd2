#pragma once

#include <QPageLayout>
#include <QSizeF>
#include <string>
#include <vector>

#include "ReportPage.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace zov {

// Lays report pages out on a page device: the model's title block, the lines counted from the
// top of the page in a fixed-pitch font (line height: the font's height plus 10 units), the
// footer centred at the bottom.
class ReportPainter {
  public:
    static constexpr int kBodyFontSize = 10;
    static constexpr int kLeftMargin = 20;  // canvas units, as the title block
    static constexpr int kIndentCharacters = 3;

    // `appTitle` picks the product name of the title block, `dateTimeText` is its stamp
    // (IoBaseData::ReportDateTimeText).
    ReportPainter(std::string appTitle, std::string dateTimeText)
        : appTitle_(std::move(appTitle)), dateTimeText_(std::move(dateTimeText)) {}

    static QPageLayout::Orientation Orientation(const ReportPage& page);

    // One page on an active painter whose device already has the page's orientation.
    void PaintPage(QPainter& painter, const ReportPage& page) const;
    // One page laid out on a page of `size` device pixels (the painter may scale it).
    void PaintPage(QPainter& painter, const ReportPage& page, QSizeF size) const;
    // Every page into one document, each in its own orientation. Empty when done, else why not.
    std::string PaintDocument(QPagedPaintDevice& device, const std::vector<ReportPage>& pages) const;
    // Every page into one document on portrait paper, a landscape page shrunk to the paper's
    // width: for a print preview, whose pages all have one size.
    std::string PaintPreview(QPagedPaintDevice& device, const std::vector<ReportPage>& pages) const;
    // Every page a print job of its own on `printer`; a page that fails does not stop the others.
    // The reasons of the pages that failed, empty when all were printed.
    std::vector<std::string> PrintJobs(QPrinter& printer, const std::vector<ReportPage>& pages) const;

  private:
    std::string appTitle_;
    std::string dateTimeText_;
};

}  // namespace zov
