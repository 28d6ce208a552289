#include <gtest/gtest.h>

#include <fstream>

#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class TreeFilesCliTest : public testing::CliFixture {};

TEST_F(TreeFilesCliTest, ShowTreeFindsTheFileInTheWorkingFolderAndIndentsIt) {
  Write("price.tree",
        "Regression tree\nRead  30 cases, with 1  attributes.\n\n"
        "-->CONTINUOUS NODE: Age \nMEAN: 2.0\nDEVIANCE: 3.0\nNUMBER OF ITEMS: 30\n"
        "| -->LEAF: Price = 1.000000000000000  [case: Age <= 35.500000]\n  MEAN: 1.0\n  DEVIANCE: "
        "0.5\n"
        "  NUMBER OF ITEMS: 12\n"
        "| -->LEAF: Price = 2.000000000000000  [case: Age > 35.500000]\n  MEAN: 2.0\n  DEVIANCE: "
        "0.5\n"
        "  NUMBER OF ITEMS: 18\n\n\nERROR = 1.250000\nSSres/Syy = 0.125000\n");
  auto run = Run({"show-tree", "price"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("CONTINUOUS NODE: Age  (MEAN: 2.0, DEVIANCE: 3.0, NUMBER OF ITEMS: 30)\n"
                         "  LEAF: Price = 1.000000000000000  [case: Age <= 35.500000]"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("3 nodes, 2 leaves, depth 1\nERROR = 1.250000\nSSres/Syy = 0.125000\n"),
            std::string::npos);
}

TEST_F(TreeFilesCliTest, ShowRulesListsEachRule) {
  Write("golf.rules",
        "Decision Tree\nRead  14.000000 cases, with 4  attributes.\n\n"
        "\n-->  Rules1:\n             Number of cases: 14\n             MOST FREQUENT CLASS: yes\n"
        "             ERROR: 5.0\n     IF\n             outlook = sunny \n     THEN\n            "
        "play = yes"
        "\n\n\nERROR = 5.000000\nErrors/N = 0.357143\n");
  auto run = Run({"show-rules", "golf"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(
      run.out.find("Rules1  NUMBER OF CASES: 14  MOST FREQUENT CLASS: yes  ERROR: 5.0\n     IF\n"),
      std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Errors/N = 0.357143"), std::string::npos);
}

TEST_F(TreeFilesCliTest, BadOrMissingFilesFailWithAMessage) {
  Write("broken.tree", "Regression tree");
  auto run = Run({"show-tree", "broken"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "This file hasn't a correct format, please select another.\n");
  run = Run({"show-rules", "nothing"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no rules file nothing"), std::string::npos);
  EXPECT_EQ(Run({"show-tree"}).exitCode, 2);
}

}  // namespace
}  // namespace quarry
