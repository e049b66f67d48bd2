#include "SchemaView.h"

#include <algorithm>

namespace zov {

double SchemaView::Zoomed(double factor, bool in) {
    return std::clamp(in ? factor * kZoomStep : factor / kZoomStep, kMinZoom, kMaxZoom);
}

int SchemaView::ClampedPage(int page, int count) { return count <= 0 ? 0 : std::clamp(page, 0, count - 1); }

QString SchemaView::PageText(int page, int count) {
    if (count <= 0) return {};
    return QStringLiteral("%1 / %2").arg(ClampedPage(page, count) + 1).arg(count);
}

int SchemaView::NextResult(int current, int count) {
    if (count <= 0) return -1;
    return current < 0 || current + 1 >= count ? 0 : current + 1;
}

QString SchemaView::ResultText(int current, int count, bool searched) {
    if (!searched) return {};
    return QStringLiteral("%1 / %2").arg(count > 0 && current >= 0 ? current + 1 : 0).arg(count);
}

}  // namespace zov
