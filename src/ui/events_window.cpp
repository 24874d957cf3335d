#include "ui/events_window.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace nummora {

namespace {
QString FromLatin1Lines(const std::string& text) {
  QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}
}  // namespace

EventsWindow::EventsWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool), memo_(new QPlainTextEdit(this)), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("fTasks"));
  setWindowTitle(QStringLiteral("Events list"));
  memo_->setObjectName(QStringLiteral("Memo"));
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addWidget(memo_);
  resize(378, 283);
}

void EventsWindow::Append(const QString& line) {
  if (written_) pending_ += QChar('\n');
  pending_ += line;
  written_ = true;
  if (isVisible()) ScheduleFlush();
}

void EventsWindow::ScheduleFlush() {
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    flushScheduled_ = false;
    Flush();
  });
}

void EventsWindow::Flush() {
  if (pending_.isEmpty()) return;
  // Written through a cursor rather than appendPlainText, which would swallow a leading empty
  // line of an empty box; each line break becomes a new block.
  QTextCursor cursor(memo_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(pending_);
  pending_.clear();
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void EventsWindow::showEvent(QShowEvent* event) {
  Flush();
  QWidget::showEvent(event);
}

void EventsWindow::AddEntry(const std::string& title, const std::string& text) {
  Append(QString());
  if (!title.empty()) Append(FromLatin1Lines(title));
  Append(FromLatin1Lines(text));
  Append(QString());
}

void EventsWindow::AddLine(const std::string& text) {
  Append(FromLatin1Lines(text));
}

void EventsWindow::ShowEvents() {
  if (!placed_ && mainWindow_) {
    const QRect outer = mainWindow_->frameGeometry();
    move(outer.center() - QPoint(width() / 2, height() / 2));
  }
  placed_ = true;
  show();
  raise();
}

QString EventsWindow::Text() const {
  return memo_->toPlainText() + pending_;
}

}  // namespace nummora
