#pragma once

#include "ReportPage.h"

namespace zov {

class ConfMap;

// The printed page of the maps (landscape): the main map under its speed header, each row led by
// its pressure, then the parameters of the ECU's on-line learning.
class MapReport {
  public:
    static constexpr int kLabelWidth = 37;

    explicit MapReport(const ConfMap& map) : map_(map) {}
    ReportPage Page(int pageNumber, int totalPages) const;

  private:
    const ConfMap& map_;
};

}  // namespace zov
