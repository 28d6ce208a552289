#pragma once
// The table viewer ("QUARRY Query Set"): one table of the data source, column names first, then
// its rows as text. The query editor, the stored queries and the clustering and k-NN dialogs use
// it to show the data source's current table.

#include <functional>
#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kSystemBusy = "System busy, try again later";

using RowHandler = std::function<void(const std::vector<std::string>& values)>;

// Hands the column names to `onColumns`, then every row to `onRow`, as they arrive. When another
// job holds the data source it shows nothing and fails with kBusy (kSystemBusy) at once.
Status ViewTable(DataSource& source, const std::string& table, const RowHandler& onColumns,
                 const RowHandler& onRow);

}  // namespace quarry
