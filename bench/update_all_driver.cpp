// "Update all balances" against the sandbox: a real main window (offscreen) with its network
// workers, over a profile of N accounts built in memory, refreshed by triggering the window's
// own action. Measures the wall time from the trigger until the last row of the accounts list
// shows its new update time, for one account and for N, and the longest stall of the main
// thread meanwhile: a 5 ms timer notes how late each of its ticks comes.
//   update_all_driver [--runs R] [--accounts N] [--latency MS] [--trace]
// --latency MS has the sandbox hold each answer MS milliseconds, as a server across the internet
// would take; without it the sandbox answers at once over loopback, where the run is bound by
// the processor time of the sandbox and the workers. The sandbox's own processor time per run is
// printed as well.
// Prints one line per run and the medians; exit status 1 when the sandbox or a run fails.
#include <unistd.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_host.h"
#include "common/format_settings.h"
#include "driver_support.h"
#include "market/metal_rates.h"
#include "profile/document.h"
#include "profile/model.h"
#include "support/sandbox_process.h"

using namespace nummora;
using nummora::bench::Await;
using nummora::bench::Median;
using nummora::bench::ThreadCpuMs;

namespace {

constexpr int kTickMs = 5;

double ProcessCpuMs(pid_t pid);
pid_t gSandboxPid = 0;

struct RunResult {
  bool ok = false;
  double wallMs = 0;        // trigger to the last row shown updated
  double triggerMs = 0;     // the trigger's own synchronous part
  double stallMs = 0;       // the longest lateness of the 5 ms timer
  double stallAtMs = 0;     // when (after the trigger) that stall ended
  double stallBusyMs = 0;   // of it, the main thread's own processor time
  double busyMs = 0;        // the most processor time the main thread used between two ticks
  double sandboxCpuMs = 0;  // processor time the sandbox used from the trigger to the last row
  double programCpuMs = 0;  // and the program itself, all its threads
  double mainCpuMs = 0;     // of which the main thread
  struct Stall {
    double at, late, busy;
  };
  std::vector<Stall> stalls;  // those over 20 ms
};

// The generated sandbox accounts n = 1..count: odd n the e-gold account 2000000+n, even n the
// Liberty Reserve account U2000000+n, so both balance workers take part; one account is e-gold.
std::string BuildProfile(int count) {
  ProfileModel model;
  for (int i = 1; i <= count; ++i) {
    AccountRecord a;
    const std::string number = std::to_string(2000000 + i);
    if (i % 2 == 1 || count == 1) {
      a.Type = AccountType::Egold;
      a.ID = number;
      a.Password = "bench-pass-" + std::to_string(i);
    } else {
      a.Type = AccountType::LibertyReserve;
      a.ID = "U" + number;
      a.APIname = "bench" + std::to_string(i);
      a.Password = "bench-word-" + std::to_string(i);
    }
    a.Name = "Bench " + std::to_string(i);
    a.Update = false;  // only the action refreshes
    a.Refresh = 0;     // and never the timer
    model.AppendAccount(a);
  }
  return BuildProfileDocument(model, true, UsEnglishFormatSettings());
}

bool AnyRefreshing(MainWindow& window) {
  for (const AccountRecord& a : window.Model().Accounts())
    if (a.Refreshing) return true;
  return false;
}

RunResult RunOnce(int count, bool trace) {
  RunResult result;
  MainWindowSetup setup;
  setup.profileName = "bench";
  setup.profileText = BuildProfile(count);
  auto window = std::make_unique<MainWindow>(std::move(setup));
  InstallNetworkWorkers(*window);
  window->show();  // the first showing loads the profile and asks for the rates
  auto* list = window->findChild<QTreeView*>(QStringLiteral("List"));
  QAbstractItemModel* rows = list ? list->model() : nullptr;
  if (!rows || rows->rowCount() != count) {
    std::fprintf(stderr, "update_all: the accounts list has %d rows, not %d\n", rows ? rows->rowCount() : -1,
                 count);
    return result;
  }
  // Let the rates arrive first, so that the run measures the balances alone.
  if (!Await([&] { return window->Model().RatesTime != 0; }, 20000)) {
    std::fprintf(stderr, "update_all: no metal rates from the sandbox\n");
    return result;
  }
  Await([] { return false; }, 200);

  // A row counts as updated once its "Last update" cell has a text (every entry starts at 0).
  std::vector<char> updated(static_cast<size_t>(count), 0);
  int updatedCount = 0;
  QElapsedTimer wall;
  double lastRowMs = -1;
  QObject::connect(rows, &QAbstractItemModel::dataChanged, window.get(),
                   [&](const QModelIndex& from, const QModelIndex& to) {
                     for (int row = from.row(); row <= to.row() && row < count; ++row) {
                       if (updated[size_t(row)] || rows->index(row, 2).data().toString().isEmpty()) continue;
                       updated[size_t(row)] = 1;
                       if (++updatedCount == count) lastRowMs = double(wall.nsecsElapsed()) / 1e6;
                     }
                   });

  // The stall watch: a precise 5 ms timer; each tick notes how much later than due it came.
  QElapsedTimer ticks;
  qint64 lastTick = 0;
  double lastCpu = ThreadCpuMs();
  bool measuring = false;
  QTimer watch;
  watch.setTimerType(Qt::PreciseTimer);
  watch.setInterval(kTickMs);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const qint64 now = ticks.nsecsElapsed();
    const double cpu = ThreadCpuMs();
    const double late = double(now - lastTick) / 1e6 - kTickMs;
    const double busy = cpu - lastCpu;
    lastTick = now;
    lastCpu = cpu;
    if (!measuring) return;
    const double at = double(wall.nsecsElapsed()) / 1e6;
    if (late > result.stallMs) {
      result.stallMs = late;
      result.stallAtMs = at;
      result.stallBusyMs = busy;
    }
    result.busyMs = std::max(result.busyMs, busy);
    if (late > 20) result.stalls.push_back({at, late, busy});
  });
  ticks.start();
  watch.start();

  QAction* updateAll = window->Actions().updateAll;
  double sandboxCpuAtStart = 0, programCpuAtStart = 0, mainCpuAtStart = 0;
  QTimer::singleShot(20, window.get(), [&] {
    measuring = true;
    sandboxCpuAtStart = ProcessCpuMs(gSandboxPid);
    programCpuAtStart = ProcessCpuMs(getpid());
    mainCpuAtStart = ThreadCpuMs();
    wall.start();
    updateAll->trigger();
    result.triggerMs = double(wall.nsecsElapsed()) / 1e6;
  });
  const bool finished = Await([&] { return lastRowMs >= 0; }, 60000);
  // A stall that ends with the last row is only seen by the watch at its next tick.
  Await([] { return false; }, 4 * kTickMs);
  measuring = false;
  watch.stop();
  result.sandboxCpuMs = ProcessCpuMs(gSandboxPid) - sandboxCpuAtStart;
  result.programCpuMs = ProcessCpuMs(getpid()) - programCpuAtStart;
  result.mainCpuMs = ThreadCpuMs() - mainCpuAtStart;
  if (!finished) {
    std::fprintf(stderr, "update_all: only %d of %d rows were updated within 60 s\n", updatedCount, count);
  }
  result.wallMs = lastRowMs;
  result.ok = finished;
  // Every worker ends (and deletes itself) before the window goes.
  Await([&] { return !AnyRefreshing(*window); }, 60000);
  Await([] { return false; }, 100);
  int failed = 0;
  for (const AccountRecord& a : window->Model().Accounts()) failed += a.Status != 0 ? 1 : 0;
  if (failed) {
    std::fprintf(stderr, "update_all: %d accounts were refused by the sandbox\n", failed);
    result.ok = false;
  }
  if (trace) {
    for (const auto& st : result.stalls)
      std::printf("  stall of %.1f ms ending at %.1f ms, main thread busy %.1f ms of it\n", st.late, st.at,
                  st.busy);
  }
  window->close();
  window.reset();
  Await([] { return false; }, 100);
  return result;
}

