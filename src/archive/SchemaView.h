#pragma once

#include <QString>

namespace zov {

// The rules of the instruction viewer's controls.
struct SchemaView {
    static constexpr double kZoomStep = 1.25;
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 4.0;

    // One zoom step in or out from `factor`, kept within kMinZoom..kMaxZoom.
    static double Zoomed(double factor, bool in);
    // Page `page` (0-based) clamped to the document's pages; 0 for an empty document.
    static int ClampedPage(int page, int count);
    // "2 / 5" for page index 1 of 5; empty for an empty document.
    static QString PageText(int page, int count);
    // The result after `current` of `count` results, back to the first after the last; -1 when
    // there are none.
    static int NextResult(int current, int count);
    // "3 / 7"; "0 / 0" when the search found nothing; empty before a search.
    static QString ResultText(int current, int count, bool searched);
};

}  // namespace zov
