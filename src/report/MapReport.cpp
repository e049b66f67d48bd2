#include "MapReport.h"

#include "ConfCar.h"
#include "ConfMap.h"

namespace zov {
namespace {

using report_text::Item;
using report_text::Number;
using report_text::Row;
using report_text::Volts;

constexpr size_t kRowLabel = 6;  // the row's pressure
constexpr size_t kCell = 5;

}  // namespace

ReportPage MapReport::Page(int pageNumber, int totalPages) const {
    ReportPage page;
    page.orientation = ReportPage::Orientation::Landscape;
    page.firstLine = 5;
    page.number = pageNumber;
    page.total = totalPages;
    page.lines.push_back({"Mappatura della vettura:", 0, true});
    std::vector<std::string> speeds;
    for (int c = 0; c < ConfMap::kCols; ++c) speeds.push_back(Number(map_.GetRpm(c)));
    page.lines.push_back({Row("", kRowLabel, speeds, kCell), 1});
    for (int r = 0; r < ConfMap::kRows; ++r)
        page.lines.push_back(
            {Row(Volts(map_.GetMap(r)), kRowLabel, report_text::Numbers(map_.CL[r], ConfMap::kCols), kCell),
             1});
    page.lines.push_back({});
    auto add = [&](const char* label, const std::string& value) {
        page.lines.push_back({Item(label, kLabelWidth, value), 1});
    };
    add("Raggio Intorno Giri:", Number(map_.RAGGIO_INTORNO_GIRI) + " RPM");
    add("Raggio Intorno Map:", Number(ConfCar::ByteToVolt(map_.RAGGIO_INTORNO_MAP, false) * 10) + " mV");
    add("Variazione media inversione:", Number(map_.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE));
    add("Variazione posizione inversione:", Number(map_.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE));
    add("Tempo fuori intorno:", Number(map_.MAX_TEMPO_FUORI_INTORNO * 20) + " ms");
    return page;
}

}  // namespace zov
