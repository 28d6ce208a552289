#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/knn/knn_job.h"
#include "tests/support/temp_database.h"

namespace quarry::knn {
namespace {

using Table = std::vector<std::vector<std::string>>;

class KnnJobTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    const std::vector<std::string> names = {"shape", "size", "weight", "label"};
    const std::vector<std::string> types = {"string", "float", "float", "string"};
    MakeTable("train", names, types,
              {{"round", "1", "1", "small"},
               {"round", "2", "1.5", "small"},
               {"square", "9", "8", "big"},
               {"square", "10", "9", "big"},
               {"round", "11", "10", "big"}});
    MakeTable("test", names, types,
              {{"round", "1.5", "1", "?"}, {"square", "10", "8.5", "?"}, {"oval", "2", "?", "x"}});
  }
  Expected<KnnResult> Run(KnnParams params) {
    if (params.train.empty()) params.train = "train";
    if (params.test.empty()) params.test = "test";
    params.threads = 1;
    notices_.clear();
    return RunKnn(source_, params, report_,
                  [this](const std::string& m) { notices_.push_back(m); });
  }
  std::ostringstream report_;
  std::vector<std::string> notices_;
};

TEST_F(KnnJobTest, WritesPredictionsIntoTheTestTable) {
  KnnParams params;
  params.kText = "3";
  auto result = Run(params);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->testRows, 3);
  EXPECT_EQ(result->trainCases, 5);
  // The third row's weight is missing: it adds nothing, and "oval" is unlike every shape.
  EXPECT_EQ(Rows("select * from test"), (Table{{"round", "1.5", "1", "small"},
                                               {"square", "10", "8.5", "big"},
                                               {"oval", "2", "?", "small"}}));
  EXPECT_FALSE(source_.TableExists("Temporarytest"));
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes("select * from test", names, types));
  EXPECT_EQ(types, (std::vector<std::string>{"string", "float", "float", "string"}));
}

// The rewritten test table keeps its columns as declared: a PostgreSQL bigint or numeric(20,2)
// made "integer" or "float" would refuse or round the user's values.
TEST_F(KnnJobTest, TheTestTableKeepsItsDeclaredTypesOnPostgres) {
  OpenBackend(testing::Backend::kPostgres);
  if (IsSkipped()) return;
  for (const char* table : {"train", "test"}) {
    ASSERT_TRUE(source_.Execute(std::string("create table ") + table +
                                " (id bigint, amount numeric(20,2), label varchar(8))"));
  }
  ASSERT_TRUE(source_.Execute(
      "insert into train values (1, 1.00, 'small'), (2, 2.00, 'small'), (9, 90.00, 'big')"));
  ASSERT_TRUE(source_.Execute(
      "insert into test values (9000000001, 123456789012345678.91, null), (2, 1.50, null)"));
  KnnParams params;
  params.kText = "1";
  auto result = Run(params);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(PostgresColumnTypes("test"),
            (std::vector<std::string>{"bigint", "numeric(20,2)", "character varying(8)"}));
  EXPECT_EQ(Rows("select id, amount from test order by id"),
            (Table{{"2", "1.5"}, {"9000000001", "123456789012345678.91"}}));
}

TEST_F(KnnJobTest, NumericClassIsTheMeanInFiveDecimals) {
  MakeTable("ntrain", {"x", "y"}, {"float", "float"},
            {{"0", "0"}, {"1", "0"}, {"2", "1"}, {"10", "5"}, {"11", "5"}});
  MakeTable("ntest", {"x", "y"}, {"float", "float"}, {{"1.2", "?"}, {"10", "?"}, {"6", "?"}});
  KnnParams params;
  params.train = "ntrain";
  params.test = "ntest";
  params.kText = "3";
  ASSERT_TRUE(Run(params).ok());
  // (0 + 0 + 1) / 3 in five decimals; an exact match decides alone; at 6, x = 1 and x = 11
  // are equally far and the earlier case keeps its slot: (5 + 0 + 1) / 3.
  EXPECT_EQ(Rows("select y from ntest"), (Table{{"0.33333"}, {"5"}, {"2"}}));
  params.weight = true;
  ASSERT_TRUE(Run(params).ok());
  // Weights 1/d^2 of the neighbours at 0.2, 0.8 and 1.2: (0/0.04 + 0/1.44 + 1/0.64) / (...).
  const double w = 1 / 0.04 + 1 / 0.64 + 1 / 1.44;
  const double mean = (1 / 0.64) / w;
  EXPECT_NEAR(std::stod(Rows("select y from ntest")[0][0]), mean, 1e-5);
}

