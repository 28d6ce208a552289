#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

// Each test has its own working folder, so the sample database is a fresh copy.
class CliTest : public testing::CliFixture {};

TEST_F(CliTest, ListsSampleTablesAndColumns) {
  auto run = Run({"tables"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* table : {"golf_data", "golf_test", "golf_prune", "wave_data", "loan_data",
                            "growth_data", "baskets"}) {
    EXPECT_NE(run.out.find(std::string(table) + "\n"), std::string::npos) << table;
  }
  run = Run({"columns", "golf_data"});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "outlook\tstring\ntemperature\tfloat\nhumidity\tfloat\nwindy\tstring\nplay\tstring\n");
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("sample.sqlite")));
}

TEST_F(CliTest, MaterializeImportExportSplitPartition) {
  auto run =
      Run({"materialize", "select * from golf_data where play = 'yes'", "--name", "golf_yes"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Run({"materialize", "select * from golf_data", "--name", "golf_yes"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("The table already exists,overwrite?"), std::string::npos);

  run = Run({"export", "golf_yes", "golf_yes.txt"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_TRUE(std::filesystem::exists(WorkingFile("golf_yes.txt")));
  run = Run({"import", "golf_yes.txt", "--table", "golf_again"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("9 rows imported into golf_again"), std::string::npos);
  // CSV by the file's extension or by --csv; the table named after the file by default.
  Write("scores.csv", "who,score\nann,1.5\nbob\n\"c, d\",x,y\n");
  run = Run({"import", "scores.csv"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "columns: who string, score string\n3 rows imported into scores\n"
            "1 short rows (fewer values than columns) imported with NULL for the rest: line 3\n"
            "1 long rows (more values than columns) imported without the extra values: line 4\n");
  Write("more.txt", "who,score\nann,1.5\n");
  run = Run({"import", "--csv", "more.txt", "--table", "more"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Run({"columns", "more"}).out, "who\tstring\nscore\tfloat\n");
  EXPECT_NE(
      Run({"import", "--csv", "more.txt", "--table", ""}).err.find("a table name cannot be empty"),
      std::string::npos);

  run = Run({"split", "golf_data", "", "g30", "70"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("a table name cannot be empty"), std::string::npos);
  run = Run({"split", "golf_data", "g70", "g30", "70"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Query("select count(*) from g70"), "COUNT(*)\n9\n");
  run = Run({"partition", "golf_data", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Run({"query", "select count(*) from golf_data_escluso_0"}).exitCode, 0);
}

TEST_F(CliTest, BadUsageAndBadDatabases) {
  EXPECT_EQ(Run({}).exitCode, 2);
  EXPECT_EQ(Run({"nonsense"}).exitCode, 2);
  EXPECT_EQ(Run({"split", "golf_data", "a", "b", "150"}).exitCode, 2);
  const auto missing = folder_.path() / "missing.sqlite";
  auto run = Run({"--db", missing.string(), "tables"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("invalid Data Source"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
  // A password with ";" and no braces leaves no part of itself in prova.txt.
  run = Run({"--db", "DRIVER=NoSuchDriver;PWD=hush;secret", "tables"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.find("hush"), std::string::npos);
  std::ifstream prova(WorkingFile("prova.txt"));
  std::string recorded;
  std::getline(prova, recorded);
  EXPECT_EQ(recorded, "DRIVER=NoSuchDriver;PWD=********");
}

}  // namespace
}  // namespace quarry
