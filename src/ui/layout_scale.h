#pragma once
// Window, column and panel sizes of the program are given in pixels as measured for an 8-point
// font at 96 dots per inch, whose average character is about 6 pixels wide and 13 high. On a
// desktop with another font those sizes would clip text, so each is scaled by the ratio of the
// desktop font's average character width (widths) and height (heights) to those of that font.
// Qt lays widgets out in device-independent pixels and applies the screen's device-pixel ratio
// itself, so the ratio is not applied a second time here.
#include <QFont>
#include <QSize>

namespace nummora {

class LayoutScale {
 public:
  static constexpr double kReferenceCharWidth = 6.0;
  static constexpr double kReferenceCharHeight = 13.0;

  // The scale of `font` (the application's font by default).
  static LayoutScale ForFont(const QFont& font);
  static LayoutScale ForApplication();

  LayoutScale(double x, double y) : x_(x), y_(y) {}

  int X(int pixels) const;
  int Y(int pixels) const;
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

  double x() const { return x_; }
  double y() const { return y_; }

 private:
  double x_;
  double y_;
};

}  // namespace nummora
