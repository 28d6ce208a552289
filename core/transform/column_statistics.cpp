#include "core/transform/column_statistics.h"

#include <cmath>
#include <vector>

#include "core/common/fcvt.h"
#include "core/common/number_text.h"
#include "core/data/column_types.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/transform/column_choice.h"

namespace quarry {

namespace {

struct Target {
  std::string table;   // [T]
  std::string column;  // [T].[C]
  bool numeric = false;
};

// The single value of a one-row query, or `fallback` when the query fails or gives nothing.
std::string SingleValue(DataSource& source, const std::string& sql, const std::string& fallback) {
  auto row = ReadFirstRow(source, sql);
  if (!row || row->empty() || (*row)[0] == "?") return fallback;
  return (*row)[0];
}

std::string Median(DataSource& source, const Target& t) {
  const auto n =
      ParseNumber(SingleValue(source, "SELECT count(" + t.column + ")  FROM  " + t.table, "0"));
  if (!n || *n < 1) return kMedianNotAvailable;
  const long count = static_cast<long>(*n);
  if (!source.Query("SELECT " + t.column + "  FROM  " + t.table + "  WHERE " + t.column +
                    " IS NOT NULL  ORDER BY  " + t.column + "  ASC")) {
    return kMedianNotAvailable;
  }
  std::vector<std::string> row;
  bool more = source.FirstRow(row);
  for (long at = 1; more && at < std::max(1L, count / 2); ++at) more = source.NextRow(row);
  if (!more) return kMedianNotAvailable;
  std::string result = count % 2 == 0 ? row[0] + " - " : "";
  if (!source.NextRow(row))
    return count % 2 == 0 ? result + kMedianNotAvailable : kMedianNotAvailable;
  return result + row[0];
}

std::string StDeviation(DataSource& source, const Target& t) {
  auto head = ReadFirstRow(
      source, "SELECT avg(" + t.column + "),(Count (" + t.column + ")-1) FROM  " + t.table);
  if (!head || head->size() < 2) return kNotAvailable;
  const auto mean = ParseNumber((*head)[0]);
  const auto d = ParseNumber((*head)[1]);
  if (!mean || !d || *d <= 0) return kNotAvailable;
  if (!source.Query("SELECT " + t.column + " FROM  " + t.table)) return kNotAvailable;
  double s = 0.0;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    if (auto x = ParseNumber(row[0])) s += (*x - *mean) * (*x - *mean);
  }
  return FiveDecimalText(static_cast<float>(std::sqrt(s / *d)));
}

// Pearson's coefficient over the rows where both values are known, from running co-moments so
// that one pass over the rows is enough and large means lose no precision.
std::string Correlation(DataSource& source, const Target& x, const Target& y) {
  if (!source.Query("SELECT " + x.column + ", " + y.column + " FROM  " + x.table))
    return kNotAvailable;
  double n = 0, meanX = 0, meanY = 0, m2X = 0, m2Y = 0, cXY = 0;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    const auto a = ParseNumber(row[0]);
    const auto b = ParseNumber(row[1]);
    if (!a || !b) continue;
    n += 1;
    const double dX = *a - meanX;
    meanX += dX / n;
    const double dY = *b - meanY;
    meanY += dY / n;
    m2X += dX * (*a - meanX);
    m2Y += dY * (*b - meanY);
    cXY += dX * (*b - meanY);
  }
  // Fewer than two pairs or a constant column: the coefficient divides by zero.
  if (n < 2 || m2X <= 0 || m2Y <= 0) return kNotAvailable;
  return FiveDecimalText(static_cast<float>(cXY / (std::sqrt(m2X) * std::sqrt(m2Y))));
}

std::string ValueNumber(DataSource& source, const Target& t) {
  if (!source.Query("SELECT DISTINCT " + t.column + " FROM  " + t.table)) return "0";
  const long n = source.RowCount();
  return n > 0 ? std::to_string(n) : "0";
}

}  // namespace

const char* StatisticCaption(Statistic statistic) {
  switch (statistic) {
    case Statistic::kAverage:
      return "Average";
    case Statistic::kMode:
      return "Mode";
    case Statistic::kMedian:
      return "Median";
    case Statistic::kStDeviation:
      return "St Deviation";
    case Statistic::kMin:
      return "Min";
    case Statistic::kMax:
      return "Max";
    case Statistic::kValueNumber:
      return "Value Number";
    case Statistic::kMissingValues:
      return "Missing Values";
    case Statistic::kCorrelation:
      return "Correlation";
  }
  return "";
}

std::pair<std::string, std::string> SplitFieldEntry(const std::string& entry) {
  const size_t dot = entry.rfind('.');
  if (dot == std::string::npos) return {"", entry};
  return {entry.substr(0, dot), entry.substr(dot + 1)};
}

Expected<std::string> ComputeStatistic(DataSource& source, const StatisticParams& params) {
  ExclusiveUse exclusive(source);
  auto chosen = ChooseColumn(source, params.table, params.column);
  if (!chosen) return chosen.status();
  Target t;
  t.table = QuoteIdent(chosen->table);
  t.column = t.table + "." + QuoteIdent(chosen->column);
  t.numeric = IsNumericTypeName(chosen->type);
  const std::string& c = t.column;
  switch (params.statistic) {
    case Statistic::kAverage:
      if (!t.numeric) return std::string(kNotAvailable);
      return SingleValue(source, "SELECT avg(" + c + ") FROM  " + t.table, kNotAvailable);
    case Statistic::kMin:
      return SingleValue(source, "SELECT min(" + c + ") FROM  " + t.table, kNotAvailable);
    case Statistic::kMax:
      return SingleValue(source, "SELECT MAX(" + c + ") FROM  " + t.table, kNotAvailable);
    case Statistic::kMissingValues:
      return SingleValue(source, "SELECT count(*) - count(" + c + ") FROM  " + t.table, "0");
    case Statistic::kValueNumber:
      return ValueNumber(source, t);
    case Statistic::kMode: {
      // Of values equally frequent the largest wins: databases return tied groups in an order
      // of their own, and this is the answer the workbench has always given on SQLite.
      auto row = ReadFirstRow(source, "SELECT Count(" + c + "), " + c + "  FROM  " + t.table +
                                          "  GROUP BY " + c + "  ORDER BY  Count(" + c +
                                          ")  DESC, " + c + " DESC");
      if (!row || row->size() < 2 || (*row)[1] == "?") return std::string(kModeNotAvailable);
      return (*row)[1];
    }
    case Statistic::kMedian:
      return Median(source, t);
    case Statistic::kStDeviation:
      if (!t.numeric) return std::string(kNotAvailable);
      return StDeviation(source, t);
    case Statistic::kCorrelation: {
      auto other = ChooseColumn(source, chosen->table, params.withColumn);
      if (!other) return other.status();
      Target u;
      u.table = t.table;
      u.column = t.table + "." + QuoteIdent(other->column);
      u.numeric = IsNumericTypeName(other->type);
      if (!t.numeric || !u.numeric) return std::string(kNotAvailable);
      return Correlation(source, t, u);
    }
  }
  return std::string(kNotAvailable);
}

}  // namespace quarry
