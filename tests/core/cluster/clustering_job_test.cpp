#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/cluster/cluster_tables.h"
#include "core/cluster/clustering_job.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "tests/support/temp_database.h"

namespace quarry::cluster {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ClusteringJobTest : public testing::DatabaseTest {
 protected:
  Expected<ClusteringResult> Cluster(const std::string& table, int k) {
    Rand rand;
    return RunClustering(source_, {table, k}, rand);
  }
  std::vector<std::string> Types(const std::string& table,
                                 std::vector<std::string>* names = nullptr) {
    std::vector<std::string> n, t;
    EXPECT_TRUE(source_.FieldTypes(SelectAllFrom(table), n, t));
    if (names) *names = n;
    return t;
  }
  // n distinct rows (i, -i / 2), each twice.
  void MakePoints(int n) {
    Table rows;
    for (int i = 0; i < n; ++i) {
      for (int copy = 0; copy < 2; ++copy)
        rows.push_back({std::to_string(i), std::to_string(-i / 2.0)});
    }
    MakeTable("pts", {"x", "y"}, {"integer", "float"}, rows);
  }
};

TEST_F(ClusteringJobTest, WritesBothTablesWithTheirColumns) {
  MakePoints(6);
  auto result = Cluster("pts", 2);
  ASSERT_TRUE(result.ok()) << result.status().message();
  std::vector<std::string> names;
  EXPECT_EQ(Types("Clusterpts", &names),
            (std::vector<std::string>{"integer", "float", "integer", "integer", "integer"}));
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "Frequence", "NumberClustering", "IdRow"}));
  Types("StatisticClusterpts", &names);
  EXPECT_EQ(names, (std::vector<std::string>{"x_Som", "x_SomSq", "y_Som", "y_SomSq",
                                             "Number Clustering", "N", "NumberOfIndividuals"}));
  // Identical rows are grouped: each distinct row once, with its count and its row number.
  const Table rows = Rows("select x, Frequence, IdRow from Clusterpts order by IdRow");
  ASSERT_EQ(rows.size(), 6u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][1], "2");
    EXPECT_EQ(rows[i][2], std::to_string(i));
  }
  EXPECT_EQ(result->distinctRows, 6);
  EXPECT_EQ(Count("StatisticClusterpts"), 2);
}

// The statistics table must describe the cluster table it was written with: per cluster, the
// weighted sums of the rows that ended there, however they moved (many rows of a block moving
// to one cluster are stored by several statements).
TEST_F(ClusteringJobTest, StatisticsAgreeWithTheFinalClusters) {
  for (const int n : {90, 6000}) {
    const std::string table = "mix" + std::to_string(n);
    Table rows;
    for (int i = 0; i < n; ++i) {
      rows.push_back({std::to_string(i % 13), std::to_string((i * 7) % 11 - 5),
                      std::to_string(i % 3 == 0 ? 40 : i % 1000)});
    }
    ASSERT_TRUE(source_.BeginTransaction());
    MakeTable(table, {"a", "b", "c"}, {"integer", "integer", "integer"}, rows);
    ASSERT_TRUE(source_.Commit());
    auto result = Cluster(table, 3);
    ASSERT_TRUE(result.ok()) << result.status().message();
    ASSERT_GT(result->moves, n / 10) << table;
    const Table expected = Rows(
        "select NumberClustering, sum(Frequence*a), sum(Frequence*a*a), sum(Frequence*b), "
        "sum(Frequence*b*b), sum(Frequence), count(*) from Cluster" +
        table + " group by NumberClustering order by NumberClustering");
    const Table stats = Rows(
        "select [Number Clustering], a_Som, a_SomSq, b_Som, b_SomSq, N, NumberOfIndividuals from "
        "StatisticCluster" +
        table + " order by [Number Clustering]");
    std::map<std::string, std::vector<std::string>> byCluster;
    for (const auto& row : stats) byCluster[row[0]] = row;
    for (const auto& row : expected) {
      ASSERT_TRUE(byCluster.count(row[0])) << row[0];
      for (size_t j = 1; j < row.size(); ++j)
        EXPECT_DOUBLE_EQ(std::stod(byCluster[row[0]][j]), std::stod(row[j])) << table << " " << j;
    }
    EXPECT_EQ(Rows("select sum(N), sum(NumberOfIndividuals) from StatisticCluster" + table)[0],
              (std::vector<std::string>{std::to_string(n), std::to_string(result->distinctRows)}));
  }
}

