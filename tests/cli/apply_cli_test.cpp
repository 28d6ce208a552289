#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/data/working_folder.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class ApplyCliTest : public testing::CliFixture {
 protected:
  // The count the job appended to a tree file after evaluating it on the test table.
  static std::string TestErrors(const std::string& name) {
    auto tree = treefiles::ReadTreeFile(WorkingFile(name + ".tree"));
    for (const std::string& line : tree->summary) {
      if (line.rfind("errors on test set:  ", 0) == 0) return line.substr(21);
    }
    return "none";
  }
};

// The sample table with unknown values: apply gives the job's counts, and the statements
// model-sql prints run as they stand in the database's own client and give apply's class on
// every row apply does not spread.
TEST_F(ApplyCliTest, ReproducesTheJobAndItsSqlRunsInTheClient) {
  ASSERT_EQ(Run({"dtree", "--table", "loan_data", "-u", "-s"}).exitCode, 0);
  for (const std::string model : {"loan_data", "loan_dataPRUNED"}) {
    auto run = Run({"apply", "--model", model, "--table", "loan_test", "--column", "p",
                    "--leaf-column", "lf", "--overwrite"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("errors: " + TestErrors(model) + " of 100 ("), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("actual"), std::string::npos);
  }
  auto sql = Run({"model-sql", "loan_dataPRUNED", "--table", "loan_test", "--column", "s"});
  ASSERT_EQ(sql.exitCode, 0) << sql.err;
  const auto script = folder_.path() / "score.sql";
  std::ofstream(script) << sql.out;
  const std::string db = WorkingFile("sample.sqlite").string();
  if (std::system("command -v sqlite3 >/dev/null") != 0) GTEST_SKIP() << "no sqlite3 client";
  ASSERT_EQ(std::system(("sqlite3 '" + db + "' < '" + script.string() + "'").c_str()), 0);
  EXPECT_EQ(Query("SELECT count(*) FROM loan_test WHERE (s IS NULL) <> (lf IS NULL) OR s <> p"),
            "COUNT(*)\n0\n");
}

TEST_F(ApplyCliTest, RefusesWithAMessageAndKeepsTheTable) {
  ASSERT_EQ(Run({"dtree", "--table", "golf_data"}).exitCode, 0);
  const std::string before = Query("SELECT * FROM weather_data");
  auto run = Run({"apply", "--model", "golf_data", "--table", "weather_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("temperature is numeric, but weather_data holds text"), std::string::npos)
      << run.err;
  EXPECT_EQ(Query("SELECT * FROM weather_data"), before);
  run = Run({"model-sql", "golf_data.rules"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("hasn't a correct format"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quarry
