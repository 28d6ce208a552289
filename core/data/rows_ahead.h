#pragma once
// Reading a result set while its rows are used: the thread that holds the data source reads
// (the driver and the database work), a second thread uses the rows read so far, in order.
// Worth it where using a row costs about as much as reading it, as parsing it does.

#include <functional>
#include <string>
#include <vector>

namespace quarry {

class DataSource;

using RowUser = std::function<void(const std::vector<std::string>& row)>;

// Reads at most `limit` rows (all when negative) of the current result set of `source`, whose
// exclusive use the caller holds, and gives each to `use`, in order, on a second thread once
// there are more than a few. Returns how many rows were read; reading stops at the first row
// that cannot be read, as FirstRow/NextRow do.
long ReadRowsAhead(DataSource& source, long limit, const RowUser& use);

}  // namespace quarry
