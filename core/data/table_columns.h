#pragma once
// A table's column names and type names, as the methods that copy or rebuild tables need them,
// and its number of rows.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

struct TableColumns {
  std::vector<std::string> names;
  std::vector<std::string> types;  // type names: "string", "float", "integer", ...
};

// kNotFound ("cannot read table T: ...") when the table cannot be described or has no columns.
Expected<TableColumns> ReadTableColumns(DataSource& source, const std::string& table);

// The table's number of rows, under the data source's exclusive use; kNotFound ("cannot read
// table T: ...") when it cannot be counted.
Expected<long> CountTableRows(DataSource& source, const std::string& table);

}  // namespace quarry