TEST_F(KnnJobTest, BadKLeavesTheTestTableAsItWas) {
  const Table before = Rows("select * from test");
  for (const char* k : {"5a", "0", "6", "", "-1", " 3"}) {
    KnnParams params;
    params.kText = k;
    auto result = Run(params);
    ASSERT_FALSE(result.ok()) << k;
    EXPECT_EQ(result.status().message(), kInvalidK) << k;
    EXPECT_EQ(Rows("select * from test"), before);
    EXPECT_FALSE(source_.TableExists("Temporarytest"));
  }
  KnnParams params;
  params.kText = "05";
  EXPECT_TRUE(Run(params).ok());
}

TEST_F(KnnJobTest, VdmOnContinuousFieldsTurnsToEuclideanWithOneMessageEach) {
  KnnParams params;
  params.distances = {
      {"size", DistanceKind::kVdm}, {"weight", DistanceKind::kVdm}, {"shape", DistanceKind::kVdm}};
  ASSERT_TRUE(Run(params).ok());
  EXPECT_EQ(notices_,
            (std::vector<std::string>{
                "Attribute size type not valid for such a distance. Turned to Euclidean.",
                "Attribute weight type not valid for such a distance. Turned to Euclidean."}));
}

TEST_F(KnnJobTest, FailureHalfWayKeepsTheOriginalTestTable) {
  // SQLite lets a float column hold text; such a row cannot be written back as a number, so
  // the job stops after classifying the rows before it.
  ASSERT_TRUE(source_.Execute("insert into test values ('round', 'abc', 1, 'small')"));
  const Table before = Rows("select * from test");
  auto result = Run({});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().code(), StatusCode::kDatabase);
  EXPECT_EQ(Rows("select * from test"), before);
  EXPECT_FALSE(source_.TableExists("Temporarytest"));
}

TEST_F(KnnJobTest, RefusesBadTablesAndFieldsWithoutTouchingAnything) {
  const Table before = Rows("select * from test");
  MakeTable("Temporarytest", {"keep"}, {"string"}, {{"mine"}});
  auto result = Run({});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(Rows("select * from Temporarytest"), (Table{{"mine"}}));
  ASSERT_TRUE(source_.DropTable("Temporarytest"));

  MakeTable("other", {"shape", "size", "label"}, {"string", "float", "string"},
            {{"round", "1", "?"}});
  KnnParams params;
  params.test = "other";
  EXPECT_EQ(Run(params).status().code(), StatusCode::kInvalidArgument);
  params = {};
  params.distances = {{"colour", DistanceKind::kHamming}};
  EXPECT_EQ(Run(params).status().code(), StatusCode::kNotFound);
  params.distances = {{"label", DistanceKind::kHamming}};
  EXPECT_EQ(Run(params).status().code(), StatusCode::kInvalidArgument);
  params.distances = {{"size", DistanceKind::kMinkowski}};
  params.qText = "0";
  EXPECT_EQ(Run(params).status().code(), StatusCode::kInvalidArgument);
  params.test = "nosuch";
  EXPECT_EQ(Run(params).status().code(), StatusCode::kNotFound);
  params.test = "train";
  EXPECT_EQ(Run(params).status().code(), StatusCode::kInvalidArgument);
  EXPECT_EQ(Rows("select * from test"), before);
}

TEST_F(KnnJobTest, ListsTablesOfTheSameStructureAsTests) {
  MakeTable("alike", {"shape", "size", "weight", "label"}, {"string", "float", "float", "string"},
            {});
  MakeTable("renamed", {"shape", "size", "mass", "label"}, {"string", "float", "float", "string"},
            {});
  MakeTable("retyped", {"shape", "size", "weight", "label"},
            {"string", "float", "string", "string"}, {});
  auto tables = CompatibleTestTables(source_, "train");
  ASSERT_TRUE(tables.ok());
  std::sort(tables->begin(), tables->end());
  EXPECT_EQ(*tables, (std::vector<std::string>{"alike", "test"}));
}

}  // namespace
}  // namespace quarry::knn
