// SQLite rows read through SQLite's own interface must make the cases, value lists and messages
// that reading them through the driver makes.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "core/data/cell_number_text.h"
#include "core/data/sqlite_rows.h"
#include "core/dtree/case_set.h"
#include "tests/support/temp_database.h"

namespace quarry::dtree {
namespace {

// What loading a table gives: the attribute table's lists, the messages and the cells (as bits)
// of both loads a job makes (the first may keep the rows read for the value lists), and how
// many rows were read through SQLite's own interface.
struct Loaded {
  std::vector<std::string> classes;
  std::vector<std::vector<std::string>> values;
  std::string messages;
  std::vector<std::vector<int32_t>> first;
  std::vector<std::vector<int32_t>> second;
  long direct = 0;
};

std::vector<std::vector<int32_t>> CellsOf(const CaseSet& cases) {
  std::vector<std::vector<int32_t>> cells;
  const size_t width = static_cast<size_t>(cases.Attributes().MaxAtt + 2);
  for (int i = 0; i <= cases.MaxItem; ++i) {
    std::vector<int32_t> row(width);
    std::memcpy(row.data(), cases.Item[static_cast<size_t>(i)], width * sizeof(int32_t));
    cells.push_back(std::move(row));
  }
  return cells;
}

class CaseLoadDirect : public testing::DatabaseTest {
 protected:
  ~CaseLoadDirect() override { ReadSqliteRowsDirectly(true); }

  Loaded Load(const std::string& table, bool direct) {
    ReadSqliteRowsDirectly(direct);
    const long before = SqliteRowsReadDirectly();
    Loaded loaded;
    std::ostringstream report;
    CaseSet cases(report);
    const Status status = cases.LoadAttributes(table, source_);
    EXPECT_TRUE(status.ok()) << status.message();
    loaded.classes = cases.Attributes().ClassName;
    loaded.values = cases.Attributes().ValueName;
    EXPECT_EQ(cases.LoadCases(table, source_), 0) << cases.LastLoadError();
    loaded.first = CellsOf(cases);
    EXPECT_EQ(cases.LoadCases(table, source_), 0) << cases.LastLoadError();
    loaded.second = CellsOf(cases);
    loaded.messages = report.str();
    loaded.direct = SqliteRowsReadDirectly() - before;
    return loaded;
  }

