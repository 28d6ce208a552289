#include <gtest/gtest.h>

#include <sstream>

#include "core/modeltree/model_case_store.h"
#include "tests/support/temp_database.h"

namespace quarry::modeltree {
namespace {

class ModelCaseStoreTest : public testing::DatabaseTest {
 protected:
  std::ostringstream report_;
  ModelCaseStore store_{report_};

  Status Load(const std::string& table) {
    if (Status s = store_.LoadAttributes(table, source_); !s.ok()) return s;
    return store_.LoadCases(table, source_);
  }
};

TEST_F(ModelCaseStoreTest, TargetIsANumberAndUnknownsAreCompleted) {
  MakeTable("t", {"soil", "light", "growth"}, {"string", "real", "real"},
            {{"clay", "10", "1,5"},
             {"sand", "?", "2"},
             {"?", "30", "?"},
             {"sand", "20", "4.5"},
             {"clay", "?", "3"}});
  ASSERT_TRUE(Load("t").ok());
  const AttributeTable& att = store_.Att();
  EXPECT_EQ(att.MaxAtt, 1);
  EXPECT_TRUE(att.ClassName.empty());  // no class query for a numeric target
  ASSERT_EQ(store_.Count(), 5);
  // clay and sand are equally frequent: the first in value order fills the gap.
  EXPECT_EQ(store_.Item[2][0].discr, 1);
  EXPECT_FLOAT_EQ(store_.Item[1][1].cont, 20.0f);
  EXPECT_FLOAT_EQ(store_.Item[0][2].cont, 1.5f);
  EXPECT_FLOAT_EQ(store_.Item[2][2].cont, 2.75f);
  EXPECT_EQ(report_.str(),
            "Missing values in att.soil  substituted with clay\n"
            "Missing values in att.light  substituted with 20.000000\n"
            "Missing values in att.growth  substituted with 2.750000\n");
  ASSERT_EQ(store_.LoadedTarget.size(), 5u);
  EXPECT_FLOAT_EQ(store_.LoadedTarget[2], 2.75f);

  store_.Exchange(0, 3);
  EXPECT_FLOAT_EQ(store_.Item[0][2].cont, 4.5f);
  EXPECT_FLOAT_EQ(store_.LoadedTarget[0], 4.5f);
  EXPECT_FLOAT_EQ(store_.LoadedTarget[3], 1.5f);
}

TEST_F(ModelCaseStoreTest, TablesOfTheSameStructureParseAgainstTheGrowingAttributes) {
  MakeTable("grow", {"soil", "y"}, {"string", "real"},
            {{"clay", "1"}, {"loam", "2"}, {"sand", "3"}});
  MakeTable("other", {"soil", "y"}, {"string", "real"},
            {{"sand", "5"}, {"sand", "6"}, {"peat", "7"}});
  ASSERT_TRUE(Load("grow").ok());
  ModelCaseStore other(report_);
  other.CopyAttributes(store_);
  ASSERT_TRUE(other.LoadCases("other", source_).ok());
  // Loading "other" on its own would number sand 1; against the grown attributes it is 3, and
  // peat, unknown there, takes the most frequent value.
  EXPECT_EQ(other.Item[0][0].discr, 3);
  EXPECT_EQ(other.Item[2][0].discr, 3);
}

TEST_F(ModelCaseStoreTest, RefusesTablesAModelTreeCannotUse) {
  MakeTable("text_target", {"x", "label"}, {"real", "string"}, {{"1", "a"}});
  Status s = Load("text_target");
  EXPECT_EQ(s.code(), StatusCode::kInvalidArgument);
  EXPECT_EQ(s.message(), "the target column label of text_target is not numeric");

  MakeTable("empty", {"x", "y"}, {"real", "real"}, {});
  s = Load("empty");
  EXPECT_EQ(s.message(), "table empty has no rows");
  EXPECT_EQ(store_.Count(), 0);

  MakeTable("lonely", {"y"}, {"real"}, {{"1"}});
  EXPECT_EQ(Load("lonely").code(), StatusCode::kInvalidArgument);

  EXPECT_EQ(Load("missing").code(), StatusCode::kNotFound);
}

TEST_F(ModelCaseStoreTest, ATextColumnWithoutValuesIsIgnored) {
  MakeTable("t", {"note", "x", "y"}, {"string", "real", "real"},
            {{"?", "1", "2"}, {"?", "2", "4"}});
  ASSERT_TRUE(Load("t").ok());
  EXPECT_EQ(store_.Att().Status[0], dtree::kIgnored);
  EXPECT_EQ(report_.str(), "");
}

}  // namespace
}  // namespace quarry::modeltree
