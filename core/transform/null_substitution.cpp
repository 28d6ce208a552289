#include "core/transform/null_substitution.h"

#include <optional>
#include <vector>

#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/column_types.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"

namespace quarry {

namespace {

// The most frequent known value (nullopt when there is none); on equal counts the group
// returned first, and the groups are asked for in value order, so the smallest value: without
// the ORDER BY the order of the groups would be each database's own.
Expected<std::optional<std::string>> MostFrequentValue(DataSource& source, const std::string& t,
                                                       const std::string& f) {
  if (!source.Query("SELECT " + f + ", COUNT(*) FROM " + t + " WHERE " + f +
                    " IS NOT NULL GROUP BY " + f + " ORDER BY " + f)) {
    return DatabaseError(source.LastError());
  }
  std::optional<std::string> best;
  double bestCount = 0;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    const double count = ParseNumber(row[1]).value_or(0);
    if (count > bestCount) {
      bestCount = count;
      best = row[0];
    }
  }
  return best;
}

// A number goes in bare; everything else, and a numeric column's value that reads as no number,
// as a quoted literal, so that no value read back from the database can change the statement.
std::string SubstituteLiteral(const std::string& value, const std::string& typeName,
                              DbmsKind dbms) {
  // PostgreSQL's booleans take no bare number.
  const bool quoted = typeName == "bit" && dbms == DbmsKind::kPostgres;
  if (IsNumericTypeName(typeName) && !quoted) {
    std::string number = value;
    ReplaceAllInPlace(number, ',', '.');
    if (ParseNumber(number)) return std::string(Trim(number));
  }
  return QuoteLiteral(value);
}

}  // namespace

Expected<NullSubstitutionResult> SubstituteNulls(DataSource& source,
                                                 const NullSubstitutionParams& params) {
  ExclusiveUse exclusive(source);
  auto chosen = ChooseColumn(source, params.table, params.column);
  if (!chosen) return chosen.status();
  NullSubstitutionResult result;
  result.column = params.newName ? params.newName() : std::string();
  if (Status s = CheckNewColumnName(*chosen, result.column); !s.ok()) return s;

  const std::string t = QuoteIdent(chosen->table);
  const std::string f = QuoteIdent(chosen->column);
  const std::string n = QuoteIdent(result.column);
  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  // The copy takes the column's own type: a text's length, a date, a fixed-width text stay.
  if (!source.AddColumnLike(chosen->table, chosen->column, result.column))
    return DatabaseError(source.LastError());
  std::optional<std::string> value;
  if (chosen->type == "float") {
    auto row = ReadFirstRow(source, "SELECT AVG(" + f + ") FROM " + t);
    if (!row) return row.status();
    if (!row->empty() && (*row)[0] != "?") value = (*row)[0];
  } else {
    auto mode = MostFrequentValue(source, t, f);
    if (!mode) return mode.status();
    value = *mode;
  }
  const std::string update = "UPDATE " + t + " SET " + n + " = ";
  if (!source.Execute(update + f + " WHERE " + f + " IS NOT NULL"))
    return DatabaseError(source.LastError());
  // Without a known value there is nothing to put in; the copy keeps its NULLs.
  if (value) {
    result.substitute = SubstituteLiteral(*value, chosen->type, source.Dialect().kind());
    if (!source.Execute(update + result.substitute + " WHERE " + f + " IS NULL")) {
      return DatabaseError(source.LastError());
    }
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  return result;
}

}  // namespace quarry
