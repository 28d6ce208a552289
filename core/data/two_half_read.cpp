#include "core/data/two_half_read.h"

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

bool ReadInTwoHalves(DataSource& source, const std::string& table, long minRows,
                     const HalfReader& first, const HalfReader& second) {
  // Both databases return a table's rows in the same order to every plain SELECT (on
  // PostgreSQL the session settings see to it), so a second reader can skip to the second half.
  const DbmsKind kind = source.Dialect().kind();
  if (kind != DbmsKind::kSqlite && kind != DbmsKind::kPostgres) return false;
  std::vector<std::string> row;
  if (!source.Query("select count(*) from " + QuoteIdent(table)) || !source.FirstRow(row) ||
      row.empty()) {
    return false;
  }
  const long total = std::atol(row[0].c_str());
  if (total < minRows) return false;
  std::unique_ptr<DataSource> sibling = source.OpenSibling();
  if (!sibling) return false;
  const long half = total / 2;
  long secondRows = -1;
  std::thread reader([&] {
    ExclusiveUse exclusive(*sibling);
    if (sibling->QueryTable(table, half)) {
      secondRows = second(*sibling, -1, half + 1);
    }
  });
  const long firstRows = source.QueryTable(table) ? first(source, half, 1) : -1;
  reader.join();
  return firstRows == half && secondRows == total - half;
}

}  // namespace quarry
