#pragma once
// Scaling: a new column that maps a numeric column linearly onto the interval [inf, sup].

#include <string>

#include "core/common/status.h"
#include "core/transform/column_choice.h"

namespace quarry {

class DataSource;

inline constexpr const char* kBadExtremes = "Please, insert extremes with inf<sup";

struct ScalingParams {
  std::string table;
  std::string column;
  std::string inf;  // "Extreme Inf:" as typed
  std::string sup;  // "Extreme Sup:" as typed
  NameQuestion newName;
};

// Adds a "float" column holding inf + (x - min)(sup - inf)/(max - min) for every known x; when
// the column holds one value only (min and max read the same in the five-decimal form) every
// known x maps to inf. Failures carry kSelectTable, kSelectField, kBadExtremes,
// kSelectAnotherField (no numbers to scale), kFieldNameNotValid or the database's message and
// leave the table as it was.
Status ScaleColumn(DataSource& source, const ScalingParams& params);

}  // namespace quarry
