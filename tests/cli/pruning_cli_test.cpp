#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class PruningCliTest : public testing::CliFixture {};

// The sample database has the tables of every method, so each runs at once.
TEST_F(PruningCliTest, EveryMethodRunsOnTheSampleTables) {
  const std::vector<std::pair<std::string, std::string>> headings = {
      {"reduced-error", "PRUNED TREE (REDUCED ERROR PRUNING)"},
      {"grafting", "PRUNED OR GRAFTED TREE"},
      {"pessimistic", "PRUNED TREE (PESSIMISTIC ERROR PRUNING 1SE)"},
      {"critical-value", "BEST PRUNED TREE (CRITICAL VALUE PRUNING METHOD)"},
      {"minimum-error", "BEST PRUNED TREE (MINIMUM ERROR PRUNING METHOD)"},
      {"ecp-1se", "PRUNED TREE (ERROR COMPLEXITY PRUNING 1SE PRUNING SET)"},
      {"ecp-test", "PRUNED TREE (ERROR COMPLEXITY PRUNING 0SE PRUNING SET)"},
      {"ecp-cv", "PRUNED TREE (ERROR COMPLEXITY PRUNING 0SE CV)"},
      {"ecp-cv-1se", "PRUNED TREE (ERROR COMPLEXITY PRUNING 1SE CV)"},
      {"ecp-new-cv", "Alfa Values for CROSS VALIDATION TREE NUMBER 10"},
      {"ecp-new-cv-1se", "PRUNED TREE (ERROR COMPLEXITY PRUNING 1SE CV)"},
      {"iterative", "BEST TREE (ITERATIVE GROWING AND PRUNING METHOD)"}};
  for (const auto& [method, heading] : headings) {
    const std::string table = method == "iterative" ? "wave_train1" : "wave_data";
    auto run = Run({"dtree", "--table", table, "-u", "--prune", method, "--mvalues", "0.5, 2,8"});
    ASSERT_EQ(run.exitCode, 0) << method << run.err;
    EXPECT_NE(run.out.find(heading), std::string::npos) << method;
    EXPECT_NE(run.out.find("\nEvaluation on test data (100 items):\n"), std::string::npos)
        << method;
    // Every method but the iterative one evaluates on its training table again.
    EXPECT_NE(run.out.find("Evaluation on training data (300 items)"), std::string::npos) << method;
  }
}

TEST_F(PruningCliTest, CompareRunsEveryMethodWhoseTablesExist) {
  auto run = Run({"dtree-compare", "--table", "golf_data", "--mvalues", "1,2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // golf has a pruning and a test table, no halves and no folds.
  EXPECT_NE(run.out.find("\nreduced-error    "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\niterative        skipped: needs golf_train1, golf_train2, golf_train"),
            std::string::npos);
  EXPECT_NE(
      run.out.find("ecp-new-cv       skipped: needs golf_xt1, golf_xs1, golf_xt2 and 17 more"),
      std::string::npos);
  EXPECT_NE(run.out.find("best by test errors: "), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder_.path() / "golf_data_compare.csv"));
  EXPECT_TRUE(std::filesystem::exists(folder_.path() / "golf_data_grafting.rules"));

  run = Run({"dtree-compare", "--table", "golf_data", "--methods", "pessimistic,strongest"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("unknown pruning method strongest"), std::string::npos) << run.err;
  run = Run({"dtree-compare", "--table", "golf_data", "-t", "5"});
  EXPECT_EQ(run.exitCode, 2);
  run = Run({"dtree-compare", "--table", "golf"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("error, not all tables are availables"), std::string::npos);
}

TEST_F(PruningCliTest, BadMethodsAndMValuesAreRefused) {
  auto run = Run({"dtree", "--table", "wave_data", "--prune", "strongest"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("unknown pruning method strongest"), std::string::npos) << run.err;
  run = Run({"dtree", "--table", "wave_data", "--prune", "minimum-error"});
  EXPECT_EQ(run.exitCode, 2);
  run = Run({"dtree", "--table", "wave_data", "--prune", "grafting", "-t", "5"});
  EXPECT_EQ(run.exitCode, 2);
  run = Run({"dtree", "--table", "wave_data", "--prune", "minimum-error", "--mvalues", ",1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("\n\tNo values for m in the file \n"), std::string::npos);
  EXPECT_NE(run.err.find("No values for m in the file"), std::string::npos);
  run = Run({"dtree", "--table", "golf_data", "--prune", "ecp-cv"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("error, not all tables are availables"), std::string::npos);
}

TEST_F(PruningCliTest, CrossValidationPrintsEachFoldAndTheMeans) {
  auto run =
      Run({"dtree-cv", "--table", "wave_data", "--folds", "3", "--prune", "reduced-error", "-u"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\nRaw trees:\ntree 1: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\ntree 3: "), std::string::npos);
  EXPECT_EQ(run.out.find("\ntree 4: "), std::string::npos);
  EXPECT_NE(run.out.find("\n Mean Error on Raw Trees0."), std::string::npos);
  EXPECT_NE(run.out.find("\n Mean Error on Pruned Trees0."), std::string::npos);
  EXPECT_NE(run.out.find("classification trees created"), std::string::npos);
  run = Run({"tables"});
  EXPECT_EQ(run.out.find("escluso"), std::string::npos);
  EXPECT_EQ(run.out.find("wave_data0"), std::string::npos);

  // With more than ten folds, the ten-way parts of one fold's training table must not take the
  // names of later folds' training tables: each of the 12 trains on its own 275 rows.
  run = Run({"dtree-cv", "--table", "wave_data", "--folds", "12", "--prune", "ecp-cv"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  size_t trained = 0;
  for (size_t at = run.out.find("Evaluation on training data ("); at != std::string::npos;
       at = run.out.find("Evaluation on training data (", at + 1)) {
    EXPECT_EQ(run.out.compare(at, 36, "Evaluation on training data (275 ite"), 0);
    ++trained;
  }
  EXPECT_EQ(trained, 12u);

  run = Run({"dtree-cv", "--table", "wave_data", "--folds", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("K fold must be 2 or more"), std::string::npos);
  run = Run({"dtree-cv", "--table", "wave", "--folds", "3"});
  EXPECT_NE(run.err.find("Please, select a *_train1 or *_data table"), std::string::npos);
}

}  // namespace
}  // namespace quarry
