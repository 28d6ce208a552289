#include <gtest/gtest.h>

#include "core/data/sql_dialect.h"
#include "core/data/sql_lexer.h"
#include "core/data/sql_quote.h"

namespace quarry {
namespace {

TEST(SqlQuote, DoublesTheClosingCharacter) {
  EXPECT_EQ(QuoteIdent("a]b"), "[a]]b]");
  EXPECT_EQ(QuoteIdent("plain"), "[plain]");
  EXPECT_EQ(QuoteLiteral("O'Brien"), "'O''Brien'");
  EXPECT_EQ(QuoteLiteral(""), "''");
  EXPECT_EQ(SelectAllFrom("my table"), "select * from [my table]");
}

TEST(SqlLexer, KeepsLiteralsIdentifiersAndCommentsWhole) {
  auto tokens = LexSql("select [a]]b], 'it''s', \"q\"\"x\" -- c/d\nfrom t /* x/y */");
  std::vector<SqlTokenKind> kinds;
  for (const auto& t : tokens) {
    if (t.kind != SqlTokenKind::kSpace) kinds.push_back(t.kind);
  }
  EXPECT_EQ(kinds, (std::vector<SqlTokenKind>{SqlTokenKind::kWord, SqlTokenKind::kBracketIdent,
                                              SqlTokenKind::kPunct, SqlTokenKind::kString,
                                              SqlTokenKind::kPunct, SqlTokenKind::kQuotedIdent,
                                              SqlTokenKind::kComment, SqlTokenKind::kWord,
                                              SqlTokenKind::kWord, SqlTokenKind::kComment}));
  EXPECT_EQ(IdentifierName(tokens[2]), "a]b");
  EXPECT_EQ(IdentifierName(tokens[8]), "q\"x");
}

TEST(SqlDialect, RewritesBracketsOutsideLiteralsOnly) {
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(postgres.Rewrite("select [a]]b] from [t] where x='[not]'"),
            "select \"a]b\" from \"t\" where x='[not]'");
  EXPECT_EQ(postgres.Rewrite("select [say \"hi\"] from t"), "select \"say \"\"hi\"\"\" from t");
  // SQLite keeps brackets: its double quotes would turn a misspelt column into a string.
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("select [a]]b], [c] from [t]"), "select `a]b`, [c] from [t]");
  EXPECT_EQ(sqlite.Rewrite("select [a;b\"c] from t"), "select \"a;b\"\"c\" from t");
}

TEST(SqlDialect, MapsTypeWordsOfColumnDefinitionsOnly) {
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("create table  [t]([a] string,[b] real,[c] varchar(5),[string] bit)"),
            "create table  [t]([a] text,[b] real,[c] varchar(5),[string] bit)");
  EXPECT_EQ(sqlite.Rewrite("ALTER TABLE [t] ADD COLUMN [n] string"),
            "ALTER TABLE [t] ADD COLUMN [n] text");
  EXPECT_EQ(sqlite.Rewrite("alter table t add n string"), "alter table t add n text");
  EXPECT_EQ(sqlite.Rewrite("select string from t"), "select string from t");
  EXPECT_EQ(sqlite.Rewrite("create table t as select a string from u"),
            "create table t as select a string from u");
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(postgres.Rewrite("create table t(a string, b real)"),
            "create table t(a varchar, b double precision)");
}

TEST(SqlDialect, DivisionIsFloatingPoint) {
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("select count(*)/2 from t where s='1/2'"),
            "select count(*)*1.0/2 from t where s='1/2'");
  EXPECT_EQ(sqlite.Rewrite("select a /* a/b */ from t"), "select a /* a/b */ from t");
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(postgres.Rewrite("select count(*)/2 from t"), "select count(*)*1::float8/2 from t");
}

