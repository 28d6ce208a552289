#include "core/advisor/class_mode_frequency.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Rows of `sql`, or -1 when it cannot be run.
long CountRows(DataSource& source, const std::string& sql) {
  if (!source.Query(sql)) return -1;
  return source.RowCount();
}

}  // namespace

Expected<float> MeasureResponseClassModeFrequency(DataSource& source, const std::string& table) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> columns;
  if (!source.FieldNames(SelectAllFrom(table), columns) || columns.empty()) {
    return NotFound("cannot read table " + table + ": " + source.LastError());
  }
  const std::string target = QuoteIdent(columns.back());
  const long n = CountRows(source, SelectAllFrom(table));
  if (n < 0) return DatabaseError("cannot count the rows of " + table + ": " + source.LastError());
  if (n == 0) return InvalidArgument(table + " has no rows");
  const long nulls =
      std::max(0L, CountRows(source, SelectAllFrom(table) + " WHERE " + target + " is NULL"));
  const std::string counted = "COUNT(" + target + ")";
  std::vector<std::string> row;
  if (!source.Query("SELECT " + target + "," + counted + " FROM " + QuoteIdent(table) +
                    " GROUP BY " + target + " ORDER BY " + counted + " desc") ||
      !source.FirstRow(row) || row.size() < 2) {
    return DatabaseError("cannot count the classes of " + table + ": " + source.LastError());
  }
  const double mode = std::atof(row[1].c_str());
  return static_cast<float>((mode + static_cast<double>(nulls)) / static_cast<double>(n) * 100.0);
}

}  // namespace quarry
