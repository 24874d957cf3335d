#pragma once
// The program's application object: an error that escapes an event handler is not shown in a
// dialog and does not end the program; its message goes to the events list.
#include <QApplication>
#include <functional>
#include <string>

namespace nummora {

class NummoraApplication : public QApplication {
  Q_OBJECT
 public:
  NummoraApplication(int& argc, char** argv);

  // Where escaped errors go (the events list once it exists; standard error before).
  void SetErrorSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  std::function<void(const std::string&)> sink_;
};

}  // namespace nummora
