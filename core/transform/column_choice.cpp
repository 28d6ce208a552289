#include "core/transform/column_choice.h"

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Index of `name` in `names`: the exact spelling, else the first that differs only in case.
long FindName(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<long>(i);
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (EqualsIgnoreCase(names[i], name)) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

Expected<ChosenColumn> ChooseTable(DataSource& source, const std::string& table) {
  std::vector<std::string> tables;
  if (table.empty() || !source.ListTables(tables)) return InvalidArgument(kSelectTable);
  const long t = FindName(tables, table);
  if (t < 0) return InvalidArgument(kSelectTable);
  ChosenColumn chosen;
  chosen.table = tables[static_cast<size_t>(t)];
  if (!source.FieldTypes(SelectAllFrom(chosen.table), chosen.names, chosen.types)) {
    return DatabaseError("cannot read the columns of " + chosen.table + ": " + source.LastError());
  }
  return chosen;
}

Expected<ChosenColumn> ChooseColumn(DataSource& source, const std::string& table,
                                    const std::string& column) {
  auto found = ChooseTable(source, table);
  if (!found) return found;
  ChosenColumn& chosen = *found;
  const long c = column.empty() ? -1 : FindName(chosen.names, column);
  if (c < 0) return InvalidArgument(kSelectField);
  chosen.column = chosen.names[static_cast<size_t>(c)];
  chosen.type = chosen.types[static_cast<size_t>(c)];
  return found;
}

bool TableNameTaken(DataSource& source, const std::string& name) {
  std::vector<std::string> tables;
  return source.ListTables(tables) && FindName(tables, name) >= 0;
}

Status CheckNewColumnName(const ChosenColumn& chosen, const std::string& name) {
  if (name.empty() || FindName(chosen.names, name) >= 0) return InvalidArgument(kFieldNameNotValid);
  return Status::Ok();
}

Expected<std::vector<std::string>> ReadFirstRow(DataSource& source, const std::string& sql) {
  ExclusiveUse exclusive(source);
  if (!source.Query(sql)) return DatabaseError(source.LastError());
  std::vector<std::string> row;
  if (!source.FirstRow(row)) row.clear();
  return row;
}

}  // namespace quarry
