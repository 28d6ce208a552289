#pragma once
// Null value substitution: a copy of a column in which every missing value is replaced by one
// substitute, the column's average for "float" columns and its most frequent value otherwise.
// The copy is of the column's own declared type.

#include <string>

#include "core/common/status.h"
#include "core/transform/column_choice.h"

namespace quarry {

class DataSource;

struct NullSubstitutionParams {
  std::string table;
  std::string column;
  NameQuestion newName;  // asked once the table and column are known
};

struct NullSubstitutionResult {
  std::string column;      // the new column
  std::string substitute;  // as written into SQL; empty when the column has no known value
};

// Adds the copy and fills it. A column without any known value gets a copy of its NULLs and an
// empty substitute. Failures carry kSelectTable, kSelectField, kFieldNameNotValid or the
// database's message and leave the table as it was.
Expected<NullSubstitutionResult> SubstituteNulls(DataSource& source,
                                                 const NullSubstitutionParams& params);

}  // namespace quarry
