#include "history/history_table.h"

namespace nummora {

void HistoryTable::BeginRow() {
  rowFirstCell_.push_back(cellEnd_.size());
}

void HistoryTable::AddCell(std::string_view text) {
  if (rowFirstCell_.empty()) BeginRow();
  text_.append(text);
  cellEnd_.push_back(text_.size());
}

void HistoryTable::AddJoinedCell(std::initializer_list<std::string_view> parts) {
  if (rowFirstCell_.empty()) BeginRow();
  for (std::string_view part : parts) text_.append(part);
  cellEnd_.push_back(text_.size());
}

void HistoryTable::Append(const HistoryTable& other) {
  const std::size_t textBase = text_.size();
  const std::size_t cellBase = cellEnd_.size();
  text_ += other.text_;
  for (std::size_t end : other.cellEnd_) cellEnd_.push_back(textBase + end);
  for (std::size_t first : other.rowFirstCell_) rowFirstCell_.push_back(cellBase + first);
}

void HistoryTable::Reserve(std::size_t rows, std::size_t textBytes) {
  rowFirstCell_.reserve(rows);
  cellEnd_.reserve(rows * (kHistoryShownCells + 2));
  text_.reserve(textBytes);
}

std::size_t HistoryTable::CellCount(std::size_t row) const {
  if (row >= rowFirstCell_.size()) return 0;
  const std::size_t next = row + 1 < rowFirstCell_.size() ? rowFirstCell_[row + 1] : cellEnd_.size();
  return next - rowFirstCell_[row];
}

std::string_view HistoryTable::Cell(std::size_t row, std::size_t cell) const {
  if (!HasCell(row, cell)) return {};
  const std::size_t index = rowFirstCell_[row] + cell;
  const std::size_t begin = index == 0 ? 0 : cellEnd_[index - 1];
  return std::string_view(text_).substr(begin, cellEnd_[index] - begin);
}

std::vector<std::string> HistoryTable::Row(std::size_t row) const {
  std::vector<std::string> cells;
  const std::size_t count = CellCount(row);
  cells.reserve(count);
  for (std::size_t cell = 0; cell < count; ++cell) cells.emplace_back(Cell(row, cell));
  return cells;
}

}  // namespace nummora
