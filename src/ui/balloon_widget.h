#pragma once
// A balloon tip: a small pop-up with an icon, a bold title and lines of text, pointing at a
// control and closing by itself after a while.
#include <QWidget>

class QLabel;
class QTimer;

namespace nummora {

class BalloonTip : public QWidget {
  Q_OBJECT
 public:
  enum class Icon { None, Information, Warning, Error };

  explicit BalloonTip(QWidget* owner);

  // Shows the balloon below `anchor` (a new call replaces what is showing) and hides it after
  // `msecs` milliseconds.
  void ShowAt(QWidget* anchor, Icon icon, const QString& title, const QString& text, int msecs);

  QString Title() const;
  QString Text() const;
  Icon IconKind() const { return icon_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* icon_label_;
  QLabel* title_;
  QLabel* text_;
  QTimer* timer_;
  Icon icon_ = Icon::None;
};

}  // namespace nummora
