#include "ui/layout_scale.h"

#include <QApplication>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace nummora {

LayoutScale LayoutScale::ForFont(const QFont& font) {
  const QFontMetricsF metrics(font);
  // Never smaller than the sizes as given: a tiny font must not make windows unusable.
  const double x = std::max(1.0, metrics.averageCharWidth() / kReferenceCharWidth);
  const double y = std::max(1.0, metrics.height() / kReferenceCharHeight);
  return LayoutScale(x, y);
}

LayoutScale LayoutScale::ForApplication() {
  return ForFont(QApplication::font());
}

int LayoutScale::X(int pixels) const {
  return static_cast<int>(std::lround(pixels * x_));
}

int LayoutScale::Y(int pixels) const {
  return static_cast<int>(std::lround(pixels * y_));
}

}  // namespace nummora
