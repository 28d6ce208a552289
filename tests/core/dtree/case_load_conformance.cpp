#include "tests/core/dtree/case_load_conformance.h"

#include <cstring>
#include <sstream>
#include <unordered_set>

#include "core/data/grouped_values.h"
#include "core/data/sql_quote.h"
#include "core/dtree/case_set.h"

namespace quarry::dtree {

namespace {

using Cells = std::vector<std::vector<int32_t>>;

// Every cell of every loaded case, as its bits.
Cells CellsOf(const CaseSet& cases) {
  Cells cells;
  const int width = cases.Attributes().MaxAtt + 2;
  for (int i = 0; i <= cases.MaxItem; ++i) {
    std::vector<int32_t> row(static_cast<size_t>(width));
    std::memcpy(row.data(), cases.Item[static_cast<size_t>(i)], row.size() * sizeof(int32_t));
    cells.push_back(std::move(row));
  }
  return cells;
}

// A grouped query's values listed as the attribute table lists them: each text once.
std::vector<std::string> Listed(const std::vector<std::string>& values, bool withUnknown,
                                bool withEntryZero) {
  std::vector<std::string> listed;
  if (withEntryZero) listed.emplace_back();
  std::unordered_set<std::string> seen;
  for (const std::string& value : values) {
    if ((withUnknown || value != "?") && seen.insert(value).second) listed.push_back(value);
  }
  return listed;
}

}  // namespace

void CaseLoadConformance::Fill(const std::string& table, long n, const std::string& columns) {
  const std::string series =
      OnPostgres() ? "generate_series(1, " + std::to_string(n) + ") as s(i)"
                   : "(with recursive s(i) as (select 1 union all select i + 1 from s where i < " +
                         std::to_string(n) + ") select i from s) s";
  ASSERT_TRUE(source_.Execute("insert into " + QuoteIdent(table) + " select " + columns + " from " +
                              series))
      << source_.LastError();
}

std::string CaseLoadConformance::LoadTwiceAndCompare(const std::string& table, bool expectKept) {
  std::ostringstream report;
  CaseSet cases(report);
  const Status status = cases.LoadAttributes(table, source_);
  EXPECT_TRUE(status.ok()) << status.message();
  // The rows must really be read with the values where expected, or this test proves nothing.
  EXPECT_EQ(cases.HasKeptCases(), expectKept) << table;
  const AttributeTable& att = cases.Attributes();
  std::vector<std::string> columns = {"\"" + att.AttName.back() + "\""};
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.Status[a] == kDiscrete) columns.push_back(QuoteIdent(att.AttName[a]));
  }
  std::vector<std::vector<std::string>> grouped;
  {
    ExclusiveUse exclusive(source_);
    ReadGroupedValues(source_, QuoteIdent(table), columns, grouped);
  }
  EXPECT_EQ(att.ClassName, Listed(grouped[0], true, false));
  size_t g = 1;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.Status[a] != kDiscrete) continue;
    EXPECT_EQ(att.ValueName[a], Listed(grouped[g++], false, true)) << att.AttName[a];
    EXPECT_EQ(att.ValueCount[a], static_cast<int32_t>(att.ValueName[a].size()) - 1);
  }

  EXPECT_EQ(cases.LoadCases(table, source_), 0) << cases.LastLoadError();
  EXPECT_FALSE(cases.HasKeptCases());
  const std::string firstMessages = report.str();
  const Cells firstCells = CellsOf(cases);
  report.str("");
  EXPECT_EQ(cases.LoadCases(table, source_), 0) << cases.LastLoadError();
  EXPECT_TRUE(report.str() == firstMessages) << "messages differ";
  EXPECT_TRUE(CellsOf(cases) == firstCells) << "cases differ";
  EXPECT_EQ(static_cast<size_t>(cases.MaxItem + 1), firstCells.size());
  return firstMessages;
}

// A table large enough to be read in two halves: NULLs, letters of both cases, texts needing
// quotes, a continuous column of unreadable texts (a message per row), class texts holding
// commas, each a class of its own.
TEST_P(CaseLoadConformance, ValuesGatheredWithTheRowsMatchTheGroupedValues) {
  ASSERT_TRUE(source_.Execute(
      "create table big (a varchar(10), b text, x double precision, d date, n integer, cls "
      "varchar(10))"));
  const std::string dateText = "'2024-01-0' || (i % 9 + 1)";
  Fill("big", 20000,
       "case when i % 17 = 0 then null else case when i % 5 = 0 then 'V' else 'v' end || "
       "(i * 7919 % 23) end, "
       "case when i % 11 = 0 then null when i % 13 = 0 then 'a,b' when i % 7 = 0 then ' "
       "\"le\\ad{''s},' "
       "else 'w' || (i % 5) end, "
       "case when i % 19 = 0 then null else (i % 1000) * 0.25 end, "
       "case when i % 3 = 0 then " +
           (OnPostgres() ? "cast(" + dateText + " as date)" : dateText) +
           " end, i % 37, "
           "case when i % 29 = 0 then null when i % 31 = 0 then 'p,q' when i % 41 = 0 then "
           "'x,y' when i % 43 = 0 then 'x.y' else 'c' || (i % 3) end");
  if (OnPostgres()) {
    ASSERT_TRUE(source_.Execute("analyze big"));
  }
  const std::string messages = LoadTwiceAndCompare("big", true);
  EXPECT_EQ(messages.find("class of"), std::string::npos) << messages.substr(0, 200);
  EXPECT_NE(messages.find("case 3's value of 2024-01-04 for attributed is illegal"),
            std::string::npos);
}

