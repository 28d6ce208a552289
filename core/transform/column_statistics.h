#pragma once
// Descriptive statistics of one column, one at a time, each as the text its result box shows.

#include <string>
#include <utility>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kNotAvailable = "Not available";
inline constexpr const char* kModeNotAvailable = "Not Available";
inline constexpr const char* kMedianNotAvailable = "Method not available";

enum class Statistic {
  kAverage,
  kMode,
  kMedian,
  kStDeviation,
  kMin,
  kMax,
  kValueNumber,
  kMissingValues,
  kCorrelation,
};

// The caption of a statistic's result box ("Average", "St Deviation", "Value Number", ...).
const char* StatisticCaption(Statistic statistic);

struct StatisticParams {
  std::string table;
  std::string column;
  Statistic statistic = Statistic::kAverage;
  std::string withColumn;  // Correlation: the column of the same table to compare with
};

// The result text: values read from the database as it formats them, the standard deviation and
// the correlation in the five-decimal form, and the box's default ("Not available", "Not
// Available", "Method not available", "0") where there is no result. Missing values take no part
// in the median, the standard deviation and the correlation. Fails only when the table or a
// column does not exist (kSelectTable, kSelectField).
Expected<std::string> ComputeStatistic(DataSource& source, const StatisticParams& params);

// An entry of the fields list, table + "." + column, split at its last ".".
std::pair<std::string, std::string> SplitFieldEntry(const std::string& entry);

}  // namespace quarry
