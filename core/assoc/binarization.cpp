#include "core/assoc/binarization.h"

#include <algorithm>
#include <unordered_map>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/data/work_tables.h"

namespace quarry::assoc {

namespace {

// The known values of `column`, distinct, in value order.
std::string KnownValuesQuery(const std::string& table, const std::string& column) {
  const std::string qualified = QuoteIdent(table) + "." + QuoteIdent(column);
  return "SELECT distinct " + qualified + " from " + QuoteIdent(table) + " where " + qualified +
         " is not null order by " + qualified;
}

// The value at `position` (from 0) of KnownValuesQuery, as the database holds it. Rows are
// compared with it, never with its text: a number's text may have fewer digits than the number
// (0.1 + 0.2 reads "0.3"), and a text compared as a literal would meet the column's type rules.
std::string KnownValueAt(const std::string& table, const std::string& column, size_t position) {
  return "(" + KnownValuesQuery(table, column) + " limit 1 offset " + std::to_string(position) +
         ")";
}

bool HasName(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::string& n) { return EqualsIgnoreCase(n, name); });
}

Status Run(DataSource& source, const std::string& sql) {
  if (source.Execute(sql)) return Status::Ok();
  return DatabaseError(source.LastError());
}

// Adds the value columns of `column` to `table`, whose columns are `existing`; the caller holds
// the transaction.
Status AddValueColumns(DataSource& source, const std::string& table, const std::string& column,
                       std::vector<std::string>& existing, BinarizeResult& result) {
  if (!source.Query(KnownValuesQuery(table, column))) {
    return DatabaseError("cannot read the values of " + column + ": " + source.LastError());
  }
  // Values that read as one text (two numbers equal to the digits shown, a number and a text in
  // one SQLite column) share the column named after that text.
  std::vector<std::string> texts;
  std::vector<std::vector<size_t>> positions;
  std::unordered_map<std::string, size_t> indexOfText;
  std::vector<std::string> row;
  size_t position = 0;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row), ++position) {
    // A text "?" reads as the missing-value mark: it gets no column of its own.
    if (row.empty() || row[0] == "?") continue;
    const auto [it, added] = indexOfText.try_emplace(row[0], texts.size());
    if (added) {
      texts.push_back(row[0]);
      positions.emplace_back();
    }
    positions[it->second].push_back(position);
  }
  const std::string target = QuoteIdent(table);
  for (size_t v = 0; v < texts.size(); ++v) {
    const std::string name = BinaryColumnName(column, texts[v]);
    if (HasName(existing, name)) {
      result.skipped.push_back("value " + texts[v] + " of column " + column +
                               ": the table has a column " + name + " already");
      continue;
    }
    std::string equal;
    for (size_t p : positions[v]) {
      if (!equal.empty()) equal += " OR ";
      equal += QuoteIdent(column) + " = " + KnownValueAt(table, column, p);
    }
    // 1 where the column holds the value, 0 where it holds another; NULL stays NULL.
    Status s =
        Run(source, "ALTER TABLE " + target + " ADD COLUMN " + QuoteIdent(name) + " integer");
    if (s.ok()) {
      s = Run(source, "UPDATE " + target + " SET " + QuoteIdent(name) + " = CASE WHEN " + equal +
                          " THEN 1 ELSE 0 END WHERE " + QuoteIdent(column) + " IS NOT NULL");
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
  if (std::find(columns->names.begin(), columns->names.end(), column) == columns->names.end())
    return NotFound("table " + table + " has no column " + column);
  BinarizeResult result;
  result.table = table;
  Status s = InTransaction(
      source, [&] { return AddValueColumns(source, table, column, columns->names, result); });
  if (!s.ok()) return s;
  return result;
}

Expected<BinarizeResult> BinarizeTable(DataSource& source, WorkTables& work,
                                       const std::string& table, Progress& progress) {
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  std::string name = kBinTable;
  if (EqualsIgnoreCase(table, name) || EqualsIgnoreCase(table, name + "1")) {
    return InvalidArgument("table " + table +
                           " is where binarization works: copy it under another name first");
  }
  if (Status s = work.DropLeftovers(); !s.ok()) return s;
  for (int n = 1; source.TableExists(name); ++n) name = kBinTable + std::to_string(n);
  if (Status s = work.Claim({name}); !s.ok()) return s;
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
      if (Status add = AddValueColumns(source, name, columns->names[c], existing, result);
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
