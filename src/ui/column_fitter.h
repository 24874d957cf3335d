#pragma once
// Keeps the columns of a list wide enough for what they show: whenever rows are added or change,
// a column narrower than its widest cell (or its caption) is widened to fit it, so that texts are
// neither cut nor elided. Columns only grow, and a column the user has resized by hand is left
// as the user made it.
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <vector>

class QTreeView;

namespace nummora {

class ColumnFitter : public QObject {
  Q_OBJECT
 public:
  // While changes keep coming, the columns are fitted at most once in this many milliseconds.
  static constexpr int kFitGapMs = 100;

  // Watches `view` (and is owned by it).
  explicit ColumnFitter(QTreeView* view);

  // Widens the columns that need it now (a stretched last column is left to the view).
  void Fit();
  // The width the columns need together so that no cell is cut: the current width of each
  // column, or what its cells need where that is more.
  int NeededWidth() const;

 signals:
  // Fit() ran after rows were added or changed.
  void Fitted();

 private:
  void Schedule();
  int Measure(int column);

  QTreeView* view_;
  QSet<int> userSized_;
  std::vector<int> needed_;  // per column, from the last Fit()
  bool fitting_ = false;
  bool scheduled_ = false;
  QElapsedTimer sinceFit_;  // started by each Fit()
};

}  // namespace nummora
