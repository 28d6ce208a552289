#pragma once
// The query wizard's statement builder: a SELECT statement composed from the lists the wizard's
// pages fill (tables, joins, fields, WHERE conditions, GROUP BY, HAVING conditions, ORDER BY),
// without the user typing SQL. Pure functions of those lists.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"

namespace quarry {

inline constexpr const char* kBadJoinCondition = "Please, select a correct JOIN condition";
inline constexpr const char* kBadWhereNumber =
    "WHERE condition hasn't a correct format because the second field isn't a number.";
inline constexpr const char* kBadHavingNumber =
    "HAVING condition hasn't a correct format because the second field isn't a number";
inline constexpr const char* kWizardNoTable = "Please, select a table";

// A chosen table; the wizard's list writes one under an alias as table + "*" + alias.
struct WizardTable {
  std::string table;
  std::string alias;  // empty: none
  bool operator==(const WizardTable&) const = default;
};
WizardTable ParseTableEntry(std::string_view entry);

// A column as the statement names it: table (or alias) and column, with the column's type name
// ("string", "float", ...), which decides how a value compared with it is written.
struct WizardColumn {
  std::string table;
  std::string column;
  std::string type;
};

// "INNER JOIN", "LEFT JOIN" or "RIGHT JOIN" of two chosen tables on a comparison of two columns.
struct WizardJoin {
  WizardTable left;
  std::string type;
  WizardTable right;
  WizardColumn leftColumn;
  std::string op;
  WizardColumn rightColumn;
};

// A column of the field list, or an aggregate of it ("Count", "Min", "Max", "Sum", "Avg").
struct WizardField {
  std::string aggregate;
  WizardColumn column;
};

// left op right. `op` is a comparison ("=", "<>", "<", ">", "<=", ">=") or "IS NULL" / "IS NOT
// NULL", which take no right operand. The right operand is a column or else a value. In a HAVING
// condition the left operand is an aggregate ("Count", "Sum" or "Avg") of the column.
struct WizardCondition {
  std::string aggregate;
  WizardColumn left;
  std::string op;
  std::optional<WizardColumn> rightColumn;
  std::string value;
};

struct WizardOrder {
  WizardColumn column;
  bool descending = false;
};

struct WizardQuery {
  std::vector<std::string> tables;  // entries of the chosen tables list ("t" or "t*alias")
  std::vector<WizardJoin> joins;    // in the order added
  std::vector<WizardField> fields;  // empty: every column
  std::vector<WizardCondition> where;
  std::vector<WizardColumn> groupBy;
  std::vector<WizardCondition> having;
  std::vector<WizardOrder> orderBy;
};

// "[" + table + "].[" + column + "]".
std::string WizardColumnText(const WizardColumn& column);

// "[lt].[lc] op [rt].[rc]"; kBadJoinCondition when a part is missing or the operator is none.
Expected<std::string> JoinConditionText(const WizardJoin& join);

// The FROM clause: the joins in order, then every chosen table that takes part in no join. The
// tables page previews "SELECT  *  FROM  " + this.
Expected<std::string> WizardFromClause(const WizardQuery& query);

// One condition's text; kBadWhereNumber / kBadHavingNumber when a value compared with something
// numeric is not a number (numbers are written in the five-decimal form, other values quoted).
Expected<std::string> WhereConditionText(const WizardCondition& condition);
Expected<std::string> HavingConditionText(const WizardCondition& condition);

// The whole statement, with the spacing the query editor has always received.
Expected<std::string> BuildWizardStatement(const WizardQuery& query);

}  // namespace quarry
