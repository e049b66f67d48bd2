#include "ParamReport.h"

#include "ConfMap.h"
#include "ConfParam.h"

namespace zov {
namespace {

using report_text::Item;
using report_text::Number;
using report_text::Row;

constexpr size_t kGainLabel = 6;
constexpr size_t kGainCell = 5;
constexpr size_t kEnrichmentLabel = 16;  // "Dec.Cumulo (ms)"
constexpr size_t kEnrichmentCell = 6;

void Line(ReportPage& page, const std::string& text) { page.lines.push_back({text, 1, false}); }

}  // namespace

ReportPage ParamReport::Page(int pageNumber, int totalPages) const {
    ReportPage page;
    page.orientation = ReportPage::Orientation::Landscape;
    page.firstLine = 5;
    page.number = pageNumber;
    page.total = totalPages;
    AddGains(page);
    AddEnrichment(page);
    auto add = [&](const char* label, const std::string& value) {
        Line(page, Item(label, kLabelWidth, value));
    };
    add("Variazione passi di arricchimento", Number(param_.VARIABILE_17));
    add("Fasce giri minimo arricchimento", Number(param_.IdleRpmBands()));
    add("Fasce cumulo minimo arricchimento", Number(8 - param_.IdleCumuloBands()));
    add("Passi minimo arricchimento", Number(param_.DEF_PASSI_ARRICCHIMENTO_MINIMO));
    add("Tempo sovrapressione", Number(param_.DEF_TEMPO_SOVRAPPRESSIONE * 20) + " ms");
    return page;
}

void ParamReport::AddGains(ReportPage& page) const {
    page.lines.push_back({"Tabella guadagni integrali e proporzionali", 0, true});
    std::vector<std::string> speeds, opening, closing, propOpening, propClosing;
    for (int c = 0; c < ConfParam::kCols; ++c) {
        speeds.push_back(Number(map_.GetRpm(c)));
        opening.push_back(Number(param_.APRG[c] * 20));
        closing.push_back(Number(param_.CHSG[c] * 20));
        propOpening.push_back(Number(param_.GetGain(c, ConfParam::kGainOpening)));
        propClosing.push_back(Number(param_.GetGain(c, ConfParam::kGainClosing)));
    }
    Line(page, Row("", kGainLabel, speeds, kGainCell));
    Line(page, Row("I.Ap.", kGainLabel, opening, kGainCell));
    Line(page, Row("I.Ch.", kGainLabel, closing, kGainCell));
    Line(page, Row("P.Ap.", kGainLabel, propOpening, kGainCell));
    Line(page, Row("P.Ch.", kGainLabel, propClosing, kGainCell));
    page.lines.push_back({});
}

void ParamReport::AddEnrichment(ReportPage& page) const {
    page.lines.push_back({"Mappa di arricchimento", 0, false});
    std::vector<std::string> centres, decrements;
    for (int c = 0; c < ConfParam::kCentres; ++c) centres.push_back(Number(param_.GetRpmCentre(c)));
    Line(page, Row("", kEnrichmentLabel, centres, kEnrichmentCell));
    for (int r = 0; r < ConfParam::kCentres; ++r)
        Line(page, Row(Number(param_.GetCumuloCentre(r)), kEnrichmentLabel,
                       report_text::Numbers(param_.CT[r], ConfParam::kCentres), kEnrichmentCell));
    for (int i = 0; i < 8; ++i) decrements.push_back(Number(param_.DEC[i] * 5));
    page.lines.push_back({});
    Line(page, Row("Dec.Cumulo (ms)", kEnrichmentLabel, decrements, kEnrichmentCell));
    page.lines.push_back({});
}

}  // namespace zov