  // Loads `table` both ways; returns the cases read.
  size_t LoadBothWaysAndCompare(const std::string& table) {
    const Loaded driver = Load(table, false);
    const Loaded direct = Load(table, true);
    EXPECT_EQ(driver.direct, 0);
    EXPECT_GT(direct.direct, 0) << "not read through SQLite itself: the test proves nothing";
    EXPECT_EQ(direct.classes, driver.classes);
    EXPECT_EQ(direct.values, driver.values);
    EXPECT_TRUE(direct.messages == driver.messages) << table << ": messages differ";
    for (size_t i = 0; i < driver.first.size() && i < direct.first.size(); ++i) {
      EXPECT_EQ(direct.first[i], driver.first[i]) << table << " case " << i;
      EXPECT_EQ(direct.second[i], driver.second[i]) << table << " case " << i;
    }
    EXPECT_EQ(direct.first.size(), driver.first.size());
    EXPECT_EQ(direct.second.size(), driver.second.size());
    return driver.first.size();
  }
};

// Doubles beside points halfway between two floats, written with every digit.
std::vector<std::string> NumbersBesideHalfway(int count) {
  std::mt19937 random(5);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    const float f = std::ldexp(std::uniform_real_distribution<float>(-1, 1)(random),
                               std::uniform_int_distribution<int>(-40, 40)(random));
    const float next = std::nextafter(f, std::numeric_limits<float>::infinity());
    const double halfway = (static_cast<double>(f) + static_cast<double>(next)) / 2;
    const double ulp = std::nextafter(halfway, HUGE_VAL) - halfway;
    for (int steps : {-20, -6, -2, 2, 6, 20}) {
      char text[64];
      std::snprintf(text, sizeof text, "%.17g", halfway + steps * ulp);
      texts.emplace_back(text);
    }
  }
  return texts;
}

// Integers beside points halfway between two floats whose text in a column of approximate
// numbers (15 significant digits) narrows to the other float.
std::vector<std::string> IntegersCrossingHalfway(size_t count) {
  std::vector<std::string> texts;
  for (int64_t halfway = (int64_t{1} << 56) + (int64_t{1} << 32); texts.size() < count;
       halfway += int64_t{1} << 34) {
    for (int64_t step : {-400, -40, 40, 400}) {
      std::string text = std::to_string(halfway + step);
      NormalizeNumberText(text, 15, false);
      double value = 0;
      std::from_chars(text.data(), text.data() + text.size(), value);
      if (static_cast<float>(value) != static_cast<float>(static_cast<double>(halfway + step)))
        texts.push_back(std::to_string(halfway + step));
    }
  }
  return texts;
}

// One table of every kind of cell, read both ways: doubles beside halfway points, integers of
// more digits than a number text keeps, zero's negative, infinities, numbers beyond the floats,
// texts and blobs in number columns, a text with a NUL, NULL and the text "?", storage classes
// mixed in a column without type and in a column of dates and times; then with rows of an open
// transaction, and a temporary table in the table's place.
TEST_F(CaseLoadDirect, CellsReadAsTheDriverReadsThem) {
  ASSERT_TRUE(
      source_.Execute("create table t (x real, n numeric, i integer, f float, u, d timestamp, s "
                      "text, v varchar(4), "
                      "cls text)"));
  const std::vector<std::string> reals = NumbersBesideHalfway(60);
  const std::vector<std::string> specials = {
      "0.0*-1", "1e999",     "-1e999", "1e-40",   "3.5e38", "3.4028235677973366e38", "'abc'",
      "'12,5'", "'?'",       "null",   "x'0102'", "'7'",    "'a'||char(0)||'b'",     "0.0",
      "12.5",   "-2.25e-17", "''"};
  std::vector<std::string> integers = {"12345678901234567",
                                       "9007199254740993",
                                       "-9007199254740995",
                                       "999999999999999",
                                       "1000000000000001",
                                       "-5",
                                       "'x'",
                                       "2.5",
                                       "null"};
  for (const std::string& text : IntegersCrossingHalfway(6)) integers.push_back(text);
  const std::vector<std::string> mixed = {"1",    "1.5", "'a'", "x'ff'",
                                          "null", "'?'", "'1'", "1e300",
                                          "-0.5", "'b'", "2",   "'2024-01-02 10:00:00.50'"};
  const std::vector<std::string> texts = {"'a'", "'b'", "'?'", "null", "'ä'", "'B'", "x'00'"};
  std::string rows;
  const size_t count = reals.size() + specials.size();
  for (size_t r = 0; r < count; ++r) {
    const std::string& x = r < reals.size() ? reals[r] : specials[r - reals.size()];
    const std::string& other = specials[r % specials.size()];
    rows += std::string(r == 0 ? "" : ", ") + "(" + x + ", " + integers[r % integers.size()] +
            ", " + integers[(r + 3) % integers.size()] + ", " + other + ", " +
            mixed[r % mixed.size()] + ", " + mixed[(r + 5) % mixed.size()] + ", " +
            texts[r % texts.size()] + ", " + texts[(r + 2) % texts.size()] + ", 'c' || " +
            std::to_string(r % 3) + ")";
  }
  ASSERT_TRUE(source_.Execute("insert into t values " + rows)) << source_.LastError();
  EXPECT_EQ(LoadBothWaysAndCompare("t"), count);

  // Rows not yet committed are the driver's connection's own.
  ASSERT_TRUE(source_.BeginTransaction());
  ASSERT_TRUE(source_.Execute("insert into t select x * 3, n, i, f, u, d, s, v, cls from t"));
  EXPECT_EQ(LoadBothWaysAndCompare("t"), 2 * count);
  ASSERT_TRUE(source_.Rollback());

  // So is a temporary table, which takes the place of the table of its name.
  ASSERT_TRUE(source_.Execute(
      "create temp table t (x real, n numeric, i integer, f float, u, d timestamp, s text, v "
      "varchar(4), cls text)"));
  ASSERT_TRUE(source_.Execute(
      "insert into temp.t select -x, i, n, u, f, d, v, s, cls from main.t where rowid % 3 = 0"));
  EXPECT_EQ(LoadBothWaysAndCompare("t"), count / 3);
}

}  // namespace
}  // namespace quarry::dtree
