#include "ConfigurationReport.h"

#include "CarReport.h"
#include "ConfigurationModel.h"
#include "MapReport.h"
#include "ParamReport.h"

namespace zov {

std::vector<ReportPage> ConfigurationReport::Pages(const PrintJob& job) {
    switch (job.report) {
        case PrintJob::Report::Car:
            return CarReport(model_.Car(), model_.Map())
                .Pages(job.firstPage, CarReport::kAllPages, job.totalPages);
        case PrintJob::Report::Map:
            return {MapReport(model_.Map()).Page(job.firstPage, job.totalPages)};
        case PrintJob::Report::Param:
            return {ParamReport(model_.Param(), model_.Map()).Page(job.firstPage, job.totalPages)};
    }
    return {};
}

std::vector<ReportPage> ConfigurationReport::Pages(const std::vector<PrintJob>& jobs) {
    std::vector<ReportPage> pages;
    for (const PrintJob& job : jobs) {
        std::vector<ReportPage> more = Pages(job);
        pages.insert(pages.end(), more.begin(), more.end());
    }
    return pages;
}

std::vector<ReportPage> ConfigurationReport::AllPages() { return Pages(PrintPlan::Jobs({})); }

}  // namespace zov
