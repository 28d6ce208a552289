#include "core/data/two_half_read.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

std::atomic<bool> sqliteInTwoHalves{false};

// The rows of `table`: the server's estimate on PostgreSQL where it has one of at least
// `minRows` (counting a large table costs a scan of it), else counted. -1 when unknown.
long TableRows(DataSource& source, const std::string& table, long minRows, bool& estimated) {
  std::vector<std::string> row;
  estimated = false;
  if (source.Dialect().kind() == DbmsKind::kPostgres &&
      source.Query("select reltuples from pg_class where oid = to_regclass(" +
                   QuoteLiteral(source.Dialect().QuoteName(table)) + ")") &&
      source.FirstRow(row) && !row.empty()) {
    const double estimate = std::atof(row[0].c_str());
    if (estimate >= static_cast<double>(minRows)) {
      estimated = true;
      return static_cast<long>(estimate);
    }
  }
  if (!source.Query("select count(*) from " + QuoteIdent(table)) || !source.FirstRow(row) ||
      row.empty()) {
    return -1;
  }
  return std::atol(row[0].c_str());
}

}  // namespace

bool ReadInTwoHalves(DataSource& source, const std::string& table, long minRows,
                     const HalfReader& first, const HalfReader& second) {
  // Both databases return a table's rows in the same order to every plain SELECT (on
  // PostgreSQL the session settings see to it), so a second reader can skip to the second half.
  const DbmsKind kind = source.Dialect().kind();
  if (kind != DbmsKind::kPostgres && !(kind == DbmsKind::kSqlite && sqliteInTwoHalves))
    return false;
  bool estimated = false;
  const long total = TableRows(source, table, minRows, estimated);
  if (total < minRows) return false;
  std::unique_ptr<DataSource> sibling = source.OpenSibling();
  if (!sibling) return false;
  // With an estimate the first half must still be read whole; the second may be of any size,
  // but read to its end.
  const long half = total / 2;
  long secondRows = -1;
  std::thread reader([&] {
    ExclusiveUse exclusive(*sibling);
    if (sibling->QueryTable(table, half)) {
      secondRows = second(*sibling, -1, half + 1);
      if (!sibling->ResultAtEnd()) secondRows = -1;
    }
  });
  const long firstRows = source.QueryTable(table) ? first(source, half, 1) : -1;
  reader.join();
  return firstRows == half && (estimated ? secondRows >= 0 : secondRows == total - half);
}

void ReadSqliteInTwoHalves(bool on) { sqliteInTwoHalves = on; }

}  // namespace quarry
