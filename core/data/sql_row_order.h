#pragma once
// Row order the way SQLite gives it, spelt out for databases that decide it otherwise. SQLite
// sorts NULL before every value (after them when descending) and returns the groups of a GROUP
// BY in the order of their keys; PostgreSQL sorts NULL last and may return groups in hash
// order. The engines number classes, values and items in the order their queries return them,
// so the same table must come back in the same order everywhere.

#include <string>
#include <vector>

#include "core/data/sql_lexer.h"

namespace quarry {

// What to write after token `afterToken` of a statement: `text`, or, when `copyFirst` is set,
// the statement's own tokens copyFirst..copyLast (rewritten as the rest of the statement is).
struct SqlInsertion {
  static constexpr size_t kNoCopy = static_cast<size_t>(-1);
  size_t afterToken;
  std::string text;
  size_t copyFirst = kNoCopy;
  size_t copyLast = kNoCopy;
};

// The additions that make `tokens` order rows as SQLite does: " NULLS FIRST" (" NULLS LAST"
// after DESC) for every ORDER BY item that names no NULLS order itself, and an ORDER BY of
// the grouping keys for an outermost GROUP BY that has none (not for UNIONs or grouping sets).
// Sorted by token; insertions after the same token are written in their order.
std::vector<SqlInsertion> SqliteRowOrderInsertions(const std::vector<SqlToken>& tokens);

}  // namespace quarry
