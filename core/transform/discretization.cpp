#include "core/transform/discretization.h"

#include "core/common/fcvt.h"
#include "core/common/number_text.h"
#include "core/data/data_source.h"
#include "core/data/free_names.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"

namespace quarry {

namespace {

long ToLong(const std::vector<std::string>& row) {
  auto n = row.empty() ? std::nullopt : ParseNumber(row[0]);
  return n ? static_cast<long>(*n) : 0;
}

std::string AssignedValue(long interval, IntervalLabel label, const std::string& labelText) {
  // The first interval's assignment is written without the blank, as it always was.
  if (label == IntervalLabel::kText) {
    return (interval == 1 ? " =" : " = ") + QuoteLiteral(labelText);
  }
  return " = " + std::to_string(interval);
}

Status ExecuteOrFail(DataSource& source, const std::string& sql) {
  if (!source.Execute(sql)) return DatabaseError(source.LastError());
  return Status::Ok();
}

Status DiscretizeRegular(DataSource& source, const ChosenColumn& chosen, const std::string& column,
                         long k, double min, double max, IntervalLabel label) {
  const std::vector<float> bounds =
      RegularBounds(static_cast<float>(min), static_cast<float>(max), k);
  std::vector<std::string> texts;
  texts.reserve(bounds.size());
  for (float b : bounds) texts.push_back(FiveDecimalText(b));
  const std::string f = QuoteIdent(chosen.column);
  const std::string update = "UPDATE " + QuoteIdent(chosen.table) + " SET " + QuoteIdent(column);
  // The bound texts are rounded to five decimals, and the maximum read as text has at most
  // fifteen digits: either can lie just below the column's largest value (1.234564 shows as
  // 1.23456, 0.1 + 0.2 reads 0.3). The last interval ends at the largest value as the database
  // holds it, so the rows holding it always fall into an interval.
  const std::string top = "(SELECT max(" + f + ") FROM " + QuoteIdent(chosen.table) + ")";
  for (long i = 1; i <= k; ++i) {
    const size_t at = static_cast<size_t>(i);
    std::string sql = update +
                      AssignedValue(i, label, IntervalLabelText(bounds[at - 1], bounds[at])) +
                      " WHERE " + f + " <= ";
    if (i == 1) {
      sql += k == 1 ? top : texts[at];
    } else if (i < k) {
      sql += texts[at] + " AND " + f + " > " + texts[at - 1];
    } else {
      sql += top + " AND " + f + " >" + texts[at - 1];
    }
    if (Status s = ExecuteOrFail(source, sql); !s.ok()) return s;
  }
  return Status::Ok();
}

// Equal frequency: the rows are copied in the column's order into a working table that numbers
// them, the intervals are cut by those numbers, and the working table replaces the table. Rows
// whose value is missing get no number, so they keep NULL and take no place in any interval.
Status DiscretizeUniform(DataSource& source, const ChosenColumn& chosen, const std::string& column,
                         long k, IntervalLabel label, Progress& progress) {
  const std::string t = QuoteIdent(chosen.table);
  const std::string f = QuoteIdent(chosen.column);
  auto known = ReadFirstRow(source, "SELECT count(" + f + ") FROM " + t);
  if (!known) return known.status();
  const long n = ToLong(*known);

  std::vector<std::string> names;
  std::vector<std::string> types;
  if (!source.FieldTypes(SelectAllFrom(chosen.table), names, types)) {
    return DatabaseError(source.LastError());
  }
  size_t valueAt = 0;
  while (valueAt < names.size() && names[valueAt] != chosen.column) ++valueAt;
  const std::string working = FirstFreeTableName(source, "table");
  const std::string index = FreeColumnName(names, "Index");
  names.push_back(index);
  types.push_back("integer");
  // The working table replaces the table: its columns keep their declared types.
  if (!source.CreateTableLike(working, chosen.table) ||
      !source.Execute("ALTER TABLE " + QuoteIdent(working) + " ADD COLUMN " + QuoteIdent(index) +
                      " integer")) {
    return DatabaseError(source.LastError());
  }

  // Interval i (0-based) holds positions starts[i] .. ends[i]; its label needs the values there.
  std::vector<long> starts = EqualFrequencyStarts(n, k);
  std::vector<long> ends(starts.size());
  for (size_t i = 0; i < starts.size(); ++i)
    ends[i] = i + 1 < starts.size() ? starts[i + 1] - 1 : n;
  std::vector<double> startValue(starts.size(), 0.0);
  std::vector<double> endValue(starts.size(), 0.0);

  if (!source.Query("SELECT * FROM " + t + " ORDER BY " + f))
    return DatabaseError(source.LastError());
  std::vector<std::string> row;
  long position = 0;
  size_t interval = 0;
  long copied = 0;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    if (row.size() + 1 != names.size())
      return DatabaseError("the rows of " + chosen.table + " changed while they were read");
    if (row[valueAt] == "?") {
      row.push_back("?");
    } else {
      ++position;
      while (interval + 1 < starts.size() && position >= starts[interval + 1]) ++interval;
      const double value = ParseNumber(row[valueAt]).value_or(0.0);
      if (position == starts[interval]) startValue[interval] = value;
      if (position == ends[interval]) endValue[interval] = value;
      row.push_back(std::to_string(position));
    }
    if (!source.InsertRow(working, names, types, row)) return DatabaseError(source.LastError());
    if (++copied % 10000 == 0) progress.Update("discretize", copied, -1);
  }

