#include "core/query/query_wizard.h"

#include <algorithm>

#include "core/common/fcvt.h"
#include "core/common/number_text.h"
#include "core/data/column_types.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Whatever goes into the statement unquoted must be one of the words the pages offer.
bool IsOneOf(const std::string& text, std::initializer_list<const char*> allowed) {
  return std::any_of(allowed.begin(), allowed.end(), [&](const char* a) { return text == a; });
}

bool IsComparison(const std::string& op) { return IsOneOf(op, {"=", "<>", "<", ">", "<=", ">="}); }

bool IsNullTest(const std::string& op) { return IsOneOf(op, {"IS NULL", "IS NOT NULL"}); }

bool IsComplete(const WizardColumn& column) {
  return !column.table.empty() && !column.column.empty();
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? separator : "") + parts[i];
  return out;
}

// left + " " + op and the right operand: nothing after a null test, a column, a number in the
// five-decimal form when the left side is numeric, a quoted value otherwise.
Expected<std::string> ConditionText(const std::string& left, bool numeric, const WizardCondition& c,
                                    const char* notANumber) {
  if (IsNullTest(c.op)) return left + " " + c.op;
  if (!IsComparison(c.op)) return InvalidArgument("unknown operator " + c.op);
  if (c.rightColumn) {
    if (!IsComplete(*c.rightColumn))
      return InvalidArgument("the condition's second field is missing");
    return left + " " + c.op + " " + WizardColumnText(*c.rightColumn);
  }
  if (!numeric) return left + " " + c.op + " " + QuoteLiteral(c.value) + " ";
  const auto number = ParseNumber(c.value);
  if (!number) return InvalidArgument(notANumber);
  return left + " " + c.op + " " + FiveDecimalText(*number);
}

}  // namespace

WizardTable ParseTableEntry(std::string_view entry) {
  const size_t star = entry.find('*');
  if (star == std::string_view::npos) return {std::string(entry), ""};
  return {std::string(entry.substr(0, star)), std::string(entry.substr(star + 1))};
}

std::string WizardColumnText(const WizardColumn& column) {
  return QuoteIdent(column.table) + "." + QuoteIdent(column.column);
}

Expected<std::string> JoinConditionText(const WizardJoin& join) {
  if (!IsComplete(join.leftColumn) || !IsComplete(join.rightColumn) || !IsComparison(join.op)) {
    return InvalidArgument(kBadJoinCondition);
  }
  return WizardColumnText(join.leftColumn) + " " + join.op + " " +
         WizardColumnText(join.rightColumn);
}

Expected<std::string> WizardFromClause(const WizardQuery& query) {
  std::string clause;
  std::vector<WizardTable> joined;
  for (const WizardJoin& join : query.joins) {
    if (join.left.table.empty() || join.right.table.empty() ||
        !IsOneOf(join.type, {"INNER JOIN", "LEFT JOIN", "RIGHT JOIN"})) {
      return InvalidArgument(kBadJoinCondition);
    }
    auto condition = JoinConditionText(join);
    if (!condition) return condition.status();
    if (!clause.empty()) clause += ", ";
    clause += "( " + QuoteIdent(join.left.table) + "  ";
    if (!join.left.alias.empty()) clause += "AS  " + QuoteIdent(join.left.alias) + "  ";
    clause += join.type + "  " + QuoteIdent(join.right.table) + "  ";
    if (!join.right.alias.empty()) clause += "AS  " + QuoteIdent(join.right.alias) + " ";
    clause += " ON  " + *condition + ") ";
    joined.push_back(join.left);
    joined.push_back(join.right);
  }
  for (const std::string& entry : query.tables) {
    const WizardTable table = ParseTableEntry(entry);
    if (std::find(joined.begin(), joined.end(), table) != joined.end()) continue;
    if (!clause.empty()) clause += " , ";
    clause += QuoteIdent(table.table);
    if (!table.alias.empty()) clause += " AS " + QuoteIdent(table.alias);
  }
  if (clause.empty()) return InvalidArgument(kWizardNoTable);
  return clause;
}

Expected<std::string> WhereConditionText(const WizardCondition& condition) {
  if (!IsComplete(condition.left)) return InvalidArgument("the condition's first field is missing");
  return ConditionText(WizardColumnText(condition.left), IsNumericTypeName(condition.left.type),
                       condition, kBadWhereNumber);
}

Expected<std::string> HavingConditionText(const WizardCondition& condition) {
  if (!IsComplete(condition.left)) return InvalidArgument("the condition's first field is missing");
  if (!IsOneOf(condition.aggregate, {"Count", "Sum", "Avg"})) {
    return InvalidArgument("unknown aggregate " + condition.aggregate);
  }
  // A count is a number whatever it counts.
  const bool numeric = condition.aggregate == "Count" || IsNumericTypeName(condition.left.type);
  return ConditionText(condition.aggregate + "(" + WizardColumnText(condition.left) + ")", numeric,
                       condition, kBadHavingNumber);
}

Expected<std::string> BuildWizardStatement(const WizardQuery& query) {
  auto from = WizardFromClause(query);
  if (!from) return from.status();
  std::vector<std::string> fields;
  int aggregates = 0;
  for (const WizardField& field : query.fields) {
    if (!IsComplete(field.column)) return InvalidArgument("a field of the list has no column");
    if (field.aggregate.empty()) {
      fields.push_back(WizardColumnText(field.column));
      continue;
    }
    if (!IsOneOf(field.aggregate, {"Count", "Min", "Max", "Sum", "Avg"})) {
      return InvalidArgument("unknown aggregate " + field.aggregate);
    }
    fields.push_back(field.aggregate + "(" + WizardColumnText(field.column) + ")" + "  AS field" +
                     std::to_string(++aggregates));
  }
  if (fields.empty()) fields.push_back("*");
  std::vector<std::string> where;
  for (const WizardCondition& c : query.where) {
    auto text = WhereConditionText(c);
    if (!text) return text.status();
    where.push_back(*text);
  }
  std::vector<std::string> having;
  for (const WizardCondition& c : query.having) {
    auto text = HavingConditionText(c);
    if (!text) return text.status();
    having.push_back(*text);
  }
  std::vector<std::string> groupBy;
  for (const WizardColumn& column : query.groupBy) groupBy.push_back(WizardColumnText(column));
  std::vector<std::string> orderBy;
  for (const WizardOrder& order : query.orderBy) {
    orderBy.push_back(WizardColumnText(order.column) + (order.descending ? "  DESC" : ""));
  }
  std::string sql = "SELECT  " + Join(fields, " , ") + "  FROM  " + *from;
  if (!where.empty()) sql += "  WHERE  " + Join(where, " AND ");
  if (!groupBy.empty()) sql += "  GROUP BY  " + Join(groupBy, " , ");
  if (!having.empty()) sql += "  HAVING  " + Join(having, " AND ");
  if (!orderBy.empty()) sql += "  ORDER BY  " + Join(orderBy, " , ");
  return sql;
}

}  // namespace quarry
