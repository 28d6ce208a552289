#include "core/transform/value_distribution.h"

#include "core/common/number_text.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/transform/column_choice.h"

namespace quarry {

Expected<ValueTable> ValueDistribution(DataSource& source, const std::string& table,
                                       const std::string& column, bool probability) {
  ExclusiveUse exclusive(source);
  auto chosen = ChooseColumn(source, table, column);
  if (!chosen) return chosen.status();
  const std::string t = QuoteIdent(chosen->table);
  const std::string c = QuoteIdent(chosen->column);
  ValueTable result;
  result.header = probability ? std::vector<std::string>{"Value", "Probability"}
                              : std::vector<std::string>{"Value"};
  std::string sql;
  if (probability) {
    auto count = ReadFirstRow(source, "SELECT count(*)  FROM " + t);
    if (!count) return count.status();
    const auto rows = count->empty() ? std::nullopt : ParseNumber((*count)[0]);
    if (!rows || *rows <= 0) return result;  // no rows, no values
    // The workbench's "/" divides in floating point, whatever the database does with integers.
    sql = "SELECT " + c + ", count(*)/" + (*count)[0] + " AS probability" + " FROM " + t +
          " GROUP BY " + c;
  } else {
    sql = "SELECT distinct " + c + " FROM " + t;
  }
  if (!source.Query(sql)) return DatabaseError(source.LastError());
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    ValueRow out;
    out.label = "Value " + std::to_string(result.rows.size() + 1);
    out.value = row[0];
    if (probability) out.probability = row[1];
    result.rows.push_back(std::move(out));
  }
  return result;
}

}  // namespace quarry
