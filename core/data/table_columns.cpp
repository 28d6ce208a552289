#include "core/data/table_columns.h"

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

Expected<TableColumns> ReadTableColumns(DataSource& source, const std::string& table) {
  TableColumns columns;
  if (!source.FieldTypes(SelectAllFrom(table), columns.names, columns.types) ||
      columns.names.empty()) {
    return NotFound("cannot read table " + table + ": " + source.LastError());
  }
  return columns;
}

Expected<long> CountTableRows(DataSource& source, const std::string& table) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> row;
  if (!source.Query("select count(*) from " + QuoteIdent(table)) || !source.FirstRow(row) ||
      row.empty()) {
    return NotFound("cannot read table " + table + ": " + source.LastError());
  }
  const long rows = std::stol(row[0]);
  // Read to its end, the count's cursor closes: an open one would keep SQLite from dropping
  // the table.
  while (source.NextRow(row)) {
  }
  return rows;
}

}  // namespace quarry
