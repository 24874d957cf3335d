// The history viewer with long e-gold histories, on the offscreen platform:
//   1. filling the viewer from a 65,535-row export (read, total and show) against a plain list
//      widget filled with the same texts already split into cells (median of RUNS runs each;
//      the goal is at most 1.5 times the plain list's time);
//   2. a 200,000-row export listed whole, with the longest stall of the main thread between
//      two ticks of a 5 ms timer while the rows come in (goal: no stall over 50 ms).
// Prints one line per figure. bench/history_fill.sh runs it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "history/egold_history.h"
#include "history/history_list_model.h"
#include "history/history_viewer.h"

using namespace nummora;

namespace {

std::string Export(int rows) {
  std::string reply =
      "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counter\",\"Name\",\"USD\",\"Unit\",\"Price\","
      "\"Memo\",\"PaymentID\"";
  char line[256];
  for (int i = 1; i <= rows; ++i) {
    std::snprintf(line, sizeof line,
                  "\r\n\"%02d/%02d/2006 10:%02d:%02d\",\"%s\",%d,Gold,0.0%d,%d,\"Counterpart "
                  "%d\",%d.%02d,\"USD\",650.00,"
                  "\"memo of payment %d\",\"PID-%d\"",
                  1 + i % 12, 1 + i % 28, i % 60, i % 60, i % 3 ? "Payment Received" : "Payment Made",
                  41000000 + i, 1 + i % 9, 1001000 + i % 500, i % 500, i % 700, i % 100, i, i);
    reply += line;
  }
  return reply + "\r\n";
}

struct ViewerRun {
  double ms = 0;
  double longestStallMs = 0;
  int rows = 0;
};

// Shows a viewer for the reply and waits until every row is listed and painted.
ViewerRun FillViewer(const std::string& reply) {
  AccountRecord account;
  account.ID = "1001001";
  HistoryServices services;
  ViewerRun run;
  QElapsedTimer stall;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    run.longestStallMs = std::max(run.longestStallMs, stall.nsecsElapsed() / 1e6);
    stall.restart();
  });
  QElapsedTimer clock;
  clock.start();
  auto* viewer = new HistoryViewer(account, reply, std::string(), 0, QStringLiteral("History"), services);
  QPointer<HistoryViewer> guard(viewer);
  stall.start();
  ticker.start();
  viewer->show();
  while (guard && !guard->Complete()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  viewer->repaint();
  run.ms = clock.nsecsElapsed() / 1e6;
  ticker.stop();
  run.longestStallMs = std::max(run.longestStallMs, stall.nsecsElapsed() / 1e6);
  run.rows = viewer->Rows().rowCount();
  delete viewer;
  return run;
}

// A plain list widget filled with the cells, already split, newest first.
double FillPlainList(const std::vector<QStringList>& cells) {
  QElapsedTimer clock;
  clock.start();
  auto* list = new QTreeWidget;
  list->setColumnCount(8);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->resize(1028, 669);
  QList<QTreeWidgetItem*> items;
  items.reserve(qsizetype(cells.size()));
  for (auto it = cells.rbegin(); it != cells.rend(); ++it) items.append(new QTreeWidgetItem(*it));
  list->addTopLevelItems(items);
  list->show();
  QApplication::processEvents();
  list->repaint();
  const double ms = clock.nsecsElapsed() / 1e6;
  delete list;
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int runs = 5;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));

  const std::string reply = Export(65535);
  // The same texts, already split into the cells the viewer shows.
  const EgoldHistory read = ReadEgoldHistory(reply, MakeNumberFormat(UsEnglishFormatSettings()));
  std::vector<QStringList> cells;
  for (std::size_t row = read.rows.RowCount(); row-- > 0;) {
    QStringList line;
    for (std::size_t cell = 0; cell < kHistoryShownCells; ++cell)
      line << QString::fromLatin1(read.rows.Cell(row, cell).data(),
                                  qsizetype(read.rows.Cell(row, cell).size()));
    cells.push_back(line);
  }

  std::vector<double> viewer, plain;
  for (int i = 0; i < runs; ++i) {
    const ViewerRun run = FillViewer(reply);
    if (run.rows != 65535) {
      std::fprintf(stderr, "the viewer listed %d rows of 65535\n", run.rows);
      return 1;
    }
    viewer.push_back(run.ms);
    plain.push_back(FillPlainList(cells));
  }
  const double v = Median(viewer), p = Median(plain);
  std::printf(
      "65535-row export: viewer %.1f ms (read, total, show), plain list of split texts %.1f ms, ratio %.2f\n",
      v, p, v / p);

  const ViewerRun big = FillViewer(Export(200000));
  std::printf("200000-row export: %d rows listed in %.1f ms, longest main-thread stall %.1f ms\n", big.rows,
              big.ms, big.longestStallMs);
  return big.rows == 200000 ? 0 : 1;
}
