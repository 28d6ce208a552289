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
  EXPECT_EQ(sqlite.Rewrite("ALTER TABLE [t] ADD COLUMN [n] string"), "ALTER TABLE [t] ADD COLUMN [n] text");
  EXPECT_EQ(sqlite.Rewrite("alter table t add n string"), "alter table t add n text");
  EXPECT_EQ(sqlite.Rewrite("select string from t"), "select string from t");
  EXPECT_EQ(sqlite.Rewrite("create table t as select a string from u"), "create table t as select a string from u");
  SqlDialect postgres(DbmsKind::kPostgres);
  EXPECT_EQ(postgres.Rewrite("create table t(a string, b real)"), "create table t(a varchar, b double precision)");
}

TEST(SqlDialect, DivisionIsFloatingPoint) {
  SqlDialect sqlite(DbmsKind::kSqlite);
  EXPECT_EQ(sqlite.Rewrite("select count(*)/2 from t where s='1/2'"), "select count(*)*1.0/2 from t where s='1/2'");
  EXPECT_EQ(sqlite.Rewrite("select a /* a/b */ from t"), "select a /* a/b */ from t");
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

TEST(DbmsKind, FromDriverNames) {
  EXPECT_EQ(DbmsKindFromName("SQLite"), DbmsKind::kSqlite);
  EXPECT_EQ(DbmsKindFromName("PostgreSQL"), DbmsKind::kPostgres);
  EXPECT_EQ(DbmsKindFromName("Oracle"), DbmsKind::kOther);
}

}  // namespace
}  // namespace quarry
