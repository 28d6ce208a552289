#pragma once
// The table viewer ("QUARRY Query Set"): one table of the data source, column names first, then
// its rows as text. The query editor, the stored queries and the clustering and k-NN dialogs use
// it to show the data source's current table.

#include <functional>
#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kSystemBusy = "System busy, try again later";

using RowHandler = std::function<void(const std::vector<std::string>& values)>;

// Hands the column names to `onColumns`, then every row to `onRow`, as they arrive. When another
// job holds the data source it shows nothing and fails with kBusy (kSystemBusy) at once.
Status ViewTable(DataSource& source, const std::string& table, const RowHandler& onColumns,
                 const RowHandler& onRow);

// One page of a table for the viewer: `limit` rows from row `offset` (counted from 0), ordered by
// column `sortColumn` (0-based; -1 for the table's own order).
struct TablePage {
  std::string table;
  long offset = 0;
  long limit = 5000;
  int sortColumn = -1;
  bool descending = false;
};

// The page's statement: SELECT * of the table, ORDER BY the sort column when there is one, then
// LIMIT and OFFSET.
std::string TablePageSql(const TablePage& page, const std::vector<std::string>& columns);

// As ViewTable, for one page; also reports the table's number of rows through `totalRows`.
Status ViewTablePage(DataSource& source, const TablePage& page, long& totalRows,
                     const RowHandler& onColumns, const RowHandler& onRow);

}  // namespace quarry
