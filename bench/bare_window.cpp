// The smallest Qt Widgets program that shows a window: the yardstick for the start-up time of
// the desktop program (bench/startup.sh builds and times it).
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QLabel window(QStringLiteral("Hello"));
  window.setWindowTitle(QStringLiteral("Bare window"));
  window.resize(300, 300);
  window.show();
  return app.exec();
}
