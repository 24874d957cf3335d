#pragma once
// The events list: a plain text window into which the program writes what it exchanges with
// the payment systems and every error that escaped a handler. Created once, hidden and shown,
// never closed for good.
#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace nummora {

class EventsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit EventsWindow(QWidget* mainWindow = nullptr);

  // Appends an empty line, the title as a line when it is not empty, the text, an empty line.
  // Texts are ISO-8859-1; line breaks in them give several lines.
  void AddEntry(const std::string& title, const std::string& text);
  // Appends the text as one line.
  void AddLine(const std::string& text);
  // Shows the window; the first time it is centred on the main window.
  void ShowEvents();

  // Everything written so far, including lines not yet shown.
  QString Text() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Append(const QString& line);
  void ScheduleFlush();
  void Flush();

  QPlainTextEdit* memo_;
  // Lines written and not yet put into the text box. While the window is hidden they only
  // collect here: laying out and shaping every line as it came cost the main thread more than
  // half a millisecond per balance refresh, a hundred refreshes at once made that a stall. A
  // visible window takes them in one insertion per turn of the event loop.
  QString pending_;
  bool flushScheduled_ = false;
  QWidget* mainWindow_;
  bool placed_ = false;
  bool written_ = false;
};

}  // namespace nummora
