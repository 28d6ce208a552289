#include "core/data/column_value_order.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/record_text.h"
#include "core/data/sql_lexer.h"
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

// One SQLite group: its storage class rank (NULL, number, text), and its value as a number.
struct SqliteValue {
  int rank = 0;
  bool integer = false;
  int64_t whole = 0;
  double real = 0.0;
  size_t index = 0;  // in the column's texts
};

// Compares two numbers as SQLite does, an integer against a real exactly (a long double holds
// both).
int CompareNumbers(const SqliteValue& a, const SqliteValue& b) {
  if (a.integer && b.integer) return a.whole < b.whole ? -1 : (a.whole > b.whole ? 1 : 0);
  const long double x = a.integer ? static_cast<long double>(a.whole) : a.real;
  const long double y = b.integer ? static_cast<long double>(b.whole) : b.real;
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Reads `text` of storage class `kind` into `value`; false when it is not a whole number text.
bool ReadSqliteValue(char kind, const std::string& text, SqliteValue& value) {
  const char* end = text.data() + text.size();
  switch (kind) {
    case 'n':
      value.rank = 0;
      return true;
    case 'i':
      value.rank = 1;
      value.integer = true;
      return !text.empty() && std::from_chars(text.data(), end, value.whole).ptr == end;
    case 'r':
      value.rank = 1;
      return !text.empty() && std::from_chars(text.data(), end, value.real).ptr == end &&
             !std::isnan(value.real);
    case 't':
      value.rank = 2;
      return true;
    default:  // a blob: its text says nothing of its bytes
      return false;
  }
}

}  // namespace

bool SqliteGroupsInBinaryOrder(DataSource& source, const std::string& table,
                               const std::vector<std::string>& columns,
                               std::vector<bool>& textAffinity) {
  if (source.Dialect().kind() != DbmsKind::kSqlite) return false;
  ExclusiveUse exclusive(source);
  const std::string name = QuoteLiteral(table);
  if (!source.Query("select 'main', type, sql from sqlite_master where tbl_name = " + name +
                    " collate nocase union all select 'temp', type, sql from sqlite_temp_master "
                    "where tbl_name = " +
                    name + " collate nocase")) {
    return false;
  }
  std::vector<std::vector<std::string>> entries;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) entries.push_back(row);
  if (!source.ResultAtEnd()) return false;
  int tables = 0;
  for (const auto& entry : entries) {
    if (entry.size() != 3 || entry[0] != "main") return false;
    if (entry[1] == "table") ++tables;
    // The automatic index of a key has no statement; its order is the table's.
    if (entry[2] == "?") continue;
    for (const SqlToken& token : LexSql(entry[2])) {
      if (token.IsWord("COLLATE") || token.IsWord("DESC") || token.IsWord("VIRTUAL")) return false;
    }
  }
  if (tables != 1) return false;

  // The declared types, and their affinities by SQLite's rules.
  if (!source.Query("select name, type from pragma_table_info(" + name + ")")) return false;
  std::vector<std::vector<std::string>> declared;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) declared.push_back(row);
  if (!source.ResultAtEnd()) return false;
  textAffinity.clear();
  for (const std::string& column : columns) {
    auto entry = std::find_if(declared.begin(), declared.end(),
                              [&](const auto& r) { return r.size() == 2 && r[0] == column; });
    if (entry == declared.end()) return false;
    const std::string type = ToUpperAscii((*entry)[1]);
    auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
    textAffinity.push_back(!has("INT") && (has("CHAR") || has("CLOB") || has("TEXT")));
  }
  return true;
}

std::optional<bool> SqliteColumnsHold(DataSource& source, const std::string& table,
                                      const std::vector<std::string>& columns, bool nulls) {
  std::string condition;
  for (const std::string& column : columns) {
    // A blob sorts after every text and number.
    condition += (condition.empty() ? "" : " or ") + column + (nulls ? " is null" : " >= x''");
  }
  ExclusiveUse exclusive(source);
  std::vector<std::string> row;
  if (!source.Query("select exists (select 1 from " + QuoteIdent(table) + " where " + condition +
                    ")") ||
      !source.FirstRow(row) || row.size() != 1) {
    return std::nullopt;
  }
  return row[0] == "1";
}

std::string SqliteStorageClasses(const std::vector<std::string>& columns) {
  std::string expression;
  for (const std::string& column : columns) {
    if (!expression.empty()) expression += " || ";
    expression += "substr(typeof(" + column + "), 1, 1)";
  }
  return expression;
}

bool SortAsSqliteValues(const std::vector<std::string>& classes,
                        std::vector<std::vector<std::string>>& texts) {
  std::vector<std::vector<SqliteValue>> columns(texts.size());
  for (size_t c = 0; c < texts.size(); ++c) {
    if (classes[c].size() != texts[c].size()) return false;
    bool integers = false;
    bool reals = false;
    bool large = false;
    for (size_t k = 0; k < texts[c].size(); ++k) {
      SqliteValue value;
      value.index = k;
      if (!ReadSqliteValue(classes[c][k], texts[c][k], value)) return false;
      integers |= classes[c][k] == 'i';
      reals |= classes[c][k] == 'r';
      // A real's text keeps 15 digits: from 1e14 on, it may pass an integer between the real
      // and its text.
      constexpr double kExactBelow = 1e14;
      large |= value.rank == 1 && (value.integer ? std::fabs(static_cast<double>(value.whole))
                                                 : std::fabs(value.real)) >= kExactBelow;
      columns[c].push_back(value);
    }
    if (integers && reals && large) return false;
    const std::vector<std::string>& column = texts[c];
    auto compare = [&column](const SqliteValue& a, const SqliteValue& b) {
      if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
      if (a.rank == 1) return CompareNumbers(a, b);
      // Texts by their bytes, as unsigned (std::string's order).
      const int order = column[a.index].compare(column[b.index]);
      return order < 0 ? -1 : (order > 0 ? 1 : 0);
    };
    std::sort(columns[c].begin(), columns[c].end(),
              [&](const SqliteValue& a, const SqliteValue& b) { return compare(a, b) < 0; });
    // Two texts of one group: SQLite would have listed one of them.
    for (size_t k = 1; k < columns[c].size(); ++k) {
      if (compare(columns[c][k - 1], columns[c][k]) == 0) return false;
    }
  }
  for (size_t c = 0; c < texts.size(); ++c) {
    std::vector<std::string> sorted;
    sorted.reserve(texts[c].size());
    for (const SqliteValue& value : columns[c]) sorted.push_back(std::move(texts[c][value.index]));
    texts[c] = std::move(sorted);
  }
  return true;
}

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