// Value lists follow the database's order of each column's type and collation, NULL first;
// number classes sort as numbers.
TEST_P(CaseLoadConformance, ValueOrderIsTheColumnsOwn) {
  MakeTable("t", {"s", "k", "cls"}, {"string", "integer", "integer"},
            {{"b", "1", "10"},
             {"B", "2", "2"},
             {"?", "3", "1"},
             {"a", "4", "?"},
             {"_", "5", "2"},
             {"ä", "6", "-3"},
             {"", "7", "2"}});
  LoadTwiceAndCompare("t", true);
  std::ostringstream report;
  CaseSet cases(report);
  ASSERT_TRUE(cases.LoadAttributes("t", source_).ok());
  EXPECT_EQ(cases.Attributes().ClassName, (std::vector<std::string>{"?", "-3", "1", "2", "10"}));

  if (!OnPostgres()) {
    // SQLite keeps a value's storage class: in a column without type, or one of numeric type
    // holding texts, numbers come first by value, then texts by their bytes, whatever their
    // texts' order. Integers in a real column, a real with an exponent, -0.0, text of upper and
    // lower case, not ASCII, empty, "?" as text, NULL.
    ASSERT_TRUE(source_.Execute("create table m (u, s varchar(5), cls real)"));
    ASSERT_TRUE(source_.Execute(
        "insert into m values (10, 'b', 'abc'), (9.5, 'B', 2.5), ('9', 'ä', 1), ('x', '', '?'), "
        "(null, '?', 1e-7), (-2, 'a', -3), ('Ab', null, 'Zed'), (10, 'b', '?'), (0.0, 'b', "
        "'-0.0')"));
    LoadTwiceAndCompare("m", true);
    ASSERT_TRUE(cases.LoadAttributes("m", source_).ok());
    const AttributeTable& att = cases.Attributes();
    EXPECT_EQ(att.ValueName[0],
              (std::vector<std::string>{"", "-2", "0.0", "9.5", "10", "9", "Ab", "x"}));
    EXPECT_EQ(att.ValueName[1], (std::vector<std::string>{"", "", "B", "a", "b", "ä"}));
    // The text '-0.0' in the real column is the number -0, which reads 0.
    EXPECT_EQ(att.ClassName,
              (std::vector<std::string>{"-3", "0", "1E-07", "1", "2.5", "?", "Zed", "abc"}));

    // Where the texts cannot tell the groups or their order, the values are grouped by the
    // database: an integer and a real of one value, a text and a number of one text, NULL and
    // "?" as text, a blob,
    // integers beside reals too long for their texts, a collation, a descending index.
    const std::vector<std::pair<std::string, std::string>> grouped = {
        {"u", "(1, 'c'), (1.0, 'd'), (2, 'c')"},
        {"u", "('1', 'c'), (1, 'd'), (2, 'c')"},
        {"u", "('c', null), ('d', '?'), ('c', 'a')"},
        {"u", "(x'00', 'c'), ('a', 'd')"},
        {"u", "(123456789012345678, 'c'), (1.2345678901234567e17, 'd'), (3, 'c')"},
        {"u collate nocase", "('a', 'c'), ('A', 'd'), ('b', 'c')"},
        {"u", "('b', 'c'), ('a', 'd')"}};
    for (size_t k = 0; k < grouped.size(); ++k) {
      const std::string name = "g" + std::to_string(k);
      ASSERT_TRUE(source_.Execute("create table " + name + " (" + grouped[k].first + ", cls)"));
      ASSERT_TRUE(source_.Execute("insert into " + name + " values " + grouped[k].second));
      if (k + 1 == grouped.size()) {
        ASSERT_TRUE(source_.Execute("create index " + name + "_u on " + name + " (u desc)"));
      }
      LoadTwiceAndCompare(name, false);
    }
    return;
  }
  // A collation that sorts by letters, not bytes, where the server has one.
  if (Rows("select 1 from pg_collation where collname = 'und-x-icu'").empty()) return;
  ASSERT_TRUE(
      source_.Execute("create table u (s varchar(5) collate \"und-x-icu\", f real, cls boolean)"));
  ASSERT_TRUE(
      source_.Execute("insert into u values ('b', 0.5, true), ('B', 1e-7, false), "
                      "('a', null, null), ('_', 2, true), ('Ä', 3, false)"));
  LoadTwiceAndCompare("u", true);
  ASSERT_TRUE(cases.LoadAttributes("u", source_).ok());
  EXPECT_EQ(cases.Attributes().ValueName[0],
            (std::vector<std::string>{"", "_", "a", "Ä", "b", "B"}));
  EXPECT_EQ(cases.Attributes().ClassName, (std::vector<std::string>{"?", "0", "1"}));
}

