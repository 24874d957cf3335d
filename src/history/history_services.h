#pragma once
// What the history download dialog and the history viewers need from the rest of the program.
// The main window fills it in; an empty member leaves the command that needs it disabled (the
// address book and the e-mail notice) or falls back to the platform's dialogs (file, printer).
#include <QString>
#include <functional>
#include <string>

#include "common/datetime.h"
#include "payments/payment_services.h"

class QPrinter;
class QTableView;
class QWidget;

namespace nummora {

class MessageBoxes;
class WorkerHost;

struct HistoryServices {
  WorkerHost* host = nullptr;     // workers' hand-offs, the events list, the number format
  std::string egoldSecure;        // "https://host:port" of the e-gold server
  std::string libertyReserve;     // and of the Liberty Reserve API server
  MessageBoxes* boxes = nullptr;  // nullptr: real message boxes
  bool stayOnTop = false;         // the main window's setting, taken by every history window
  QString applicationTitle = QStringLiteral("Nummora");
  // Writes Batch and BatchDate of the account table entry at `position` (main thread).
  std::function<void(int position, int32_t batch, TDateTime batchDate)> storeBatch;
  // Address-book picker, contact editor and e-mail notice.
  PaymentServices payments;
  // The file a history is saved to, asked for over `owner` (empty: cancelled). Default: the
  // platform's save dialog, which asks before an existing file is replaced.
  std::function<QString(QWidget* owner)> askSaveFile;
  // Lets the user choose and set up the printer; false when cancelled. Default: the print
  // dialog, which offers the system's printers and printing to a PDF file.
  std::function<bool(QWidget* owner, QPrinter& printer)> askPrinter;
  // Give a new viewer the bounds and list widths the last one closed with (true when widths
  // were stored), and keep them when a viewer is closed. Empty: the layout is not kept.
  std::function<bool(QWidget* viewer, QTableView* list)> restoreLayout;
  std::function<void(const QWidget* viewer, const QTableView* list)> saveLayout;
};

}  // namespace nummora
