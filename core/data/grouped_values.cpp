#include "core/data/grouped_values.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>

#include "core/data/data_source.h"

namespace quarry {

namespace {

// The values of one grouped query, in the database's order.
Status GroupedValues(DataSource& source, const std::string& sql, std::vector<std::string>& values) {
  ExclusiveUse exclusive(source);
  if (!source.Query(sql)) return DatabaseError(source.LastError());
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    values.push_back(row.empty() ? "?" : row[0]);
  }
  return Status::Ok();
}

// One grouped query per column, two at a time when a second connection is cheap and sees the
// same data (an SQLite file): on a large table each is a full scan and sort. A second
// connection to a server costs more than most tables gain from it.
std::vector<Status> RunGroupedQueries(DataSource& source, const std::string& table,
                                      const std::vector<std::string>& columns,
                                      std::vector<std::vector<std::string>>& results) {
  std::vector<Status> statuses(columns.size());
  auto query = [&](DataSource& connection, size_t c) {
    statuses[c] = GroupedValues(
        connection, "select " + columns[c] + " from " + table + " group by " + columns[c],
        results[c]);
  };
  const bool parallel = columns.size() >= 2 && source.Dialect().kind() == DbmsKind::kSqlite;
  std::unique_ptr<DataSource> sibling = parallel ? source.OpenSibling() : nullptr;
  std::thread helper;
  if (sibling) {
    helper = std::thread([&] {
      for (size_t c = 1; c < columns.size(); c += 2) query(*sibling, c);
    });
  }
  const size_t step = sibling ? 2 : 1;
  for (size_t c = 0; c < columns.size(); c += step) query(source, c);
  if (helper.joinable()) helper.join();
  return statuses;
}

// All columns in one scan through grouping sets. Column j's groups are the rows whose grouping
// mask lacks only j's bit (the highest bit is the first column's); ordered by mask, then by
// value, they come in each column's group order. Returns false, with nothing read, when the
// statement cannot be run.
bool ReadGroupingSets(DataSource& source, const std::string& table,
                      const std::vector<std::string>& columns,
                      std::vector<std::vector<std::string>>& results) {
  const size_t n = columns.size();
  std::string list;
  std::string sets;
  for (size_t c = 0; c < n; ++c) {
    list += (c ? ", " : "") + columns[c];
    sets += std::string(c ? ", " : "") + "(" + columns[c] + ")";
  }
  if (!source.Query("select grouping(" + list + "), " + list + " from " + table +
                    " group by grouping sets (" + sets + ") order by 1, " + list)) {
    return false;
  }
  const long all = (1L << n) - 1;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    const long grouped = all ^ std::atol(row[0].c_str());
    for (size_t c = 0; c < n; ++c) {
      if (grouped == 1L << (n - 1 - c)) {
        results[c].push_back(row[c + 1]);
        break;
      }
    }
  }
  return true;
}

}  // namespace

std::vector<Status> ReadGroupedValues(DataSource& source, const std::string& table,
                                      const std::vector<std::string>& columns,
                                      std::vector<std::vector<std::string>>& results) {
  results.assign(columns.size(), {});
  // A column asked for twice (the class is also a text column, in other quotes) is grouped once.
  std::vector<std::string> native;
  std::vector<std::string> distinct;
  for (const std::string& column : columns) {
    native.push_back(source.Dialect().Rewrite(column));
    if (std::find(distinct.begin(), distinct.end(), native.back()) == distinct.end())
      distinct.push_back(native.back());
  }
  constexpr size_t kMaskBits = 30;  // grouping() gives a 32-bit integer
  if (source.Dialect().kind() == DbmsKind::kPostgres && distinct.size() >= 2 &&
      distinct.size() <= kMaskBits) {
    std::vector<std::vector<std::string>> values(distinct.size());
    if (ReadGroupingSets(source, table, distinct, values)) {
      for (size_t c = 0; c < columns.size(); ++c) {
        const size_t d = static_cast<size_t>(
            std::find(distinct.begin(), distinct.end(), native[c]) - distinct.begin());
        results[c] = values[d];
      }
      return std::vector<Status>(columns.size());
    }
    // Grouping sets refused (a type without an order, say): the queries one by one tell which.
  }
  return RunGroupedQueries(source, table, columns, results);
}

}  // namespace quarry
