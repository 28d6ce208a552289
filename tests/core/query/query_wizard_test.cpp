#include "core/query/query_wizard.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

WizardColumn Col(const std::string& table, const std::string& column,
                 const std::string& type = "float") {
  return {table, column, type};
}

WizardJoin InnerJoin() {
  return {{"A", ""}, "INNER JOIN", {"B", ""}, Col("A", "id"), "=", Col("B", "aid")};
}

TEST(WizardFromClause, AJoinHasItsExactSpacing) {
  WizardQuery q;
  q.tables = {"A", "B"};
  q.joins = {InnerJoin()};
  EXPECT_EQ(*WizardFromClause(q), "( [A]  INNER JOIN  [B]   ON  [A].[id] = [B].[aid]) ");
}

TEST(WizardFromClause, AliasesAndTablesOutsideTheJoins) {
  WizardQuery q;
  q.tables = {"A*x", "B", "C", "D*d"};
  q.joins = {{{"A", "x"}, "LEFT JOIN", {"B", ""}, Col("x", "id"), "<>", Col("B", "aid")},
             {{"C", ""}, "RIGHT JOIN", {"D", "d"}, Col("C", "k"), "=", Col("d", "k")}};
  q.tables.push_back("E");
  EXPECT_EQ(*WizardFromClause(q),
            "( [A]  AS  [x]  LEFT JOIN  [B]   ON  [x].[id] <> [B].[aid]) , "
            "( [C]  RIGHT JOIN  [D]  AS  [d]  ON  [C].[k] = [d].[k])  , [E]");
  WizardQuery plain;
  plain.tables = {"A", "B*b"};
  EXPECT_EQ(*WizardFromClause(plain), "[A] , [B] AS [b]");
}

TEST(WizardFromClause, AnIncompleteJoinIsRefused) {
  WizardQuery q;
  q.tables = {"A", "B"};
  q.joins = {InnerJoin()};
  q.joins[0].rightColumn.column.clear();
  EXPECT_EQ(WizardFromClause(q).status().message(), kBadJoinCondition);
  q.joins = {InnerJoin()};
  q.joins[0].type = "CROSS JOIN; drop table A";
  EXPECT_EQ(WizardFromClause(q).status().message(), kBadJoinCondition);
}

TEST(WizardConditions, ValuesAreNumbersOrQuotedTexts) {
  EXPECT_EQ(*WhereConditionText({"", Col("t", "x"), ">", std::nullopt, "0.5"}),
            "[t].[x] > 0.50000");
  EXPECT_EQ(*WhereConditionText({"", Col("t", "x"), "<=", std::nullopt, "-12,25"}),
            "[t].[x] <= -12.25000");
  EXPECT_EQ(*WhereConditionText({"", Col("t", "s", "string"), "=", std::nullopt, "it's"}),
            "[t].[s] = 'it''s' ");
  EXPECT_EQ(*WhereConditionText({"", Col("t", "x"), "IS NULL", std::nullopt, "ignored"}),
            "[t].[x] IS NULL");
  EXPECT_EQ(*WhereConditionText({"", Col("t", "x"), "=", Col("u", "y"), ""}), "[t].[x] = [u].[y]");
  EXPECT_EQ(WhereConditionText({"", Col("t", "x"), "=", std::nullopt, "abc"}).status().message(),
            kBadWhereNumber);
  EXPECT_EQ(WhereConditionText({"", Col("t", "x"), "= 1 or 1", std::nullopt, "1"}).status().code(),
            StatusCode::kInvalidArgument);

  EXPECT_EQ(*HavingConditionText({"Count", Col("t", "s", "string"), ">", std::nullopt, "2"}),
            "Count([t].[s]) > 2.00000");
  EXPECT_EQ(HavingConditionText({"Count", Col("t", "s", "string"), ">", std::nullopt, "two"})
                .status()
                .message(),
            kBadHavingNumber);
  EXPECT_EQ(HavingConditionText({"Avg", Col("t", "x"), ">", std::nullopt, "x"}).status().message(),
            kBadHavingNumber);
}

TEST(WizardStatement, PutsTheClausesTogether) {
  WizardQuery q;
  q.tables = {"A", "B"};
  q.joins = {InnerJoin()};
  q.fields = {{"", Col("A", "name", "string")}, {"Count", Col("B", "aid")}, {"Avg", Col("B", "v")}};
  q.where = {{"", Col("A", "name", "string"), "<>", std::nullopt, "x"},
             {"", Col("B", "v"), ">", std::nullopt, "1"}};
  q.groupBy = {Col("A", "name", "string")};
  q.having = {{"Count", Col("B", "aid"), ">=", std::nullopt, "2"}};
  q.orderBy = {{Col("A", "name", "string"), true}, {Col("B", "aid"), false}};
  EXPECT_EQ(*BuildWizardStatement(q),
            "SELECT  [A].[name] , Count([B].[aid])  AS field1 , Avg([B].[v])  AS field2  FROM  "
            "( [A]  INNER JOIN  [B]   ON  [A].[id] = [B].[aid])   WHERE  [A].[name] <> 'x'  AND "
            "[B].[v] > 1.00000"
            "  GROUP BY  [A].[name]  HAVING  Count([B].[aid]) >= 2.00000  ORDER BY  [A].[name]  "
            "DESC , [B].[aid]");

  WizardQuery all;
  all.tables = {"A"};
  EXPECT_EQ(*BuildWizardStatement(all), "SELECT  *  FROM  [A]");
  EXPECT_EQ(BuildWizardStatement(WizardQuery{}).status().message(), kWizardNoTable);
}

}  // namespace
}  // namespace quarry
