#pragma once
// Discretization: a new column that holds, for every row, the interval into which a numeric
// column falls; intervals of equal width over the column's range or holding equal numbers of rows,
// written as their number or as a label naming their bounds.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/transform/column_choice.h"

namespace quarry {

class DataSource;

inline constexpr const char* kBadIntervalCount = "Please, insert a correct number of interval";

enum class DiscretizationType { kRegularIntervals, kUniformDistribution };
enum class IntervalLabel { kNumber, kText };

struct DiscretizationParams {
  std::string table;
  std::string column;
  std::string intervals;  // "Number of interval:" as typed
  DiscretizationType type = DiscretizationType::kRegularIntervals;
  IntervalLabel label = IntervalLabel::kNumber;
  NameQuestion newName;  // asked once the other checks have passed
};

// Adds the interval column ("integer" for number labels, "string" for text labels) and fills it.
// Failures carry the user's message (kSelectTable, kSelectField, kBadIntervalCount,
// kSelectAnotherField, kFieldNameNotValid) or the database's; the table is then left as it was.
// Rows whose value is missing keep NULL.
Status Discretize(DataSource& source, const DiscretizationParams& params,
                  Progress& progress = NoProgress());

// Bounds b0..bk of k intervals of equal width over [min, max], in single precision as the
// interval texts show them (bk is max itself).
std::vector<float> RegularBounds(float min, float max, long k);

// "[" + lo + "," + hi + "]" in the five-decimal form.
std::string IntervalLabelText(double lo, double hi);

// First positions (1-based) of the k equal-frequency intervals over n sorted values:
// 1, (n / k) * i + 1 for i = 1..k-1 (integer division); the last interval runs to n.
std::vector<long> EqualFrequencyStarts(long n, long k);

}  // namespace quarry
