#include "core/query/table_view.h"

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"

namespace quarry {

namespace {

// Releases a lock taken with TryLock.
struct HeldLock {
  DataSource& source;
  ~HeldLock() { source.Unlock(); }
};

}  // namespace

Status ViewTable(DataSource& source, const std::string& table, const RowHandler& onColumns,
                 const RowHandler& onRow) {
  // The viewer runs where the user waits: it never queues behind a running job.
  if (!source.TryLock()) return Busy(kSystemBusy);
  HeldLock held{source};
  const std::string sql = SelectAllFrom(table);
  std::vector<std::string> names;
  if (!source.FieldNames(sql, names) || !source.Query(sql))
    return DatabaseError(source.LastError());
  onColumns(names);
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) onRow(row);
  return Status::Ok();
}

std::string TablePageSql(const TablePage& page, const std::vector<std::string>& columns) {
  std::string sql = SelectAllFrom(page.table);
  if (page.sortColumn >= 0 && static_cast<size_t>(page.sortColumn) < columns.size()) {
    sql += " ORDER BY " + QuoteIdent(columns[static_cast<size_t>(page.sortColumn)]) +
           (page.descending ? " DESC" : " ASC");
  }
  return sql + " LIMIT " + std::to_string(page.limit) + " OFFSET " + std::to_string(page.offset);
}

Status ViewTablePage(DataSource& source, const TablePage& page, long& totalRows,
                     const RowHandler& onColumns, const RowHandler& onRow) {
  if (!source.TryLock()) return Busy(kSystemBusy);
  HeldLock held{source};
  auto total = CountTableRows(source, page.table);
  if (!total) return total.status();
  totalRows = *total;
  std::vector<std::string> names;
  if (!source.FieldNames(SelectAllFrom(page.table), names))
    return DatabaseError(source.LastError());
  if (!source.Query(TablePageSql(page, names))) return DatabaseError(source.LastError());
  onColumns(names);
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) onRow(row);
  return Status::Ok();
}

}  // namespace quarry
