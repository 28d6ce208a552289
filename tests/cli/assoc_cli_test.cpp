#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/file_text.h"

namespace quarry {
namespace {

class AssocCliTest : public testing::CliFixture {
 protected:
  static std::string Slurp(const std::string& name) { return testing::FileText(WorkingFile(name)); }
  bool RuleFilesExist() {
    return std::filesystem::exists(WorkingFile("outrules.txt")) ||
           std::filesystem::exists(WorkingFile("assoc.txt"));
  }
};

TEST_F(AssocCliTest, TheThreeAlgorithmsPrintTheSameResult) {
  auto apriori = Run({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.8"});
  ASSERT_EQ(apriori.exitCode, 0) << apriori.err;
  EXPECT_NE(apriori.out.find("Frequent Patterns : \n[bread]  support 0.350000\n"),
            std::string::npos);
  EXPECT_NE(apriori.out.find("Number of transactions: 200\n"), std::string::npos);
  EXPECT_NE(apriori.out.find("Number of items: 12\n"), std::string::npos);
  EXPECT_NE(apriori.out.find("Rule 1: ["), std::string::npos);
  const std::string outrules = Slurp("outrules.txt");
  EXPECT_NE(outrules.find("] supp: 0."), std::string::npos);
  EXPECT_NE(outrules.find(" \n conf: "), std::string::npos);
  EXPECT_TRUE(Slurp("assoc.txt").starts_with("Regola 0 = ["));
  for (const char* algorithm : {"tid", "ais"}) {
    auto other = Run({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.8",
                      "--algorithm", algorithm});
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_EQ(other.out, apriori.out) << algorithm;
    EXPECT_EQ(Slurp("outrules.txt"), outrules);
  }
  auto pruned = Run({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.8",
                     "--algorithm", "ais", "--ais-pruning"});
  EXPECT_EQ(pruned.out, apriori.out);
}

TEST_F(AssocCliTest, BadInputWritesNothing) {
  auto run = Run({"assoc", "--table", "loan_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("binarize the table first"), std::string::npos) << run.err;
  EXPECT_EQ(Run({"assoc", "--table", "baskets", "--support", "1.5"}).exitCode, 1);
  EXPECT_EQ(Run({"assoc", "--table", "baskets", "--confidence", "-1"}).exitCode, 1);
  EXPECT_EQ(Run({"assoc", "--table", "nosuchtable"}).exitCode, 1);
  Write("empty.tax", "# no classes yet\n");
  run = Run({"assoc", "--table", "baskets", "--taxonomy", "empty.tax"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Define a Taxonomy of Attributes,please"), std::string::npos) << run.err;
  run = Run({"assoc", "--table", "baskets", "--filter", "include <Food> ==> *"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no taxonomy"), std::string::npos) << run.err;
  EXPECT_FALSE(RuleFilesExist());
  EXPECT_EQ(Run({"assoc", "--table", "baskets", "--ais-pruning"}).exitCode, 2);
  EXPECT_EQ(Run({"assoc", "--table", "baskets", "--ancestor-pruning"}).exitCode, 2);
  EXPECT_EQ(Run({"assoc", "--table", "baskets", "--taxonomy", "x", "--algorithm", "tid"}).exitCode,
            2);
  EXPECT_EQ(Query("select count(*) from sqlite_master where name like 'BinTable%'"),
            "COUNT(*)\n0\n");
}

TEST_F(AssocCliTest, BinarizedLoansGiveRulesAboutDecisions) {
  auto run = Run({"assoc", "--table", "loan_data", "--binarize", "--support", "0.2", "--confidence",
                  "0.8", "--filter", "include ... ==> decision_Value_*"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("==>  [decision_Value_"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("rules kept by the filter"), std::string::npos);
  // The binarized copy is gone; the table itself is untouched.
  EXPECT_EQ(Query("select count(*) from sqlite_master where name = 'BinTable'"), "COUNT(*)\n0\n");
  EXPECT_EQ(Run({"columns", "loan_data"}).out.find("_Value_"), std::string::npos);
}

TEST_F(AssocCliTest, GeneralizedRulesOverATaxonomyFile) {
  Write("shop.tax",
        "class Products\nclass Food : Products\nclass Drinks : Products\nclass Other : Products\n"
        "attribute bread : Food\nattribute milk : Food\nattribute butter : Food\n"
        "attribute eggs : Food\nattribute cheese : Food\nattribute apples : Food\n"
        "attribute beer : Drinks\nattribute wine : Drinks\nattribute coffee : Drinks\n"
        "attribute tea : Drinks\nattribute diapers : Other\nattribute sugar : Other\n");
  auto run = Run({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.9",
                  "--taxonomy", "shop.tax", "--ancestor-pruning"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Number of items: 16\n"), std::string::npos);
  EXPECT_NE(run.out.find("Taxonomy: 4 classes, 12 attributes, average depth 2.000000"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("[Drinks]  support"), std::string::npos);
  EXPECT_EQ(run.out.find("[bread,Food]"), std::string::npos);
  auto pruned = Run({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.9",
                     "--taxonomy", "shop.tax", "--ancestor-pruning", "--filter",
                     "exclude ... ==> <Products>; include <Food>+ ==> *"});
  ASSERT_EQ(pruned.exitCode, 0) << pruned.err;
  EXPECT_NE(pruned.out.find("rules kept by the filter"), std::string::npos);
}

TEST_F(AssocCliTest, BinarizeAddsValueColumns) {
  auto run = Run({"binarize", "--table", "loan_data", "--column", "housing"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("added housing_Value_own\n"), std::string::npos) << run.out;
  EXPECT_TRUE(run.out.ends_with("Process finished\n"));
  EXPECT_EQ(Run({"query",
                 "select count(*) from loan_data where housing_Value_own = 1 and housing <> 'own'"})
                .out,
            "COUNT(*)\n0\n");
  EXPECT_EQ(Run({"binarize", "--table", "loan_data", "--column", "nope"}).exitCode, 1);
}

}  // namespace
}  // namespace quarry
