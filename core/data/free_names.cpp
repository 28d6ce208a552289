#include "core/data/free_names.h"

#include <algorithm>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

std::string FirstFreeTableName(DataSource& source, std::string_view prefix) {
  std::vector<std::string> columns;
  for (long n = 1;; ++n) {
    std::string name = std::string(prefix) + std::to_string(n);
    if (!source.FieldNames(SelectAllFrom(name), columns)) return name;
  }
}

std::string FreeColumnName(const std::vector<std::string>& taken, std::string_view base) {
  auto isTaken = [&](const std::string& name) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return EqualsIgnoreCase(t, name); });
  };
  std::string name(base);
  for (long n = 1; isTaken(name); ++n) name = std::string(base) + std::to_string(n);
  return name;
}

}  // namespace quarry