// User and system time of a process from /proc (in clock ticks, usually 10 ms each).
double ProcessCpuMs(pid_t pid) {
  if (pid <= 0) return 0;
  FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!f) return 0;
  char buffer[1024] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  const char* p = static_cast<const char*>(std::memchr(buffer, ')', n));  // after "pid (name)"
  unsigned long utime = 0, stime = 0;
  if (!p || std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
    return 0;
  return double(utime + stime) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  int accounts = 127;
  bool trace = false;
  int latencyMs = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--accounts") && i + 1 < argc)
      accounts = std::clamp(std::atoi(argv[++i]), 1, 127);
    else if (!std::strcmp(argv[i], "--latency") && i + 1 < argc)
      latencyMs = std::clamp(std::atoi(argv[++i]), 0, 10000);
    else if (!std::strcmp(argv[i], "--trace"))
      trace = true;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  test::SandboxOptions options;
  options.demoAccounts = 127;
  if (latencyMs > 0) options.extraArgs = {"--latency", std::to_string(latencyMs)};
  test::SandboxProcess sandbox(options);
  std::string error;
  if (!sandbox.Start(&error)) {
    std::fprintf(stderr, "update_all: the sandbox did not start: %s\n", error.c_str());
    return 1;
  }
  sandbox.ExportServersIni();
  gSandboxPid = sandbox.Pid();

  // One warm-up run of each, so that both measured series start alike.
  RunOnce(1, false);
  RunOnce(accounts, false);

  std::vector<double> oneWall, allWall, stalls, busy, sandboxCpu, programCpu;
  bool ok = true;
  for (int r = 0; r < runs; ++r) {
    const RunResult one = RunOnce(1, trace);
    const RunResult all = RunOnce(accounts, trace);
    ok = ok && one.ok && all.ok;
    std::printf(
        "run %d: 1 account %.1f ms (stall %.1f ms); %d accounts %.1f ms (trigger %.1f ms, stall %.1f ms at "
        "%.0f ms "
        "with %.1f ms busy; longest busy stretch %.1f ms; processor: sandbox %.0f ms, program %.0f ms, main "
        "thread %.0f ms)\n",
        r + 1, one.wallMs, one.stallMs, accounts, all.wallMs, all.triggerMs, all.stallMs, all.stallAtMs,
        all.stallBusyMs, all.busyMs, all.sandboxCpuMs, all.programCpuMs, all.mainCpuMs);
    std::fflush(stdout);
    oneWall.push_back(one.wallMs);
    allWall.push_back(all.wallMs);
    stalls.push_back(std::max(one.stallMs, all.stallMs));
    busy.push_back(std::max(one.busyMs, all.busyMs));
    sandboxCpu.push_back(all.sandboxCpuMs);
    programCpu.push_back(all.programCpuMs);
  }
  if (latencyMs > 0) std::printf("the sandbox holds each answer %d ms\n", latencyMs);
  const double one = Median(oneWall);
  const double all = Median(allWall);
  std::printf("update all balances, 1 account:  median %.1f ms\n", one);
  std::printf("update all balances, %d accounts: median %.1f ms\n", accounts, all);
  std::printf("ratio %d / 1: %.2f (goal: at most 2)\n", accounts, one > 0 ? all / one : 0.0);
  std::printf("longest main-thread stall: median %.1f ms, worst %.1f ms (goal: under 20 ms)\n",
              Median(stalls), stalls.empty() ? 0.0 : *std::max_element(stalls.begin(), stalls.end()));
  std::printf(
      "longest stretch of main-thread work between two ticks: median %.1f ms (the rest of a stall is waiting "
      "for a processor)\n",
      Median(busy));
  std::printf("processor time during the %d-account run: sandbox median %.0f ms, program median %.0f ms\n",
              accounts, Median(sandboxCpu), Median(programCpu));
  sandbox.Stop();
  return ok ? 0 : 1;
}
