#pragma once
// The response class mode frequency of a table: the share of its rows, in percent, that hold the
// most frequent class (its last column), counting the rows without a class with them.

#include <string>

#include "core/common/status.h"

namespace quarry {

class DataSource;

// Fails when the table cannot be read or has no rows.
Expected<float> MeasureResponseClassModeFrequency(DataSource& source, const std::string& table);

}  // namespace quarry
