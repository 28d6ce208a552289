#include "core/data/column_value_order.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "core/data/data_source.h"
#include "core/data/record_text.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Types whose texts, as the data source reads them, the server reads back as the same values,
// so that sorting the texts as values of the type is sorting the values: those the driver passes
// on unchanged (number texts are at most shortened, which keeps their order) and booleans, which
// read 1 and 0, texts the server takes.
bool TextsReadBack(const std::string& typname) {
  return DriverKeepsServerText(typname) || typname == "bool";
}

// `texts` as a PostgreSQL array literal, '{"a","b\"c"}', quoted for a statement.
std::string ArrayLiteral(const std::vector<std::string>& texts) {
  std::string array = "{";
  for (const std::string& text : texts) {
    if (array.size() > 1) array += ',';
    array += '"';
    for (char c : text) {
      if (c == '"' || c == '\\') array += '\\';
      array += c;
    }
    array += '"';
  }
  array += '}';
  return QuoteLiteral(array);
}

}  // namespace

ColumnTypes ColumnTypesOf(DataSource& source, const std::string& table,
                          const std::vector<std::string>& columns) {
  ColumnTypes types;
  if (source.Dialect().kind() != DbmsKind::kPostgres) return types;
  ExclusiveUse exclusive(source);
  if (!source.Query(
          "select a.attname, t.typname, format_type(a.atttypid, a.atttypmod), case when "
          "a.attcollation = 0 then '' else quote_ident(n.nspname) || '.' || "
          "quote_ident(c.collname) end from pg_attribute a join pg_type t on t.oid = a.atttypid "
          "left join pg_collation c on c.oid = a.attcollation left join pg_namespace n on n.oid "
          "= c.collnamespace where a.attrelid = to_regclass(" +
          QuoteLiteral(source.Dialect().QuoteName(table)) +
          ") and a.attnum > 0 and not a.attisdropped")) {
    return types;
  }
  std::vector<std::vector<std::string>> catalog;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) catalog.push_back(row);
  ColumnTypes found;
  for (const std::string& column : columns) {
    auto entry = std::find_if(catalog.begin(), catalog.end(),
                              [&](const auto& r) { return r.size() == 4 && r[0] == column; });
    if (entry == catalog.end() || !TextsReadBack((*entry)[1])) return types;
    found.typeNames.push_back((*entry)[2]);
    found.collations.push_back((*entry)[3] == "?" ? "" : (*entry)[3]);
  }
  return found;
}

bool SortAsColumnValues(DataSource& source, const ColumnTypes& types,
                        std::vector<std::vector<std::string>>& texts) {
  std::vector<std::vector<std::string>> sorted(texts.size());
  for (size_t c = 0; c < texts.size(); ++c) {
    std::vector<std::string> values;
    bool unknown = false;
    for (const std::string& text : texts[c]) {
      if (text == "?") {
        unknown = true;
      } else {
        values.push_back(text);
      }
    }
    if (unknown) sorted[c].push_back("?");
    if (values.empty()) continue;
    if (values.size() > 1) {
      const std::string collate =
          types.collations[c].empty() ? "" : " collate " + types.collations[c];
      // The positions come back as one text: a row per value would cost a fetch each.
      if (!source.Query("select string_agg(i::text, ',' order by cast(v as " + types.typeNames[c] +
                        ")" + collate + ", v collate \"C\") from unnest(cast(" +
                        ArrayLiteral(values) + " as text array)) with ordinality as u(v, i)")) {
        return false;
      }
      std::vector<std::string> row;
      if (!source.FirstRow(row) || row.empty()) return false;
      std::vector<bool> seen(values.size(), false);
      const char* p = row[0].c_str();
      while (*p) {
        char* end = nullptr;
        const long i = std::strtol(p, &end, 10) - 1;
        if (end == p || i < 0 || static_cast<size_t>(i) >= values.size() || seen[i]) return false;
        seen[i] = true;
        sorted[c].push_back(std::move(values[i]));
        p = *end == ',' ? end + 1 : end;
      }
      if (sorted[c].size() != values.size() + (unknown ? 1 : 0)) return false;
    } else {
      sorted[c].push_back(std::move(values[0]));
    }
  }
  texts = std::move(sorted);
  return true;
}

}  // namespace quarry