// Columns of other types get their values from grouped queries, as before; so does a table
// with nothing to group.
TEST_P(CaseLoadConformance, OtherTypesAreGroupedByTheDatabase) {
  ASSERT_TRUE(source_.Execute("create table dated (s varchar(5), cls date)"));
  ASSERT_TRUE(source_.Execute(
      "insert into dated values ('a', '2024-01-02'), ('b', '2023-05-06'), (null, null)"));
  LoadTwiceAndCompare("dated", !OnPostgres());
  ASSERT_TRUE(source_.Execute("create table plain (x integer, y integer)"));
  ASSERT_TRUE(source_.Execute("insert into plain values (1, 2), (3, 4)"));
  std::ostringstream report;
  CaseSet numbers(report, TargetKind::kNumber);
  ASSERT_TRUE(numbers.LoadAttributes("plain", source_).ok());
  EXPECT_FALSE(numbers.HasKeptCases());
  EXPECT_EQ(numbers.LoadCases("plain", source_), 0);
  EXPECT_EQ(numbers.MaxItem, 1);
}

// The kept cases serve only the next load of their own table against the same attribute table;
// an attribute set aside in between reads as the model-tree engine sets it aside.
TEST_P(CaseLoadConformance, KeptCasesServeOnlyTheirOwnTable) {
  const std::vector<std::string> names = {"s", "empty", "d", "x", "y"};
  const std::vector<std::string> types = {"string", "string", "date", "float", "float"};
  MakeTable(
      "m", names, types,
      {{"a", "?", "?", "1", "2"}, {"b", "?", "2024-01-02", "?", "3"}, {"a", "?", "?", "2", "?"}});
  MakeTable("other", names, types, {{"b", "?", "?", "5", "6"}, {"c", "?", "?", "7", "8"}});
  std::ostringstream report;
  CaseSet cases(report, TargetKind::kNumber);
  ASSERT_TRUE(cases.LoadAttributes("m", source_).ok());
  EXPECT_TRUE(cases.HasKeptCases());
  // Another table read first: its own rows, and the kept ones are gone.
  ASSERT_EQ(cases.LoadCases("other", source_), 0);
  EXPECT_FALSE(cases.HasKeptCases());
  ASSERT_EQ(cases.MaxItem, 1);
  EXPECT_EQ(cases.Item[0][0].discr, 2);  // "b"
  EXPECT_EQ(cases.Item[1][0].discr, 0);  // "c" is no value of m's attribute

  // The model-tree engine sets aside a text attribute without values; any discrete attribute
  // set aside reads as 0.
  ASSERT_TRUE(cases.LoadAttributes("m", source_).ok());
  AttributeTable& att = cases.Attributes();
  ASSERT_EQ(att.ValueCount[1], 0);
  att.Status[0] = kIgnored;
  att.Status[1] = kIgnored;
  report.str("");
  ASSERT_EQ(cases.LoadCases("m", source_), 0);
  EXPECT_NE(report.str().find("case 2's value of 2024-01-02 for attributed is illegal"),
            std::string::npos);
  const Cells kept = CellsOf(cases);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[1][0], 0);
  EXPECT_EQ(kept[1][1], 0);
  ASSERT_EQ(cases.LoadCases("m", source_), 0);
  EXPECT_EQ(CellsOf(cases), kept);

  // A continuous attribute set aside has no messages: the rows are read again.
  ASSERT_TRUE(cases.LoadAttributes("m", source_).ok());
  att.Status[2] = kIgnored;
  report.str("");
  ASSERT_EQ(cases.LoadCases("m", source_), 0);
  EXPECT_EQ(report.str(), "");
  EXPECT_EQ(cases.Item[1][2].discr, 0);
  EXPECT_EQ(cases.Item[1][0].discr, 2);
}

// A read that fails half-way is no table read whole.
TEST_P(CaseLoadConformance, ReadFailingHalfWayIsAnError) {
  MakeTable("t", {"x", "cls"}, {"integer", "string"},
            {{"1", "a"}, {"2", "b"}, {"3", "a"}, {"4", "b"}});
  // The third row's value cannot be computed; the rows before it can.
  const std::string failing = OnPostgres()
                                  ? "1 / (x - 3)"
                                  : "case when x = 3 then abs(-9223372036854775807 - 1) else x end";
  ASSERT_TRUE(source_.Execute("create view v as select " + failing + " as y, cls from t"));
  std::ostringstream report;
  CaseSet cases(report);
  ASSERT_TRUE(cases.LoadAttributes("t", source_).ok());
  EXPECT_EQ(cases.LoadCases("v", source_), 2);
  EXPECT_FALSE(cases.LastLoadError().empty());
  EXPECT_EQ(cases.MaxItem, -1);
}

}  // namespace quarry::dtree
