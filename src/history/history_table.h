#pragma once
// The rows of a history list: each row a list of text cells, the first shown under "Date", the
// next seven in the other columns and two more, hidden, holding the counterpart's name and
// account number. Rows may have fewer cells than that (short e-gold lines, fee rows): a cell a
// row lacks reads as empty, and commands that need it do nothing. All cells of all rows are kept
// in one text buffer, so that a history of hundreds of thousands of rows costs a few
// allocations rather than one per cell.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nummora {

// Positions of the cells in a row.
enum HistoryCell : std::size_t {
  kCellDate = 0,
  kCellType = 1,
  kCellBatch = 2,  // e-gold batch, Liberty Reserve transaction id
  kCellToFrom = 3,
  kCellAmount = 4,
  kCellUnit = 5,  // e-gold metal, Liberty Reserve currency
  kCellMemo = 6,
  kCellMerchant = 7,
  kCellHiddenName = 8,
  kCellHiddenAccount = 9,
};
inline constexpr std::size_t kHistoryShownCells = 8;

class HistoryTable {
 public:
  // Starts a new row at the end; the cells added next belong to it.
  void BeginRow();
  void AddCell(std::string_view text);
  // Adds one cell of the parts written one after the other. No part may be a view of this
  // table's own text.
  void AddJoinedCell(std::initializer_list<std::string_view> parts);
  // Appends every row of `other` after the rows of this table.
  void Append(const HistoryTable& other);
  void Reserve(std::size_t rows, std::size_t textBytes);

  std::size_t RowCount() const { return rowFirstCell_.size(); }
  std::size_t CellCount(std::size_t row) const;
  bool HasCell(std::size_t row, std::size_t cell) const { return cell < CellCount(row); }
  // The cell's text; empty for a cell the row lacks.
  std::string_view Cell(std::size_t row, std::size_t cell) const;
  std::vector<std::string> Row(std::size_t row) const;

 private:
  std::string text_;
  std::vector<std::size_t> cellEnd_;       // end offset in text_ of every cell, in order
  std::vector<std::size_t> rowFirstCell_;  // index into cellEnd_ of each row's first cell
};

}  // namespace nummora
