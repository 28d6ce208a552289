#include "core/query/table_view.h"

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

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

}  // namespace quarry
