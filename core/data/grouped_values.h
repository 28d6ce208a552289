#pragma once
// The distinct values of several columns of one table, as "select C from T group by C" gives
// them for each column C: a full scan per column on SQLite (two at a time on two connections),
// one scan for all of them on PostgreSQL.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

// For each column expression of `columns` (written as it goes into the statement), the values
// of `table` (quoted) in group order, NULL as "?", into `results`; one status per column. The
// caller holds the data source's exclusive use.
std::vector<Status> ReadGroupedValues(DataSource& source, const std::string& table,
                                      const std::vector<std::string>& columns,
                                      std::vector<std::vector<std::string>>& results);

}  // namespace quarry
