#pragma once

#include <vector>

#include "PrintPlan.h"
#include "ReportPage.h"

namespace zov {

class ConfigurationModel;

// The printed pages of the configuration held in the model, report by report.
class ConfigurationReport {
  public:
    explicit ConfigurationReport(ConfigurationModel& model) : model_(model) {}

    // The pages of one report (the vehicle configuration's three, or the maps' or parameters'
    // one), numbered from the job's first page.
    std::vector<ReportPage> Pages(const PrintJob& job);
    // The pages of every job, in order.
    std::vector<ReportPage> Pages(const std::vector<PrintJob>& jobs);
    // All five pages once, numbered 1 to 5.
    std::vector<ReportPage> AllPages();

  private:
    ConfigurationModel& model_;
};

}  // namespace zov
