#include "history/history_printer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/latin1.h"

namespace nummora {

namespace {

const QColor kTitleGrey(160, 160, 164);
const QColor kCaptionSilver(192, 192, 192);
const QColor kCellFrameGrey(128, 128, 128);

QFont SansFont(double points, bool bold) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

int Sum(const QList<int>& values) {
  int sum = 0;
  for (int value : values) sum += value;
  return sum;
}

// Gives every column whose texts need more room than it has the room they need, taking it from
// the widest column that has room to spare, then the next widest. The sum stays the same.
void WidenToNeeds(QList<int>& widths, const QList<int>& needed) {
  int deficit = 0;
  for (int column = 0; column < widths.size(); ++column) {
    if (widths[column] < needed[column]) {
      deficit += needed[column] - widths[column];
      widths[column] = needed[column];
    }
  }
  while (deficit > 0) {
    int widest = -1;
    for (int column = 0; column < widths.size(); ++column)
      if (widths[column] > needed[column] && (widest < 0 || widths[column] > widths[widest])) widest = column;
    if (widest < 0) return;
    const int taken = std::min(deficit, widths[widest] - needed[widest]);
    widths[widest] -= taken;
    deficit -= taken;
  }
}

// When the texts need more than the whole width even in the smallest type: every column whose
// need lies below an equal share of what is left gets its need, the others share the rest
// equally (their longest texts are then shortened with an ellipsis, never cut silently).
QList<int> ShareOut(const QList<int>& needed, int total) {
  QList<int> order;
  for (int column = 0; column < needed.size(); ++column) order.append(column);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return needed[a] < needed[b]; });
  QList<int> widths(needed.size(), 0);
  int left = total;
  for (int i = 0; i < order.size(); ++i) {
    const int share = left / int(order.size() - i);
    widths[order[i]] = std::min(needed[order[i]], share);
    left -= widths[order[i]];
  }
  return widths;
}

class PageWriter {
 public:
  PageWriter(QPainter& painter, QPagedPaintDevice& device, const HistoryPrintJob& job)
      : painter_(painter), device_(device), job_(job) {
    pageWidth_ = device.width();
    pageHeight_ = device.height();
    left_ = (pageWidth_ / 100) * 5;
    top_ = (pageHeight_ / 100) * 3;
    titleFont_ = SansFont(8, false);
    LayOutColumns();
    const QFontMetrics metrics(cellFont_, &device_);
    h_ = int(std::lround(metrics.height() / 2.0)) + 2;
  }

  void Header() {
    ++pages_;
    painter_.setFont(titleFont_);
    painter_.setPen(kTitleGrey);
    const QFontMetrics title(titleFont_, &device_);
    y_ = top_;
    DrawTextTop(left_, y_, job_.caption, title);
    y_ += int(std::lround(1.5 * title.height()));
    DrawTextTop(left_, y_, QStringLiteral("Page # %1").arg(pages_), title);
    y_ += int(std::lround(2.5 * title.height()));

    painter_.setFont(captionFont_);
    painter_.setPen(Qt::black);
    painter_.setBrush(kCaptionSilver);
    const QFontMetrics caption(captionFont_, &device_);
    int x = left_;
    for (int column = 0; column < widths_.size(); ++column) {
      painter_.drawRect(CellRect(x, column));
      DrawTextTop(x + indent_, y_ - h_, job_.captions.value(column), caption);
      x += widths_[column];
    }
    painter_.setFont(cellFont_);
    y_ += 2 * h_;
    painter_.setBrush(Qt::white);
    painter_.setPen(kCellFrameGrey);
  }

  // Prints one row; returns whether the next row needs a new page.
  bool Row(std::size_t row) {
    const QFontMetrics metrics(cellFont_, &device_);
    int x = left_;
    for (int column = 0; column < widths_.size(); ++column) {
      painter_.drawRect(CellRect(x, column));
      painter_.setPen(Qt::black);
      // A text wider than its column (only when the page cannot hold every text whole) ends in
      // an ellipsis, so that a shortened text is seen to be shortened.
      const QString text =
          metrics.elidedText(FromLatin1(std::string(job_.rows->Cell(row, std::size_t(column)))),
                             Qt::ElideRight, std::max(0, widths_[column] - 2 * indent_));
      const QRect clip(x + indent_, y_ - h_, std::max(0, widths_[column] - indent_), 2 * h_);
      painter_.save();
      painter_.setClipRect(clip);
      DrawTextTop(x + indent_, y_ - h_ + 4, text, metrics);
      painter_.restore();
      painter_.setPen(kCellFrameGrey);
      x += widths_[column];
    }
    y_ += 2 * h_;
    return y_ > pageHeight_ - 2 * top_;
  }

