#pragma once
// Names for the tables and columns a job makes for a while and drops again.

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

class DataSource;

// prefix + "1", prefix + "2", ...: the first that no query can read (no table or view has it).
std::string FirstFreeTableName(DataSource& source, std::string_view prefix);

// `base` itself, else base + "1", base + "2", ...: the first that is none of `taken`, compared
// without regard to case as databases compare column names.
std::string FreeColumnName(const std::vector<std::string>& taken, std::string_view base);

}  // namespace quarry