  const std::string update = "UPDATE " + QuoteIdent(working) + " SET " + QuoteIdent(column);
  const std::string idx = QuoteIdent(index);
  for (size_t i = 0; i < starts.size(); ++i) {
    if (ends[i] < starts[i]) continue;  // more intervals than values: this one stays empty
    const std::string labelText = IntervalLabelText(startValue[i], endValue[i]);
    std::string sql = update + AssignedValue(static_cast<long>(i + 1), label, labelText) +
                      " WHERE " + idx + " >= " + std::to_string(starts[i]);
    if (i + 1 < starts.size()) sql += " AND " + idx + " < " + std::to_string(starts[i + 1]);
    if (Status s = ExecuteOrFail(source, sql); !s.ok()) return s;
  }
  for (const std::string& sql :
       {"ALTER TABLE " + QuoteIdent(working) + " DROP COLUMN " + idx, "drop table " + t,
        " SELECT * INTO " + t + " FROM " + QuoteIdent(working),
        "drop table " + QuoteIdent(working)}) {
    if (Status s = ExecuteOrFail(source, sql); !s.ok()) return s;
  }
  return Status::Ok();
}

}  // namespace

std::vector<float> RegularBounds(float min, float max, long k) {
  std::vector<float> bounds(static_cast<size_t>(k) + 1);
  const float width = (max - min) / static_cast<float>(k);
  bounds[0] = min;
  for (long i = 1; i < k; ++i) bounds[static_cast<size_t>(i)] = min + static_cast<float>(i) * width;
  bounds[static_cast<size_t>(k)] = max;
  return bounds;
}

std::string IntervalLabelText(double lo, double hi) {
  return "[" + FiveDecimalText(lo) + "," + FiveDecimalText(hi) + "]";
}

std::vector<long> EqualFrequencyStarts(long n, long k) {
  std::vector<long> starts(static_cast<size_t>(k));
  starts[0] = 1;
  for (long i = 1; i < k; ++i) starts[static_cast<size_t>(i)] = (n / k) * i + 1;
  return starts;
}

Status Discretize(DataSource& source, const DiscretizationParams& params, Progress& progress) {
  ExclusiveUse exclusive(source);
  auto chosen = ChooseColumn(source, params.table, params.column);
  if (!chosen) return chosen.status();
  const std::string t = QuoteIdent(chosen->table);
  const std::string f = QuoteIdent(chosen->column);

  if (!IsDigitsWithOnePoint(params.intervals)) return InvalidArgument(kBadIntervalCount);
  const long k = IntegerPart(params.intervals);
  auto rows = ReadFirstRow(source, "SELECT count(*) FROM " + t);
  if (!rows) return rows.status();
  // No interval at all would divide by zero; the count caps k.
  if (k < 1 || k > ToLong(*rows)) return InvalidArgument(kBadIntervalCount);

  auto minMax = ReadFirstRow(source, "SELECT min(" + f + "), max(" + f + ") FROM  " + t);
  if (!minMax) return minMax.status();
  if (minMax->size() < 2 || (*minMax)[0] == "?" || (*minMax)[1] == "?") {
    return InvalidArgument(kSelectAnotherField);
  }
  // A column of texts has a minimum and a maximum too, but no intervals.
  const auto min = ParseNumber((*minMax)[0]);
  const auto max = ParseNumber((*minMax)[1]);
  if (!min || !max) return InvalidArgument(kSelectAnotherField);

  const std::string column = params.newName ? params.newName() : std::string();
  if (Status s = CheckNewColumnName(*chosen, column); !s.ok()) return s;

  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  const char* type = params.label == IntervalLabel::kNumber ? " integer" : " string";
  if (Status s =
          ExecuteOrFail(source, "ALTER TABLE " + t + " ADD COLUMN " + QuoteIdent(column) + type);
      !s.ok()) {
    return s;
  }
  Status done = params.type == DiscretizationType::kRegularIntervals
                    ? DiscretizeRegular(source, *chosen, column, k, *min, *max, params.label)
                    : DiscretizeUniform(source, *chosen, column, k, params.label, progress);
  if (!done.ok()) return done;
  return transaction.Commit();
}

}  // namespace quarry
