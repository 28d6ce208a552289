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

}  // namespace quarry
