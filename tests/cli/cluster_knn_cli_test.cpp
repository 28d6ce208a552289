#include <gtest/gtest.h>

#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

// Clustering and kNN as a user runs them, on a fresh copy of the sample database each.
class ClusterKnnCliTest : public testing::CliFixture {};

TEST_F(ClusterKnnCliTest, ClustersTheBasketsIntoTables) {
  auto run = Run({"cluster", "--table", "baskets", "--k", "04"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Clustering Executed\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("table StatisticClusterbaskets: 4 clusters"), std::string::npos)
      << run.out;
  EXPECT_EQ(Query("select sum(Frequence) from Clusterbaskets"), "SUM(FREQUENCE)\n200\n");
  EXPECT_EQ(Query("select sum(N) from StatisticClusterbaskets"), "SUM(N)\n200\n");

  run = Run({"cluster", "--table", "golf_data", "--k", "2"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("string or timestamp"), std::string::npos);
  for (const char* k : {"0", "x"}) {
    run = Run({"cluster", "--table", "baskets", "--k", k});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Insert parameters\n");
  }
  EXPECT_EQ(Run({"cluster", "--table", "baskets"}).exitCode, 2);
}

TEST_F(ClusterKnnCliTest, ClassifiesTheTestTableInPlace) {
  const std::string before = Query("select * from golf_test");
  auto run = Run({"knn", "--train", "golf_data", "--test", "golf_test", "--k", "5a"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Please, insert a valid data type for K\n");
  EXPECT_EQ(Query("select * from golf_test"), before);

  run = Run({"knn", "--train", "golf_data", "--test", "golf_test", "--k", "3", "--weight",
             "--distance", "outlook=vdm", "--distance", "humidity=VDM", "--distance",
             "temperature=minkowski", "--q", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Attribute humidity type not valid for such a distance. Turned to Euclidean.\n"
            "8 rows of golf_test classified against 14 rows of golf_data\n");
  EXPECT_EQ(Query("select count(*) from golf_test where play in ('yes', 'no')"), "COUNT(*)\n8\n");

  run = Run({"knn", "--train", "golf_data", "--test", "golf_test", "--distance", "windy=closest"});
  EXPECT_EQ(run.exitCode, 2);
  run = Run({"knn", "--train", "golf_data", "--test", "golf_test", "--distance", "colour=hamming"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no field colour"), std::string::npos);
  run = Run({"knn", "--train", "golf_data", "--test", "wave_test"});
  EXPECT_EQ(run.exitCode, 1);
}

}  // namespace
}  // namespace quarry
