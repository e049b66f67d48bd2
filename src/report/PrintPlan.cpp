#include "PrintPlan.h"

#include <algorithm>

namespace zov {

int PrintPlan::TotalPages(int fromPage, int toPage) {
    return fromPage == 1 ? toPage - fromPage + 3 : toPage - fromPage + 1;
}

std::vector<PrintJob> PrintPlan::Jobs(const PrintRequest& request) {
    int from = request.allPages ? 1 : std::clamp(request.fromPage, 1, kDialogPages);
    int to = request.allPages ? kDialogPages : std::clamp(request.toPage, 1, kDialogPages);
    if (to < from) std::swap(from, to);
    const int total = TotalPages(from, to);
    std::vector<PrintJob> range;
    int next = 1;
    for (int page = from; page <= to; ++page) {
        const auto report = page == 1   ? PrintJob::Report::Car
                            : page == 2 ? PrintJob::Report::Map
                                        : PrintJob::Report::Param;
        range.push_back({report, next, total});
        next += report == PrintJob::Report::Car ? 3 : 1;
    }
    const int copies = std::max(request.copies, 1);
    std::vector<PrintJob> jobs;
    if (request.collate) {
        for (int copy = 0; copy < copies; ++copy) jobs.insert(jobs.end(), range.begin(), range.end());
    } else {
        for (const PrintJob& job : range) jobs.insert(jobs.end(), size_t(copies), job);
    }
    return jobs;
}

}  // namespace zov
