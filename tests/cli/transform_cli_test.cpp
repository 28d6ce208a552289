#include <gtest/gtest.h>

#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class TransformCli : public testing::CliFixture {};

TEST_F(TransformCli, DiscretizeCutsByWidthOrByFrequency) {
  auto run = Run({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals",
                  "3", "--type", "uniform", "--label", "text", "--name", "band"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "The table is updated\n");
  EXPECT_EQ(Query("select band, count(*) as n from golf_data group by band order by 1"),
            "band\tN\n[64.00000,69.00000]\t4\n[70.00000,72.00000]\t4\n[75.00000,85.00000]\t6\n");
  run = Run({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals", "2",
             "--name", "half"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Query("select half, count(*) as n from golf_data group by half order by 1"),
            "half\tN\n1\t8\n2\t6\n");
}

TEST_F(TransformCli, DiscretizeRefusesBadInputAndLeavesTheTable) {
  auto run = Run({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals",
                  "3x", "--name", "b"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Please, insert a correct number of interval\n");
  run = Run({"discretize", "--table", "golf_data", "--column", "outlook", "--intervals", "3",
             "--name", "b"});
  EXPECT_EQ(run.err, "Please, select another field\n");
  run = Run({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals", "3",
             "--name", "play"});
  EXPECT_EQ(run.err, "Name of field not valid\n");
  run = Run({"discretize", "--table", "golf_data", "--column", "nope", "--intervals", "3", "--name",
             "b"});
  EXPECT_EQ(run.err, "Please, select a field\n");
  EXPECT_EQ(Run({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals",
                 "3", "--type", "odd", "--name", "b"})
                .exitCode,
            2);
  EXPECT_EQ(Run({"columns", "golf_data"}).out.find("\nb\t"), std::string::npos);
}

TEST_F(TransformCli, StatsShowsEveryBoxOrOne) {
  auto run = Run({"stats", "--table", "golf_data", "--column", "humidity"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Average: 81.6428571428571\nMode: 70\nMedian: 80 - 85\nSt Deviation: 10.28522\nMin: "
            "65.0\nMax: 96.0\n"
            "Value Number: 10\nMissing Values: 0\n");
  run = Run({"stats", "--table", "golf_data", "--column", "humidity", "--stat", "correlation",
             "--with", "humidity"});
  EXPECT_EQ(run.out, "1.00000\n");
  run = Run({"stats", "--table", "golf_data", "--column", "outlook", "--stat", "average"});
  EXPECT_EQ(run.out, "Not available\n");
  run = Run({"stats", "--table", "loan_data", "--column", "employment", "--stat", "missing"});
  EXPECT_NE(run.out, "0\n");
  EXPECT_EQ(
      Run({"stats", "--table", "golf_data", "--column", "humidity", "--stat", "spread"}).exitCode,
      2);
}

TEST_F(TransformCli, NullsubFillsTheCopyOnly) {
  auto run =
      Run({"nullsub", "--table", "loan_data", "--column", "employment", "--name", "employment2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("missing values replaced by '"), std::string::npos) << run.out;
  EXPECT_EQ(Query("select count(*) as n from loan_data where employment2 is null"), "N\n0\n");
  EXPECT_NE(Query("select count(*) as n from loan_data where employment is null"), "N\n0\n");
  run = Run({"nullsub", "--table", "loan_data", "--column", "employment", "--name", "employment2"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Name of field not valid\n");
}

TEST_F(TransformCli, SampleCopiesAPercentOfTheRows) {
  auto run = Run({"sample", "--table", "wave_data", "--percent", "10", "--name", "wave_sample"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "30 of 300 rows copied into wave_sample\nThe new table in created\n");
  EXPECT_EQ(Query("select count(*) as n from (select distinct * from wave_sample)"), "N\n30\n");
  // Every sampled row is a row of the source.
  EXPECT_EQ(Query("select count(*) as n from wave_sample s where not exists (select 1 from "
                  "wave_data w where "
                  "w.x1 = s.x1 and w.x2 = s.x2 and w.wave = s.wave)"),
            "N\n0\n");
  run = Run({"sample", "--table", "wave_data", "--percent", "101", "--name", "other"});
  EXPECT_EQ(run.err, "Please, insert a correct percent in [0,100]\n");
  run = Run({"sample", "--table", "wave_data", "--percent", "5", "--name", "wave_sample"});
  EXPECT_EQ(run.err, "Please, insert a correct name for the table\n");
}

TEST_F(TransformCli, ScaleMapsOntoTheExtremes) {
  auto run = Run({"scale", "--table", "golf_data", "--column", "temperature", "--inf=-1", "--sup",
                  "1", "--name", "t"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Query("select min(t) as lo, max(t) as hi from golf_data"), "LO\tHI\n-1.0\t1.0\n");
  run = Run({"scale", "--table", "golf_data", "--column", "temperature", "--inf", "1", "--sup", "0",
             "--name", "u"});
  EXPECT_EQ(run.err, "Please, insert extremes with inf<sup\n");
}

TEST_F(TransformCli, ValuesListsValuesOrProbabilities) {
  auto run = Run({"values", "--table", "golf_data", "--column", "outlook"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "\tValue\nValue 1\tsunny\nValue 2\tovercast\nValue 3\trainy\n");
  run = Run({"values", "--table", "golf_data", "--column", "play", "--probability"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "\tValue\tProbability\nValue 1\tno\t0.357142857142857\nValue 2\tyes\t0.642857142857143\n");
}

}  // namespace
}  // namespace quarry
