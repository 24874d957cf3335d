#include "history/history_printer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
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

class PageWriter {
 public:
  PageWriter(QPainter& painter, QPagedPaintDevice& device, const THistoryPrintJob& job)
      : painter_(painter), device_(device), job_(job) {
    pageWidth_ = device.width();
    pageHeight_ = device.height();
    left_ = (pageWidth_ / 100) * 5;
    top_ = (pageHeight_ / 100) * 3;
    int sum = 0;
    for (int width : job.columnWidths) sum += width;
    const double factor = sum > 0 ? double(pageWidth_ - 2 * left_) / sum : 0.0;
    for (int width : job.columnWidths) widths_.append(int(std::lround(width * factor)));
    cellFont_ = SansFont(7, false);
    captionFont_ = SansFont(7, true);
    titleFont_ = SansFont(8, false);
    const QFontMetrics metrics(cellFont_, &device_);
    h_ = int(std::lround(metrics.height() / 2.0)) + 2;
    indent_ = metrics.horizontalAdvance(QLatin1Char(' '));
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
      const QString text = FromLatin1(std::string(job_.rows->Cell(row, std::size_t(column))));
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
  QRect CellRect(int x, int column) const {
    return QRect(QPoint(x, y_ - h_ - 1), QPoint(x + widths_[column] + 2, y_ + h_ + 1));
  }
  // Text placed by its top-left corner, as the page layout measures it.
  void DrawTextTop(int x, int top, const QString& text, const QFontMetrics& metrics) {
    painter_.drawText(QPoint(x, top + metrics.ascent()), text);
  }

  QPainter& painter_;
  QPagedPaintDevice& device_;
  const THistoryPrintJob& job_;
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

int PrintHistory(QPagedPaintDevice& device, const THistoryPrintJob& job) {
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
