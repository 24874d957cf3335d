#pragma once
// The main function of the Qt test programs: QTEST_MAIN's, and then, before the process ends,
// the event loop runs until every worker thread the tests left under way has finished and been
// freed. A worker whose owner has gone frees itself through the event loop; without this the
// leak checker of the sanitized build would report those workers, and a suppression for them
// would also hide a worker that is really lost.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <cstdio>

#include "net/live_workers.h"
#include "support/qt_test_main.h"

namespace nummora::test {

// Runs the event loop until no worker is left, for up to `timeoutMs`; false on time-out.
inline bool DrainWorkers(int timeoutMs = 30000) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (LiveWorker::Count() == 0) return true;
    if (clock.elapsed() > timeoutMs) return false;
    QThread::msleep(5);
  }
}

}  // namespace nummora::test

#define NUMMORA_QTEST_MAIN(TestObject)                                                                      \
  int main(int argc, char* argv[]) {                                                                        \
    QApplication app(argc, argv);                                                                           \
    app.setAttribute(Qt::AA_Use96Dpi, true);                                                                \
    int failures = 0;                                                                                       \
    {                                                                                                       \
      TestObject tc;                                                                                        \
      QTEST_SET_MAIN_SOURCE_PATH                                                                            \
      failures = QTest::qExec(&tc, argc, argv);                                                             \
    }                                                                                                       \
    if (!nummora::test::DrainWorkers())                                                                     \
      std::fprintf(stderr, "%d worker threads were still running at exit\n", nummora::LiveWorker::Count()); \
    return failures;                                                                                        \
  }
