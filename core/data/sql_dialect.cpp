#include "core/data/sql_dialect.h"

#include <vector>

#include "core/common/text_util.h"
#include "core/data/sql_lexer.h"
#include "core/data/sql_row_order.h"

namespace quarry {

DbmsKind DbmsKindFromName(std::string_view dbmsName) {
  const std::string upper = ToUpperAscii(dbmsName);
  if (upper.find("SQLITE") != std::string::npos) return DbmsKind::kSqlite;
  if (upper.find("POSTGRES") != std::string::npos) return DbmsKind::kPostgres;
  return DbmsKind::kOther;
}

namespace {

using Tokens = std::vector<SqlToken>;

bool IsConstraintWord(const SqlToken& t) {
  return t.IsWord("PRIMARY") || t.IsWord("CONSTRAINT") || t.IsWord("UNIQUE") ||
         t.IsWord("FOREIGN") || t.IsWord("CHECK");
}

// Marks the tokens that are type words of column definitions in CREATE TABLE (...) and
// ALTER TABLE ... ADD [COLUMN] name type.
std::vector<bool> FindTypeWords(const Tokens& tokens) {
  std::vector<bool> isType(tokens.size(), false);
  size_t i = NextSignificant(tokens, 0);
  if (i >= tokens.size()) return isType;
  if (tokens[i].IsWord("CREATE")) {
    // Find "(" at depth 0 before any AS: the column definition list.
    size_t j = i + 1;
    for (; j < tokens.size(); ++j) {
      if (tokens[j].IsWord("AS") || tokens[j].IsWord("SELECT")) return isType;
      if (tokens[j].IsPunct('(')) break;
    }
    int depth = 0;
    bool expectName = true;
    bool expectType = false;
    for (; j < tokens.size(); ++j) {
      const SqlToken& t = tokens[j];
      if (!t.IsSignificant()) continue;
      if (t.IsPunct('(')) {
        ++depth;
        if (depth == 1) expectName = true;
        expectType = false;
        continue;
      }
      if (t.IsPunct(')')) {
        if (--depth == 0) break;
        continue;
      }
      if (depth != 1) continue;
      if (t.IsPunct(',')) {
        expectName = true;
        expectType = false;
        continue;
      }
      if (expectName) {
        expectName = false;
        expectType = !IsConstraintWord(t) && t.IsIdentifier();
        continue;
      }
      if (expectType) {
        if (t.kind == SqlTokenKind::kWord) isType[j] = true;
        expectType = false;
      }
    }
  } else if (tokens[i].IsWord("ALTER")) {
    // Every "ADD [COLUMN] name type" of the statement (PostgreSQL takes several at once).
    int depth = 0;
    for (size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].IsPunct('(')) ++depth;
      if (tokens[j].IsPunct(')')) --depth;
      if (depth != 0 || !tokens[j].IsWord("ADD")) continue;
      size_t k = NextSignificant(tokens, j + 1);
      if (k < tokens.size() && tokens[k].IsWord("COLUMN")) k = NextSignificant(tokens, k + 1);
      if (k >= tokens.size() || !tokens[k].IsIdentifier() || IsConstraintWord(tokens[k])) continue;
      k = NextSignificant(tokens, k + 1);
      if (k < tokens.size() && tokens[k].kind == SqlTokenKind::kWord) isType[k] = true;
    }
  }
  // "double precision" is a type of its own; "double" alone is the workbench's word for it.
  for (size_t j = 0; j < tokens.size(); ++j) {
    if (!isType[j] || !tokens[j].IsWord("DOUBLE")) continue;
    const size_t k = NextSignificant(tokens, j + 1);
    if (k < tokens.size() && tokens[k].IsWord("PRECISION")) isType[j] = false;
  }
  return isType;
}

}  // namespace

std::optional<SelectIntoParts> ParseSelectInto(std::string_view sql) {
  const Tokens tokens = LexSql(sql);
  size_t i = NextSignificant(tokens, 0);
  if (i >= tokens.size() || !tokens[i].IsWord("SELECT")) return std::nullopt;
  int depth = 0;
  for (size_t j = i + 1; j < tokens.size(); ++j) {
    const SqlToken& t = tokens[j];
    if (t.IsPunct('(')) ++depth;
    if (t.IsPunct(')')) --depth;
    if (depth != 0) continue;
    if (t.IsWord("FROM")) return std::nullopt;
    if (!t.IsWord("INTO")) continue;
    // The target: an identifier, possibly qualified (schema.table); the last part names it.
    size_t k = NextSignificant(tokens, j + 1);
    if (k >= tokens.size() || !tokens[k].IsIdentifier()) return std::nullopt;
    size_t last = k;
    while (true) {
      size_t dot = NextSignificant(tokens, last + 1);
      if (dot >= tokens.size() || !tokens[dot].IsPunct('.')) break;
      size_t part = NextSignificant(tokens, dot + 1);
      if (part >= tokens.size() || !tokens[part].IsIdentifier()) break;
      last = part;
    }
    SelectIntoParts parts;
    parts.target = IdentifierName(tokens[last]);
    const char* base = sql.data();
    const size_t intoStart = static_cast<size_t>(t.text.data() - base);
    const size_t targetEnd =
        static_cast<size_t>(tokens[last].text.data() - base) + tokens[last].text.size();
    parts.select = std::string(TrimRight(sql.substr(0, intoStart))) + " " +
                   std::string(Trim(sql.substr(targetEnd)));
    return parts;
  }
  return std::nullopt;
}

