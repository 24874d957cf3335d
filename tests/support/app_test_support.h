#pragma once
// Shared pieces of the widget tests: a private NUMMORA_HOME and runtime folder per test
// program, and message boxes that are recorded instead of shown.
#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtGlobal>
#include <functional>

#include "ui/message_box.h"

namespace nummora::test {

// Points NUMMORA_HOME and XDG_RUNTIME_DIR into a fresh temporary folder for as long as it lives.
class TempHome {
 public:
  TempHome() {
    qputenv("NUMMORA_HOME", dir_.filePath(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
    QDir().mkpath(Path());
  }
  QString Path() const { return dir_.filePath(QStringLiteral("home")); }
  QString Root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

struct RecordedBox {
  MessageIcon icon;
  QString text;
};

// Records every box; questions are answered from `answers` in order, then with `answer`.
class RecordingBoxes : public MessageBoxes {
 public:
  void Show(QWidget*, MessageIcon icon, const QString& text) override { shown.push_back({icon, text}); }
  bool Ask(QWidget*, const QString& text) override {
    asked.push_back(text);
    return answers.isEmpty() ? answer : answers.takeFirst();
  }
  QString LastText() const { return shown.empty() ? QString() : shown.back().text; }

  std::vector<RecordedBox> shown;
  QStringList asked;
  QList<bool> answers;
  bool answer = true;
};

// Runs `drive` on the modal dialog named `name` as soon as it is open.
inline void WhenOpen(const char* name, std::function<void(QDialog*)> drive) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, name, drive] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != QLatin1String(name)) return;
    poll->stop();
    poll->deleteLater();
    drive(dialog);
  });
  poll->start();
}

}  // namespace nummora::test
