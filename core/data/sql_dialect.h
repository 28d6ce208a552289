#pragma once
// The workbench writes one SQL: bracketed identifiers, "SELECT ... INTO", type words such as
// "string" and "real", and "/" as floating-point division. The dialect rewrites a statement in
// that SQL for the connected database. Statements typed by users go through it too.

#include <optional>
#include <string>
#include <string_view>

namespace quarry {

enum class DbmsKind { kSqlite, kPostgres, kOther };

// The kind of a DBMS from the name its ODBC driver reports (SQL_DBMS_NAME).
DbmsKind DbmsKindFromName(std::string_view dbmsName);

struct SelectIntoParts {
  std::string target;  // the new table's name, unquoted
  std::string select;  // the statement with "INTO target" taken out
};

// Splits "SELECT ... INTO target FROM ..." (INTO at the outer level, before FROM); nullopt for
// any other statement.
std::optional<SelectIntoParts> ParseSelectInto(std::string_view sql);

class SqlDialect {
 public:
  explicit SqlDialect(DbmsKind kind = DbmsKind::kSqlite) : kind_(kind) {}

  DbmsKind kind() const { return kind_; }

  // The statement in the connected database's SQL.
  std::string Rewrite(std::string_view sql) const;

  // The database's column type for a workbench type word ("string", "real", "bit", ...); words
  // it does not know come back unchanged.
  std::string TypeWord(std::string_view word) const;

  // An identifier in the database's own quoting.
  std::string QuoteName(std::string_view name) const;

  // Whether two quoted names name the same table or column: SQLite folds the case of ASCII
  // letters, PostgreSQL compares quoted names exactly; elsewhere the case is ignored, so that a
  // name is never taken for another's when it could be the same.
  bool SameName(std::string_view a, std::string_view b) const;

  // Whether the database runs "SELECT ... INTO" itself; otherwise the data source emulates it.
  bool SupportsSelectInto() const { return kind_ == DbmsKind::kPostgres; }

 private:
  DbmsKind kind_;
};

}  // namespace quarry
