#include "core/transform/scaling.h"

#include "core/common/fcvt.h"
#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"

namespace quarry {

namespace {

// The extreme as the user typed it, with a decimal comma made a point so the statement reads it.
std::string TypedNumber(const std::string& text) {
  std::string number(Trim(text));
  ReplaceAllInPlace(number, ',', '.');
  return number;
}

}  // namespace

Status ScaleColumn(DataSource& source, const ScalingParams& params) {
  ExclusiveUse exclusive(source);
  auto chosen = ChooseColumn(source, params.table, params.column);
  if (!chosen) return chosen.status();
  // Only numbers pass, so the extremes can go into the statement as typed.
  const auto inf = ParseNumber(params.inf);
  const auto sup = ParseNumber(params.sup);
  if (!inf || !sup || !(*inf < *sup)) return InvalidArgument(kBadExtremes);

  const std::string t = QuoteIdent(chosen->table);
  const std::string f = QuoteIdent(chosen->column);
  auto min = ReadFirstRow(source, "SELECT min(" + f + ") FROM  " + t);
  if (!min) return min.status();
  auto max = ReadFirstRow(source, "SELECT max(" + f + ") FROM  " + t);
  if (!max) return max.status();
  const auto lo = min->empty() ? std::nullopt : ParseNumber((*min)[0]);
  const auto hi = max->empty() ? std::nullopt : ParseNumber((*max)[0]);
  if (!lo || !hi) return InvalidArgument(kSelectAnotherField);

  const std::string column = params.newName ? params.newName() : std::string();
  if (Status s = CheckNewColumnName(*chosen, column); !s.ok()) return s;

  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  const std::string update = "UPDATE " + t + " SET " + QuoteIdent(column) + " = ";
  const std::string minText = FiveDecimalText(*lo);
  const std::string maxText = FiveDecimalText(*hi);
  const std::string infText = TypedNumber(params.inf);
  const std::string supText = TypedNumber(params.sup);
  std::string sql;
  if (minText == maxText) {
    // max - min is 0: the statement below would divide by zero.
    sql = update + infText + " WHERE " + f + " IS NOT NULL";
  } else {
    sql = update + "(abs(" + f + " - " + maxText + ") * " + infText + " + " + "abs(" + f + " - " +
          minText + ") * " + supText + ")/ abs(" + maxText + " - " + minText + ")";
  }
  if (!source.Execute("ALTER TABLE " + t + " ADD COLUMN " + QuoteIdent(column) + " float") ||
      !source.Execute(sql)) {
    return DatabaseError(source.LastError());
  }
  return transaction.Commit();
}

}  // namespace quarry
