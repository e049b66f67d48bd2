#pragma once

#include <vector>

#include "ReportPage.h"

namespace zov {

class ConfCar;
class ConfMap;

// The three printed pages of the vehicle configuration: the identification and the
// configuration parameters (portrait), their continuation with the lambda and open-loop table and
// the self-adaptation (landscape), and the diagnosis checks (portrait).
class CarReport {
  public:
    static constexpr int kLabelWidth = 38;
    // Bits of the page set.
    static constexpr int kPage1 = 1, kPage2 = 2, kPage3 = 4, kAllPages = 7;

    // `map` gives the speed columns of the lambda and open-loop table.
    CarReport(ConfCar& car, const ConfMap& map) : car_(car), map_(map) {}

    // The pages in `pages` (a set of the bits above); page 1 is numbered firstPage, page 2
    // firstPage + 1, page 3 firstPage + 2, each of totalPages. The diagnosis page reads the
    // diagnosis words afresh from the ECU while a session is open.
    std::vector<ReportPage> Pages(int firstPage, int pages, int totalPages);

    ReportPage IdentificationPage();
    ReportPage ContinuationPage();
    ReportPage DiagnosisPage();

  private:
    void AddChangeover(ReportPage& page) const;
    void AddEmulationAndCutoff(ReportPage& page) const;
    void AddFuelling(ReportPage& page) const;
    void AddLevelSensor(ReportPage& page) const;
    void AddTps(ReportPage& page) const;
    void AddLambda(ReportPage& page) const;
    void AddOpenLoopTable(ReportPage& page) const;
    void AddAdaptation(ReportPage& page) const;
    void AddDiagnosisChecks(ReportPage& page);
    void AddVarious(ReportPage& page) const;

    ConfCar& car_;
    const ConfMap& map_;
};

}  // namespace zov
