#pragma once
// The data of the graphic analysis: the distinct values of one column, or each value with its
// relative frequency.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

struct ValueRow {
  std::string label;        // "Value " + its number, from 1
  std::string value;        // "?" for the missing values
  std::string probability;  // empty unless asked for
};

struct ValueTable {
  std::vector<std::string> header;  // {"Value"} or {"Value", "Probability"}
  std::vector<ValueRow> rows;
};

// Distinct values ("SELECT distinct"), or with `probability` each value's count divided by the
// row count, in floating point on every database. Fails with kSelectTable or kSelectField when
// the table or column does not exist, or with the database's message.
Expected<ValueTable> ValueDistribution(DataSource& source, const std::string& table,
                                       const std::string& column, bool probability);

}  // namespace quarry