TEST_F(ClusteringJobTest, MoreClustersThanRowsLeavesEmptyClusters) {
  MakeTable("three", {"v"}, {"float"}, {{"1"}, {"5"}, {"9"}});
  auto result = Cluster("three", 5);
  ASSERT_TRUE(result.ok()) << result.status().message();
  // Draws from seed 1 are 41, 18467, 6334: clusters 1, 2 and 4. Rows alone in their cluster stay.
  EXPECT_EQ(Rows("select NumberClustering from Clusterthree order by IdRow"),
            (Table{{"1"}, {"2"}, {"4"}}));
  EXPECT_EQ(
      Rows("select [Number Clustering], N, NumberOfIndividuals, v_Som from StatisticClusterthree "
           "where N = 0 order by 1"),
      (Table{{"0", "0", "0", "0"}, {"3", "0", "0", "0"}}));
  EXPECT_EQ(result->blockRows, 1);
}

TEST_F(ClusteringJobTest, TwentyFiveDistinctRowsRefineInBlocksOfThree) {
  MakePoints(25);
  auto result = Cluster("pts", 4);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->distinctRows, 25);
  EXPECT_EQ(result->blockRows, 3);
}

TEST_F(ClusteringJobTest, StatisticsAreWrittenInExponentForm) {
  ClusterStats stats;
  stats.Som = {-12.5};
  stats.SomSq = {156.25};
  stats.Number = 3;
  stats.W = 2;
  stats.N = 1;
  EXPECT_EQ(
      StatisticRowInsertSql("t", stats),
      "insert into[StatisticClustert] values (-0.125000000000E2,0.1562500000000E3,0.30000000000E1,"
      "0.20000000000E1,0.10000000000E1)");
  // Negative sums come back from the database as the numbers they are.
  MakeTable("neg", {"v"}, {"float"}, {{"-2.5"}, {"-2.5"}, {"-4"}});
  ASSERT_TRUE(Cluster("neg", 1).ok());
  EXPECT_EQ(Rows("select v_Som, v_SomSq, N from StatisticClusterneg"),
            (Table{{"-9", "28.5", "3"}}));
}

TEST_F(ClusteringJobTest, SameTableGivesSameClustersAgain) {
  MakePoints(30);
  ASSERT_TRUE(Cluster("pts", 3).ok());
  const Table first = Rows("select * from Clusterpts order by IdRow");
  ASSERT_TRUE(Cluster("pts", 3).ok());
  EXPECT_EQ(Rows("select * from Clusterpts order by IdRow"), first);
}

TEST_F(ClusteringJobTest, EmptiesTheConnectRecord) {
  MakePoints(3);
  ASSERT_GT(std::filesystem::file_size(WorkingFile("prova.txt")), 0u);
  ASSERT_TRUE(Cluster("pts", 2).ok());
  EXPECT_EQ(std::filesystem::file_size(WorkingFile("prova.txt")), 0u);
}

TEST_F(ClusteringJobTest, BadParametersChangeNothing) {
  MakePoints(3);
  MakeTable("named", {"name", "v"}, {"string", "float"}, {{"a", "1"}});
  for (auto [table, k] :
       std::vector<std::pair<std::string, int>>{{"pts", 0}, {"", 2}, {"pts", -1}}) {
    auto result = Cluster(table, k);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.status().message(), kInsertParameters);
  }
  auto result = Cluster("named", 2);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().code(), StatusCode::kInvalidArgument);
  result = Cluster("nosuch", 2);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().code(), StatusCode::kNotFound);
  for (const char* table : {"Clusterpts", "StatisticClusterpts", "Clusternamed", "Clusternosuch"}) {
    EXPECT_FALSE(source_.TableExists(table)) << table;
  }
  EXPECT_EQ(ReadClusterNumber("05"), 5);
  EXPECT_EQ(ReadClusterNumber("5a"), 0);
  EXPECT_EQ(ReadClusterNumber(""), 0);
  EXPECT_EQ(ReadClusterNumber("-3"), 0);
  EXPECT_EQ(ReadClusterNumber("0000000000007"), 7);
  EXPECT_EQ(Cluster("pts", ReadClusterNumber("99999999999999999999")).status().message(),
            kInsertParameters);
}

TEST_F(ClusteringJobTest, FailureKeepsTheEarlierResults) {
  MakePoints(4);
  ASSERT_TRUE(Cluster("pts", 2).ok());
  const Table before = Rows("select * from Clusterpts order by IdRow");
  // A column named like one the cluster table adds makes its creation fail half way through the
  // job, after the old table was dropped: the transaction brings the old one back.
  ASSERT_TRUE(source_.Execute("alter table pts add column IdRow integer"));
  auto result = Cluster("pts", 2);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().code(), StatusCode::kDatabase);
  EXPECT_EQ(Rows("select * from Clusterpts order by IdRow"), before);
  EXPECT_EQ(Count("StatisticClusterpts"), 2);
}

TEST_F(ClusteringJobTest, OffersTablesWithoutTextColumns) {
  MakePoints(2);
  MakeTable("named", {"name", "v"}, {"string", "float"}, {{"a", "1"}});
  auto tables = ClusterableTables(source_);
  ASSERT_TRUE(tables.ok());
  EXPECT_EQ(*tables, std::vector<std::string>{"pts"});
}

}  // namespace
}  // namespace quarry::cluster
