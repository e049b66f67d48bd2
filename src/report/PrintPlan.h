#pragma once

#include <vector>

namespace zov {

// What the print dialog was asked for. Dialog page 1 is the vehicle configuration (three printed
// pages), 2 the maps, 3 the parameters.
struct PrintRequest {
    bool allPages = true;
    int fromPage = 1;
    int toPage = 3;
    int copies = 1;
    bool collate = false;
};

// One report to print, with the number of its first printed page and the total.
struct PrintJob {
    enum class Report { Car, Map, Param };
    Report report = Report::Car;
    int firstPage = 1;
    int totalPages = 1;
    bool operator==(const PrintJob&) const = default;
};

// The print dialog's rules: which reports, in which order, how many times, and how their pages
// are numbered.
class PrintPlan {
  public:
    static constexpr int kDialogPages = 3;

    // The reports of the range in order, numbered from 1 (the vehicle configuration takes three
    // numbers); collated, the whole range once per copy; not collated, each report `copies` times in
    // a row. A range outside 1..3 is brought inside it; fewer than one copy means one.
    static std::vector<PrintJob> Jobs(const PrintRequest& request);
    // Printed pages of a dialog range: the vehicle configuration counts three.
    static int TotalPages(int fromPage, int toPage);
};

}  // namespace zov
