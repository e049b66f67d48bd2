#pragma once

#include "ReportPage.h"

namespace zov {

class ConfMap;
class ConfParam;

// The printed page of the parameters (landscape): the integral and proportional gains per speed
// column, the enrichment map with its centres, the accumulation decrements and the idle
// enrichment settings.
class ParamReport {
  public:
    static constexpr int kLabelWidth = 41;

    // `map` gives the speed columns the gains belong to.
    ParamReport(const ConfParam& param, const ConfMap& map) : param_(param), map_(map) {}
    ReportPage Page(int pageNumber, int totalPages) const;

  private:
    void AddGains(ReportPage& page) const;
    void AddEnrichment(ReportPage& page) const;

    const ConfParam& param_;
    const ConfMap& map_;
};

}  // namespace zov
