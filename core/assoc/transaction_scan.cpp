#include "core/assoc/transaction_scan.h"

#include <algorithm>

#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"

namespace quarry::assoc {

TransactionScan::TransactionScan(DataSource& source, std::string table,
                                 std::vector<std::string> columnNames, size_t itemCount,
                                 std::vector<ItemPositions> classesOf, Progress& progress)
    : source_(source),
      table_(std::move(table)),
      columnNames_(std::move(columnNames)),
      itemCount_(itemCount),
      classesOf_(std::move(classesOf)),
      progress_(progress) {}

Status TransactionScan::CheckCell(const std::string& cell, size_t column) const {
  if (cell == "?" || IsNumberLiteral(Trim(cell))) return Status::Ok();
  return InvalidArgument("column " + columnNames_[column] + " of table " + table_ + " holds \"" +
                         cell + "\", which is no 0/1 item value: binarize the table first");
}

Status TransactionScan::Pass(const std::string& what, long expectedRows,
                             const std::function<void(const Transaction&)>& visit) {
  using Clock = std::chrono::steady_clock;
  const bool firstPass = passes_ == 0;
  ++passes_;
  const size_t columns = columnNames_.size();
  const bool generalized = !classesOf_.empty();
  std::vector<std::string> row;
  ItemPositions items;
  ItemVector vector(itemCount_, 0);
  Transaction transaction{0, &items, &vector};
  auto start = Clock::now();
  bool more = source_.FirstRow(row);
  readSeconds_ += std::chrono::duration<double>(Clock::now() - start).count();
  while (more) {
    if (row.size() != columns) return DatabaseError("cannot read table " + table_);
    items.clear();
    for (size_t c = 0; c < columns; ++c) {
      const std::string& cell = row[c];
      if (cell.size() == 1 && (cell[0] == '1' || cell[0] == '0')) {
        if (cell[0] == '1') items.push_back(static_cast<int32_t>(c));
      } else if (Status s = CheckCell(cell, c); !s.ok()) {
        return s;
      }
    }
    if (firstPass) oneCells_ += static_cast<int64_t>(items.size());
    for (int32_t p : items) vector[static_cast<size_t>(p)] = 1;
    if (generalized) {
      const size_t present = items.size();
      for (size_t i = 0; i < present; ++i) {
        for (int32_t cls : classesOf_[static_cast<size_t>(items[i])]) {
          if (vector[static_cast<size_t>(cls)] == 0) {
            vector[static_cast<size_t>(cls)] = 1;
            items.push_back(cls);
          }
        }
      }
      std::sort(items.begin() + static_cast<long>(present), items.end());
    }
    ++transaction.number;
    visit(transaction);
    for (int32_t p : items) vector[static_cast<size_t>(p)] = 0;
    if (transaction.number % 4096 == 0) {
      if (progress_.Cancelled()) return Cancelled("association rules cancelled");
      progress_.Update(what, transaction.number, expectedRows);
    }
    start = Clock::now();
    more = source_.NextRow(row);
    readSeconds_ += std::chrono::duration<double>(Clock::now() - start).count();
  }
  // A fetch that fails ends the rows early, as the end of the table does: the count tells.
  if (transaction.number != expectedRows) {
    const std::string why = source_.LastError();
    return DatabaseError("cannot read table " + table_ + ": " + std::to_string(expectedRows) +
                         " rows counted, " + std::to_string(transaction.number) + " read" +
                         (why.empty() ? "" : ": " + why));
  }
  return Status::Ok();
}

}  // namespace quarry::assoc
