#include "ui/column_fitter.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace nummora {

ColumnFitter::ColumnFitter(QTreeView* view) : QObject(view), view_(view) {
  QAbstractItemModel* model = view->model();
  connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnFitter::Schedule);
  connect(model, &QAbstractItemModel::dataChanged, this, &ColumnFitter::Schedule);
  connect(model, &QAbstractItemModel::headerDataChanged, this, &ColumnFitter::Schedule);
  connect(model, &QAbstractItemModel::modelReset, this, &ColumnFitter::Schedule);
  QHeaderView* header = view->header();
  // A column dragged or double-clicked on the header keeps the width the user gave it.
  connect(header, &QHeaderView::sectionResized, this, [this, header](int section, int, int) {
    if (!fitting_ && header->underMouse() && QGuiApplication::mouseButtons() != Qt::NoButton)
      userSized_.insert(section);
  });
  connect(header, &QHeaderView::sectionHandleDoubleClicked, this,
          [this](int section) { userSized_.insert(section); });
}

void ColumnFitter::Schedule() {
  // Many rows change at once (a load): fit once after them. Rows that change one after another
  // (the answers of an update of all balances, each in its own turn of the event loop) are
  // fitted at most once per gap: measuring the cells of every shown row after each answer
  // took more processor time than the answers themselves.
  if (scheduled_) return;
  scheduled_ = true;
  const qint64 since = sinceFit_.isValid() ? sinceFit_.elapsed() : kFitGapMs;
  const int wait = since >= kFitGapMs ? 0 : static_cast<int>(kFitGapMs - since);
  QTimer::singleShot(wait, this, [this] {
    scheduled_ = false;
    Fit();
  });
}

namespace {

bool Stretched(const QHeaderView* header, int column) {
  return header->stretchLastSection() && header->visualIndex(column) == header->count() - 1;
}

}  // namespace

int ColumnFitter::Measure(int column) {
  // What the column's cells and caption need, measured by the view itself.
  QHeaderView* header = view_->header();
  const bool stretch = Stretched(header, column);
  const int before = header->sectionSize(column);
  if (stretch) header->setStretchLastSection(false);
  view_->resizeColumnToContents(column);
  const int needed = header->sectionSize(column);
  // A stretched column goes back to what it needs, not to its stretched width: the header
  // keeps the width a column had when stretching began as its least width, and a stretched
  // width kept that way would no longer shrink when a vertical scroll bar takes its room.
  if (!stretch) header->resizeSection(column, before);
  if (stretch) header->setStretchLastSection(true);
  return needed;
}

void ColumnFitter::Fit() {
  sinceFit_.start();
  QHeaderView* header = view_->header();
  fitting_ = true;
  needed_.assign(static_cast<std::size_t>(header->count()), 0);
  for (int column = 0; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    const int needed = Measure(column);
    const bool keep = userSized_.contains(column) || Stretched(header, column);
    needed_[static_cast<std::size_t>(column)] =
        keep && !Stretched(header, column) ? header->sectionSize(column) : needed;
    if (!keep && needed > header->sectionSize(column)) header->resizeSection(column, needed);
  }
  fitting_ = false;
  emit Fitted();
}

int ColumnFitter::NeededWidth() const {
  const QHeaderView* header = view_->header();
  int total = 0;
  for (int column = 0; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    const int needed =
        column < static_cast<int>(needed_.size()) ? needed_[static_cast<std::size_t>(column)] : 0;
    total += Stretched(header, column) ? needed : std::max(header->sectionSize(column), needed);
  }
  return total;
}

}  // namespace nummora