TEST(SqlDialect, PostgresTypeWordsAndColumnChanges) {
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(
      postgres.Rewrite("create table t(a double precision, b double, c char(3), d char, e bit)"),
      "create table t(a double precision, b double precision, c bpchar(3), d bpchar, e boolean)");
  EXPECT_EQ(postgres.Rewrite("alter table [t] add column [a] string, add [b] real, add constraint "
                             "string check (true)"),
            "alter table \"t\" add column \"a\" varchar, add \"b\" double precision, add "
            "constraint string check (true)");
  EXPECT_EQ(postgres.Rewrite("alter table [t] drop column [a]"),
            "alter table \"t\" drop column \"a\"");
  EXPECT_EQ(postgres.Rewrite("select `a b` from t where s like 'x%' and s not like 'y%'"),
            "select \"a b\" from t where s ILIKE 'x%' and s not ILIKE 'y%'");
  // SQLite keeps what it understands as it is.
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("create table t(a double precision, c char(3)) -- like"),
            "create table t(a double precision, c char(3)) -- like");
}

// PostgreSQL is told the row order SQLite gives: NULL first, groups in key order.
TEST(SqlDialect, PostgresOrdersRowsAsSqliteDoes) {
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(postgres.Rewrite("select a from t order by a, b desc, c asc"),
            "select a from t order by a NULLS FIRST, b desc NULLS LAST, c asc NULLS FIRST");
  EXPECT_EQ(postgres.Rewrite("select a from t order by a nulls last, f(b, c) limit 3"),
            "select a from t order by a nulls last, f(b, c) NULLS FIRST limit 3");
  EXPECT_EQ(
      postgres.Rewrite(
          "select rank() over (partition by a order by b rows unbounded preceding) from t"),
      "select rank() over (partition by a order by b NULLS FIRST rows unbounded preceding) from t");
  EXPECT_EQ(postgres.Rewrite("select * from (select a from t order by a) q"),
            "select * from (select a from t order by a NULLS FIRST) q");
  EXPECT_EQ(postgres.Rewrite("select [a], count(*) from [t] where [a] <> 'order by' group by [a]"),
            "select \"a\", count(*) from \"t\" where \"a\" <> 'order by' group by \"a\" ORDER BY "
            "\"a\" NULLS FIRST");
  EXPECT_EQ(postgres.Rewrite("select a, b/2 from t group by a, b/2 having count(*) > 1 limit 5;"),
            "select a, b*1::float8/2 from t group by a, b*1::float8/2 having count(*) > 1 ORDER BY "
            "a NULLS FIRST, "
            "b*1::float8/2 NULLS FIRST limit 5;");
  EXPECT_EQ(postgres.Rewrite("insert into u select a from t group by a -- note"),
            "insert into u select a from t group by a ORDER BY a NULLS FIRST -- note");
  // A GROUP BY that already has an order, sits in a subquery or a UNION, or groups by sets
  // stays as it is.
  for (const char* sql : {"select a from t group by a order by a desc nulls last",
                          "select * from (select a from t group by a) q",
                          "select a from t group by a union select b from u group by b",
                          "select a, b from t group by rollup (a, b)"}) {
    EXPECT_EQ(postgres.Rewrite(sql), sql);
  }
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("select a from t group by a order by a"),
            "select a from t group by a order by a");
}

TEST(SelectInto, FindsTheOuterIntoOnly) {
  auto parts = ParseSelectInto("SELECT a, b INTO [new t] FROM x WHERE y = 1");
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->target, "new t");
  EXPECT_EQ(parts->select, "SELECT a, b FROM x WHERE y = 1");
  parts = ParseSelectInto("select *  INTO  main.copy from x");
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->target, "copy");
  EXPECT_EQ(parts->select, "select * from x");
  EXPECT_FALSE(ParseSelectInto("select (select 1 into q from z) from t"));
  EXPECT_FALSE(ParseSelectInto("insert into t select * from u"));
  EXPECT_FALSE(ParseSelectInto("select a from t into_x"));
  EXPECT_FALSE(ParseSelectInto("select 'into' from t"));
}

}  // namespace
}  // namespace quarry
