#pragma once
// Reads the transactions of the miner's input table, one row at a time as the rows arrive. A cell
// holds its column's item exactly when its text is "1"; "0", NULL and other numbers ("1.0",
// " 1") mean absent. Text that is no number means the table is not in 0/1 form, and the pass
// stops with a message saying which column to binarize. In generalized mode a transaction also
// holds every class above each of its items, once.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/assoc/itemset.h"
#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
}

namespace quarry::assoc {

struct Transaction {
  long number = 0;             // 1 for the first row of the pass
  const ItemPositions* items;  // ascending positions: columns, then classes
  const ItemVector* vector;    // M bytes
};

class TransactionScan {
 public:
  // `columnNames` are the F columns of the current result set of `source`, which the caller has
  // queried and keeps under exclusive use. `classesOf[i]`, when given, lists the class positions
  // (F + class) above column i, so M = F + the number of classes.
  TransactionScan(DataSource& source, std::string table, std::vector<std::string> columnNames,
                  size_t itemCount, std::vector<ItemPositions> classesOf, Progress& progress);

  // One pass over every row, in order. Stops at the first failure (unreadable row, a cell that is
  // no 0/1 value, cancelling) and returns it.
  Status Pass(const std::string& what, long expectedRows,
              const std::function<void(const Transaction&)>& visit);

  size_t ItemCount() const { return itemCount_; }
  size_t ColumnCount() const { return columnNames_.size(); }
  // Cells holding "1" seen in the first pass.
  int64_t OneCells() const { return oneCells_; }
  int Passes() const { return passes_; }
  // Time spent fetching rows from the data source, over all passes.
  double ReadSeconds() const { return readSeconds_; }

 private:
  Status CheckCell(const std::string& cell, size_t column) const;

  DataSource& source_;
  std::string table_;
  std::vector<std::string> columnNames_;
  size_t itemCount_;
  std::vector<ItemPositions> classesOf_;
  Progress& progress_;
  int64_t oneCells_ = 0;
  int passes_ = 0;
  double readSeconds_ = 0.0;
};

}  // namespace quarry::assoc
