#include "core/assoc/binarization.h"

#include <algorithm>

#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"

namespace quarry::assoc {

namespace {

// The value as the SQL of a comparison with a column of type `type`.
std::string ValueLiteral(const std::string& value, const std::string& type) {
  if (type == "string") return QuoteLiteral(value);
  std::string number = value;
  ReplaceAllInPlace(number, ',', '.');
  // A column of another type may still hold text (SQLite lets it); text never goes in bare.
  return IsNumberLiteral(number) ? number : QuoteLiteral(value);
}

bool HasName(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::string& n) { return EqualsIgnoreCase(n, name); });
}

Status Run(DataSource& source, const std::string& sql) {
  if (source.Execute(sql)) return Status::Ok();
  return DatabaseError(source.LastError());
}

// Adds the value columns of `column` (of type `type`) to `table`, whose columns are `existing`;
// the caller holds the transaction.
Status AddValueColumns(DataSource& source, const std::string& table, const std::string& column,
                       const std::string& type, std::vector<std::string>& existing,
                       BinarizeResult& result) {
  const std::string qualified = QuoteIdent(table) + "." + QuoteIdent(column);
  if (!source.Query("SELECT distinct " + qualified + " from " + QuoteIdent(table) + " order by " +
                    qualified)) {
    return DatabaseError("cannot read the values of " + column + ": " + source.LastError());
  }
  std::vector<std::string> values;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    // NULL stays NULL in every value column: it is no value of its own.
    if (!row.empty() && row[0] != "?") values.push_back(row[0]);
  }
  for (const std::string& value : values) {
    const std::string name = BinaryColumnName(column, value);
    if (HasName(existing, name)) {
      result.skipped.push_back("value " + value + " of column " + column +
                               ": the table has a column " + name + " already");
      continue;
    }
    const std::string target = QuoteIdent(table);
    const std::string literal = ValueLiteral(value, type);
    Status s =
        Run(source, "ALTER TABLE " + target + " ADD COLUMN " + QuoteIdent(name) + " integer");
    if (s.ok()) {
      s = Run(source, "UPDATE " + target + " SET " + QuoteIdent(name) + " = 1" + " WHERE " +
                          QuoteIdent(column) + " = " + literal);
    }
    if (s.ok()) {
      s = Run(source, "UPDATE " + target + " SET " + QuoteIdent(name) + " = 0" + " WHERE " +
                          QuoteIdent(column) + " <> " + literal);
    }
    if (!s.ok()) return DatabaseError("cannot add column " + name + ": " + s.message());
    existing.push_back(name);
    result.columns.push_back(name);
  }
  return Status::Ok();
}

// Runs `work` in a transaction that is undone when it fails.
template <typename Work>
Status InTransaction(DataSource& source, Work&& work) {
  if (!source.BeginTransaction()) return DatabaseError(source.LastError());
  Status s = work();
  if (!s.ok()) {
    source.Rollback();
    return s;
  }
  if (!source.Commit()) return DatabaseError("cannot commit: " + source.LastError());
  return Status::Ok();
}

}  // namespace

std::string BinaryColumnName(const std::string& column, const std::string& value) {
  return column + "_Value_" + value;
}

Expected<BinarizeResult> BinarizeColumn(DataSource& source, const std::string& table,
                                        const std::string& column) {
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  auto it = std::find(columns->names.begin(), columns->names.end(), column);
  if (it == columns->names.end()) return NotFound("table " + table + " has no column " + column);
  const std::string type = columns->types[static_cast<size_t>(it - columns->names.begin())];
  BinarizeResult result;
  result.table = table;
  Status s = InTransaction(
      source, [&] { return AddValueColumns(source, table, column, type, columns->names, result); });
  if (!s.ok()) return s;
  return result;
}

Expected<BinarizeResult> BinarizeTable(DataSource& source, const std::string& table,
                                       Progress& progress) {
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  std::string name = kBinTable;
  if (EqualsIgnoreCase(table, name) || EqualsIgnoreCase(table, name + "1")) {
    return InvalidArgument("table " + table +
                           " is where binarization works: copy it under another name first");
  }
  if (source.TableExists(name) && !source.DropTable(name)) {
    name = std::string(kBinTable) + "1";
    source.DropTable(name);
  }
  BinarizeResult result;
  result.table = name;
  Status s = InTransaction(source, [&]() -> Status {
    if (Status copy =
            Run(source, "select * into " + QuoteIdent(name) + "  from " + QuoteIdent(table));
        !copy.ok()) {
      return DatabaseError("cannot copy table " + table + " into " + name + ": " + copy.message());
    }
    std::vector<std::string> existing = columns->names;
    for (size_t c = 0; c < columns->names.size(); ++c) {
      progress.Update("binarize", static_cast<long>(c), static_cast<long>(columns->names.size()));
      if (progress.Cancelled()) return Cancelled("binarization cancelled");
      if (Status add =
              AddValueColumns(source, name, columns->names[c], columns->types[c], existing, result);
          !add.ok()) {
        return add;
      }
    }
    if (result.columns.empty()) {
      return InvalidArgument("table " + table + " holds no values: there is nothing to binarize");
    }
    for (const std::string& column : columns->names) {
      if (Status drop =
              Run(source, "alter table " + QuoteIdent(name) + " drop column " + QuoteIdent(column));
          !drop.ok()) {
        return DatabaseError("cannot drop column " + column + " of " + name + ": " +
                             drop.message());
      }
    }
    return Status::Ok();
  });
  if (!s.ok()) return s;
  return result;
}

}  // namespace quarry::assoc
