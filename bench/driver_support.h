#pragma once
// Shared by the window drivers of the benchmark scripts: waiting on the event loop, medians and
// the main thread's processor time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

namespace nummora::bench {

// Runs the event loop until `done` holds or `timeoutMs` passed; returns whether it holds. The
// loop sleeps between events like the program's own (a 2 ms timer wakes it to look at `done`):
// polling instead would keep one of the processors busy and slow the workers and the sandbox.
template <typename Pred>
bool Await(Pred done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;
  wake.start(2);
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The calling thread's processor time so far, in milliseconds.
inline double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace nummora::bench
