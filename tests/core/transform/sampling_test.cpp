#include "core/transform/sampling.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "core/transform/reservoir_sampler.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class SamplingTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    Table rows;
    for (int i = 0; i < 25; ++i)
      rows.push_back({std::to_string(i), i % 5 == 0 ? "?" : "v" + std::to_string(i)});
    MakeTable("src", {"id", "name"}, {"integer", "string"}, rows);
  }
  Expected<SamplingResult> Sample(const std::string& percent, const std::string& name = "s") {
    Rand rand;
    return SampleTable(source_, {"src", percent, FixedName(name)}, rand);
  }
};

TEST_F(SamplingTest, AllRowsNoRowsAndTheIntegerPartOfThePercent) {
  auto all = Sample("100", "everything");
  ASSERT_TRUE(all.ok()) << all.status().message();
  EXPECT_EQ(all->sampled, 25);
  EXPECT_EQ(Rows("select * from everything"), Rows("select * from src"));

  auto none = Sample("0", "none");
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none->sampled, 0);
  EXPECT_TRUE(source_.TableExists("none"));
  EXPECT_EQ(Count("none"), 0);

  auto tenth = Sample("10", "tenth");
  ASSERT_TRUE(tenth.ok());
  EXPECT_EQ(Count("tenth"), 2);  // 10 * 25 / 100 in whole rows
  auto half = Sample("12.5", "half");
  ASSERT_TRUE(half.ok());
  EXPECT_EQ(Count("half"), 3);  // 12 percent
}

// The new table holds exactly the rows the reservoir ends with, in the source's order, with the
// source's columns and their missing values.
TEST_F(SamplingTest, CopiesTheReservoirsRowsInSourceOrder) {
  auto sample = Sample("40");
  ASSERT_TRUE(sample.ok());
  Rand rand;
  Table expected;
  for (long p : ReservoirPositions(25, 10, rand)) {
    expected.push_back({std::to_string(p), p % 5 == 0 ? "?" : "v" + std::to_string(p)});
  }
  EXPECT_EQ(Rows("select * from s"), expected);
  std::vector<std::string> names;
  ASSERT_TRUE(source_.FieldNames("select * from s", names));
  EXPECT_EQ(names, (std::vector<std::string>{"id", "name"}));
}

TEST_F(SamplingTest, BadInputLeavesNoTable) {
  for (const char* percent : {"", "101", "100.5", "-5", "1e2", "ten", "5%"}) {
    EXPECT_EQ(Sample(percent).status().message(), kBadPercent) << percent;
  }
  EXPECT_EQ(Sample("10", "").status().message(), kBadTableName);
  EXPECT_EQ(Sample("10", "SRC").status().message(), kBadTableName);
  Rand rand;
  EXPECT_EQ(SampleTable(source_, {"nope", "10", FixedName("s")}, rand).status().message(),
            kSelectTable);
  EXPECT_FALSE(source_.TableExists("s"));
}

TEST_F(SamplingTest, ADotAloneMeansNothing) {
  auto sample = Sample(".");
  ASSERT_TRUE(sample.ok());
  EXPECT_EQ(Count("s"), 0);
}

// A table made by another program under the sample's name while the sample waits for the
// database (SQLite's write lock, PostgreSQL's lock on the new name) is refused as a name taken
// before would be, and kept as that program made it.
class SamplingRaceTest : public testing::BackendTest {};

TEST_P(SamplingRaceTest, ATableMadeMeanwhileIsRefusedAndKept) {
  MakeTable("src", {"id"}, {"integer"}, {{"1"}, {"2"}});
  DataSource other;
  ASSERT_TRUE(other.Open(connect_)) << other.LastError();
  ASSERT_TRUE(other.BeginTransaction()) << other.LastError();
  ASSERT_TRUE(other.Execute("create table s (x integer)")) << other.LastError();
  ASSERT_TRUE(other.Execute("insert into s values (7)")) << other.LastError();
  auto sampled = std::async(std::launch::async, [this] {
    Rand rand;
    return SampleTable(source_, {"src", "50", FixedName("s")}, rand);
  });
  ASSERT_EQ(sampled.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
  ASSERT_TRUE(other.Commit()) << other.LastError();
  EXPECT_EQ(sampled.get().status().message(), kBadTableName);
  EXPECT_EQ(Rows("select * from s"), Table{{"7"}});
}

INSTANTIATE_TEST_SUITE_P(Backends, SamplingRaceTest,
                         ::testing::Values(testing::Backend::kSqlite, testing::Backend::kPostgres),
                         testing::BackendName);

}  // namespace
}  // namespace quarry
