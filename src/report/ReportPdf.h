#pragma once

#include <string>
#include <vector>

#include "ReportPage.h"

namespace zov {

class ReportPainter;

// Writes report pages as one PDF file (A4) at `path`, whole or not at all (WriteWholeFile): a
// failed write leaves no half PDF and any earlier file as it was. Empty when done, else why not.
std::string WriteReportPdf(const std::string& path, const std::vector<ReportPage>& pages,
                           const ReportPainter& painter);

}  // namespace zov
