#include "ui/record_list.h"

#include <QTreeView>

namespace nummora {

void MakeRecordList(QTreeView* list) {
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setAlternatingRowColors(true);
}

}  // namespace nummora