std::string SqlDialect::TypeWord(std::string_view word) const {
  const std::string w = ToLowerAscii(word);
  struct Mapping {
    const char* word;
    const char* sqlite;
    const char* postgres;
    const char* other;
  };
  // SQLite keeps declared type names, and its ODBC driver derives the column type from them;
  // "string" must not stay as it is there, because SQLite would give it numeric affinity and
  // turn '007' into 7.
  static const Mapping kMappings[] = {
      {"string", "text", "varchar", "varchar(255)"},
      {"memo", "text", "text", "varchar(8000)"},
      {"real", "real", "double precision", "double precision"},
      {"single", "real", "real", "real"},
      {"float", "float", "double precision", "float"},
      {"double", "double", "double precision", "double precision"},
      {"currency", "numeric", "numeric", "numeric"},
      {"long", "integer", "integer", "integer"},
      {"counter", "integer", "integer", "integer"},
      {"short", "smallint", "smallint", "smallint"},
      {"byte", "tinyint", "smallint", "smallint"},
      {"tinyint", "tinyint", "smallint", "tinyint"},
      // A column the catalog calls "char" without a length holds text of any length; on
      // PostgreSQL a bare "char" would be a single character.
      {"char", "char", "bpchar", "char"},
      {"bit", "bit", "boolean", "bit"},
      {"yesno", "bit", "boolean", "bit"},
      {"logical", "bit", "boolean", "bit"},
      {"datetime", "timestamp", "timestamp", "timestamp"},
  };
  for (const Mapping& m : kMappings) {
    if (w == m.word) {
      switch (kind_) {
        case DbmsKind::kSqlite:
          return m.sqlite;
        case DbmsKind::kPostgres:
          return m.postgres;
        case DbmsKind::kOther:
          return m.other;
      }
    }
  }
  return std::string(word);
}

bool SqlDialect::SameName(std::string_view a, std::string_view b) const {
  return kind_ == DbmsKind::kPostgres ? a == b : EqualsIgnoreCase(a, b);
}

std::string SqlDialect::QuoteName(std::string_view name) const {
  // SQLite reads a double-quoted name that matches no column as a string literal, so a
  // misspelt column would pass silently; its brackets and backquotes never do that. But its ODBC
  // driver splits statements at a ";" outside '' and "" quotes, so a name holding one is
  // double-quoted all the same.
  char open = '"';
  char close = '"';
  if (kind_ == DbmsKind::kSqlite && name.find(';') == std::string_view::npos) {
    const bool hasBracket = name.find(']') != std::string_view::npos;
    open = hasBracket ? '`' : '[';
    close = hasBracket ? '`' : ']';
  }
  std::string out(1, open);
  for (char c : name) {
    out += c;
    if (c == close) out += c;
  }
  out += close;
  return out;
}

std::string SqlDialect::Rewrite(std::string_view sql) const {
  const Tokens tokens = LexSql(sql);
  const std::vector<bool> isType = FindTypeWords(tokens);
  const bool postgres = kind_ == DbmsKind::kPostgres;
  std::string out;
  out.reserve(sql.size() + 16);
  auto write = [&](size_t i) {
    const SqlToken& t = tokens[i];
    if (t.kind == SqlTokenKind::kBracketIdent) {
      out += QuoteName(IdentifierName(t));
    } else if (postgres && t.kind == SqlTokenKind::kQuotedIdent && t.text[0] == '`') {
      out += QuoteName(IdentifierName(t));
    } else if (isType[i]) {
      out += TypeWord(t.text);
    } else if (t.IsPunct('/')) {
      // "/" divides as floating point, as the workbench's SQL defines it, also on integers.
      // PostgreSQL would make 1.0 an exact decimal of twenty digits: a double it must be.
      out += postgres ? "*1::float8/" : "*1.0/";
    } else if (postgres && t.IsWord("LIKE")) {
      // LIKE ignores the case of letters on SQLite (and in the workbench's SQL).
      out += "ILIKE";
    } else {
      out += t.text;
    }
  };
  std::vector<SqlInsertion> insertions;
  if (postgres) insertions = SqliteRowOrderInsertions(tokens);
  size_t next = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    write(i);
    for (; next < insertions.size() && insertions[next].afterToken == i; ++next) {
      const SqlInsertion& insertion = insertions[next];
      if (insertion.copyFirst == SqlInsertion::kNoCopy) {
        out += insertion.text;
      } else {
        for (size_t k = insertion.copyFirst; k <= insertion.copyLast; ++k) write(k);
      }
    }
  }
  return out;
}

}  // namespace quarry