  int Pages() const { return pages_; }

 private:
  // The columns keep the layout of the list on screen, scaled to the width of the page, in
  // the table type of 7 points. A column too narrow for its texts (a date with its time, a
  // long batch number, "Payment Receive Fee") is widened, the room taken from the widest
  // columns; when all the texts need more than the page is wide, the type is made smaller, to
  // 5 points at least, so that every text is printed whole, as it is in the list.
  void LayOutColumns() {
    constexpr double kPoints = 7;
    constexpr double kSmallestPoints = 5;
    const int total = pageWidth_ - 2 * left_;
    int sum = Sum(job_.columnWidths);
    const double factor = sum > 0 ? double(total) / sum : 0.0;
    for (int width : job_.columnWidths) widths_.append(int(std::lround(width * factor)));
    double points = kPoints;
    SetTableFont(points);
    QList<int> needed = Needs();
    if (Sum(needed) > total) {
      // Widths grow with the size of the type; a little less than the ratio leaves room for
      // the rounding of glyph widths.
      points = std::max(kSmallestPoints, kPoints * total / Sum(needed) * 0.97);
      SetTableFont(points);
      needed = Needs();
    }
    if (Sum(needed) <= total) {
      WidenToNeeds(widths_, needed);
    } else {
      widths_ = ShareOut(needed, total);
    }
  }

  void SetTableFont(double points) {
    cellFont_ = SansFont(points, false);
    captionFont_ = SansFont(points, true);
    indent_ = QFontMetrics(cellFont_, &device_).horizontalAdvance(QLatin1Char(' '));
  }

  // The width each column needs: its widest text (the caption in bold, every cell) with the
  // indent on both sides.
  QList<int> Needs() const {
    const QFontMetricsF caption(captionFont_, &device_);
    const QFontMetricsF cell(cellFont_, &device_);
    QList<double> widest;
    for (int column = 0; column < widths_.size(); ++column)
      widest.append(caption.horizontalAdvance(job_.captions.value(column)));
    const std::size_t rows = job_.rows ? job_.rows->RowCount() : 0;
    for (std::size_t row = 0; row < rows; ++row)
      for (int column = 0; column < widths_.size(); ++column) {
        const std::string_view text = job_.rows->Cell(row, std::size_t(column));
        if (text.empty()) continue;
        widest[column] = std::max(widest[column], cell.horizontalAdvance(FromLatin1(std::string(text))));
      }
    QList<int> needed;
    for (double width : widest) needed.append(int(std::ceil(width)) + 2 * indent_);
    return needed;
  }

  QRect CellRect(int x, int column) const {
    return QRect(QPoint(x, y_ - h_ - 1), QPoint(x + widths_[column] + 2, y_ + h_ + 1));
  }
  // Text placed by its top-left corner, as the page layout measures it.
  void DrawTextTop(int x, int top, const QString& text, const QFontMetrics& metrics) {
    painter_.drawText(QPoint(x, top + metrics.ascent()), text);
  }

  QPainter& painter_;
  QPagedPaintDevice& device_;
  const HistoryPrintJob& job_;
  int pageWidth_ = 0;
  int pageHeight_ = 0;
  int left_ = 0;
  int top_ = 0;
  QList<int> widths_;
  QFont cellFont_;
  QFont captionFont_;
  QFont titleFont_;
  int h_ = 0;
  int indent_ = 0;
  int y_ = 0;
  int pages_ = 0;
};

}  // namespace

int PrintHistory(QPagedPaintDevice& device, const HistoryPrintJob& job) {
  QPainter painter;
  if (!painter.begin(&device)) return 0;
  PageWriter writer(painter, device, job);
  writer.Header();
  const std::size_t count = job.rows ? job.rows->RowCount() : 0;
  for (std::size_t row = 0; row < count; ++row) {
    // A full page goes on to the next one, but never to a page that would hold no row.
    if (writer.Row(row) && row + 1 < count) {
      device.newPage();
      writer.Header();
    }
  }
  painter.end();
  return writer.Pages();
}

}  // namespace nummora
