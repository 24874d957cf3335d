#pragma once
// Prints a history list on pages: a grey header with the caption and "Page # " and the page
// number, the column captions in framed silver cells, then the rows in framed cells, the
// columns scaled to the width of the page, a new page whenever the next row would pass the
// bottom margin. Every text is printed whole: a column too narrow for its texts is widened
// (the room taken from the widest), and the table type made smaller when the page needs it.
#include <QList>
#include <QString>
#include <QStringList>

#include "history/history_table.h"

class QPagedPaintDevice;

namespace nummora {

struct HistoryPrintJob {
  QString caption;                     // the viewer's caption, at the top of every page
  QStringList captions;                // the eight column captions
  QList<int> columnWidths;             // the on-screen widths of the eight columns
  const HistoryTable* rows = nullptr;  // in list order
};

// Draws the job on `device` (a printer or a PDF writer), which must not have been painted on
// yet. Returns the number of pages, or 0 when painting could not start.
int PrintHistory(QPagedPaintDevice& device, const HistoryPrintJob& job);

}  // namespace nummora
