// Each method on trees small enough to follow by hand. Trees test x <= cut; classes a (0), b (1).

#include <gtest/gtest.h>

#include <regex>

#include "core/dtree/induction_engine.h"
#include "core/pruning/error_complexity_family.h"
#include "core/pruning/minimum_error_pruning.h"
#include "core/pruning/pruning_context.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/recount_tree.h"
#include "tests/core/pruning/pruning_test_support.h"

namespace quarry::pruning {
namespace {

using CaseRows = std::vector<std::pair<std::string, std::string>>;

const CaseRows kSplitAtFive = {{"1", "a"}, {"2", "a"}, {"3", "a"}, {"4", "a"},
                               {"6", "b"}, {"7", "b"}, {"8", "b"}, {"9", "b"}};

std::vector<int> NodeNumbers(const std::string& report, const std::string& prefix) {
  std::vector<int> numbers;
  const std::regex line(prefix + "([0-9]+)");
  for (auto it = std::sregex_iterator(report.begin(), report.end(), line);
       it != std::sregex_iterator(); ++it) {
    numbers.push_back(std::stoi((*it)[1]));
  }
  return numbers;
}

class ReducedError : public PruningTest {};

TEST_F(ReducedError, PrunesOnTiesKeepsWhatPaysAndReportsKeptNodesAtAnyVerbosity) {
  LoadTraining(kSplitAtFive);
  auto grown = Cut(5, Leaf(4, 0, 0), Leaf(0, 4, 1));
  // Tree: x = 7 is wrong; the root as a leaf (a on the tie of its distribution): x = 6 is wrong.
  MakeCases("t_prune", {{"1", "a"}, {"6", "b"}, {"7", "a"}});
  ASSERT_TRUE(Prune(kReducedErrorPruning, *grown).ok());
  EXPECT_TRUE(result_->IsLeaf());
  EXPECT_FLOAT_EQ(result_->Errors(), 4);  // items less the leaf class's weight
  EXPECT_EQ(Report().find("PRUNED NODE NUMBER"), std::string::npos);  // verbosity 0

  ASSERT_TRUE(source_.DropTable("t_prune"));
  MakeCases("t_prune", {{"1", "a"}, {"6", "b"}});
  ASSERT_TRUE(Prune(kReducedErrorPruning, *grown).ok());
  EXPECT_EQ(dtree::LeafCount(*result_), 2);
  EXPECT_NE(Report().find("\nnot PRUNED NODE NUMBER: 1 \tPRUNED ERRORS: 1 \tNOT PRUNED ERRORS: 0"),
            std::string::npos)
      << Report();
  EXPECT_NE(Report().find("\n\n\nPRUNED TREE (REDUCED ERROR PRUNING)\n\n"), std::string::npos);
  EXPECT_EQ(engine_.MaxItem() + 1, 8);  // the training cases are back
  EXPECT_EQ(dtree::LeafCount(*grown), 2);
}

TEST_F(ReducedError, GraftingPrefersPruningOnATieAndKeepsChildrenThatPay) {
  LoadTraining(kSplitAtFive);
  engine_.Options.VERBOSITY = 1;
  auto grown = Cut(5, Cut(2, Leaf(2, 0, 0), Leaf(0, 2, 1)), Leaf(0, 3, 1));
  // Node 2 as a leaf would misclassify x = 3; at the root grafting node 2 and pruning both
  // leave one error, as the tree does.
  MakeCases("t_prune", {{"1", "a"}, {"2", "b"}, {"3", "b"}});
  ASSERT_TRUE(Prune(kReducedErrorGrafting, *grown).ok());
  EXPECT_TRUE(result_->IsLeaf());
  EXPECT_EQ(result_->Leaf, 1);
  EXPECT_NE(Report().find("\nNot pruned node number: 2 \tNot pruned errors: 1 \tPruned Errors: 2 "),
            std::string::npos)
      << Report();
  EXPECT_NE(Report().find(
                "\nNode number: 1 \tErrors when pruned: 1 \tErrors when not pruned: 1 \tPRUNED"),
            std::string::npos);
  EXPECT_NE(Report().find("\n\nEvaluation on pruning data (3 items): \n"), std::string::npos);
}

TEST_F(ReducedError, EqualGraftsTakeTheHigherBranch) {
  LoadTraining(kSplitAtFive);
  engine_.Options.VERBOSITY = 1;
  auto grown = Cut(5, Cut(2, Leaf(1, 0, 0), Leaf(0, 3, 1)), Cut(8, Leaf(3, 0, 0), Leaf(0, 1, 1)));
  // The tree misses x = 3 and x = 6; each graft misses one of them, pruning both.
  MakeCases("t_prune", {{"1", "a"}, {"9", "b"}, {"6", "b"}, {"3", "a"}});
  ASSERT_TRUE(Prune(kReducedErrorGrafting, *grown).ok());
  ASSERT_EQ(result_->NodeType, dtree::kCutTest);
  EXPECT_FLOAT_EQ(result_->Cont.Cut, 8);
  EXPECT_EQ(dtree::LeafCount(*result_), 2);
  EXPECT_NE(Report().find("\nReplaced node number 1 with node number 3 \tErrors when grafted node "
                          "1: \tErrors when pruned: 2\tErrors when not grafted or pruned: 2 "
                          "\tGRAFTED"),
            std::string::npos)
      << Report();
}

class Pessimistic : public PruningTest {};

TEST_F(Pessimistic, PrunesFaultlessSubtreesAndNumbersPastThem) {
  const CaseRows training = {{"0.5", "a"}, {"1.5", "a"}, {"3", "a"}, {"4", "a"},
                             {"6", "b"},   {"6.5", "b"}, {"8", "b"}, {"9", "b"}};
  LoadTraining(training);
  engine_.Options.VERBOSITY = 1;
  auto grown = Cut(5, Cut(2, Cut(1, Leaf(1, 0, 0), Leaf(1, 0, 0)), Leaf(2, 0, 0)),
                   Cut(7, Leaf(0, 2, 1), Leaf(0, 2, 1)));
  ASSERT_TRUE(Prune(kPessimisticErrorPruning, *grown).ok());
  // Root: n'(t) = 4.5 > n'(Tt) + SE = 2.5 + 1.31; nodes 2 (above node 3) and 4 make no error.
  EXPECT_EQ(dtree::LeafCount(*result_), 2);
  EXPECT_EQ(NodeNumbers(Report(), "PRUNED NODE NUMBER: "), (std::vector<int>{2, 4}));
  EXPECT_NE(Report().find("\nPRUNED NODE NUMBER: 4 \tN(t): 4.00 \tn'(t): 0.50 \tn'(Tt): 1.00 \tSE: "
                          "0.87"),
            std::string::npos)
      << Report();
  EXPECT_EQ(engine_.MaxItem() + 1, 8);

  // Reduced error pruning numbers the same nodes alike (all its lines at verbosity 1).
  MakeCases("t_prune", {{"1", "b"}, {"3", "b"}, {"6", "a"}, {"8", "a"}});
  ASSERT_TRUE(Prune(kReducedErrorPruning, *grown).ok());
  EXPECT_EQ(NodeNumbers(Report(), "PRUNED NODE NUMBER: "), (std::vector<int>{3, 2, 4, 1}));
}

TEST_F(Pessimistic, TheRootItselfMayGo) {
  LoadTraining({{"1", "a"}, {"2", "a"}, {"3", "b"}, {"6", "a"}, {"7", "a"}, {"8", "b"}});
  auto grown = Cut(5, Leaf(2, 1, 0), Leaf(2, 1, 0));
  ASSERT_TRUE(Prune(kPessimisticErrorPruning, *grown).ok());
  EXPECT_TRUE(result_->IsLeaf());
  EXPECT_FLOAT_EQ(result_->Errors(), 2);  // e(t), the errors of the root as a leaf
}

class CriticalValue : public PruningTest {};

TEST_F(CriticalValue, TheThresholdHasAToleranceAndInnerSurvivorsProtectTheirParents) {
  LoadTraining(kSplitAtFive);
  engine_.Options.VERBOSITY = 1;
  MakeCases("t_prune", {{"1", "a"}, {"6", "b"}});
  auto grown = Cut(5, Cut(2, Leaf(2, 0, 0), Leaf(2, 0, 0), 0.0105f), Leaf(0, 4, 1), 0.3f);
  ASSERT_TRUE(Prune(kCriticalValuePruning, *grown).ok());
  const std::string report = Report();
  EXPECT_NE(report.find("\nPRUNED NODE NUMBER: 2 \tGAIN-RATIO: 0.010 \tTHRESHOLD: 0.01"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\nPRUNED NODE NUMBER: 1 \tGAIN-RATIO: 0.300 \tTHRESHOLD: 0.30"),
            std::string::npos);
  // The tree of cv 0.01 makes no error with two leaves: it beats the unpruned tree's tie.
  EXPECT_NE(report.find("\n\n\nBEST PRUNED TREE (CRITICAL VALUE PRUNING METHOD)\nFOR cv=0.01\n\n"),
            std::string::npos);
  EXPECT_EQ(dtree::LeafCount(*result_), 2);

  // A weak root above a strong inner child goes only with that child.
  auto strongChild = Cut(5, Cut(2, Leaf(2, 0, 0), Leaf(0, 2, 1), 0.5f), Leaf(0, 4, 1), 0.005f);
  ASSERT_TRUE(Prune(kCriticalValuePruning, *strongChild).ok());
  EXPECT_EQ(Report().find("GAIN-RATIO: 0.005 \tTHRESHOLD: 0.01"), std::string::npos);
  EXPECT_NE(Report().find("\nPRUNED NODE NUMBER: 1 \tGAIN-RATIO: 0.005 \tTHRESHOLD: 0.50"),
            std::string::npos)
      << Report();
  // No step beats the unpruned tree, which makes no error.
  EXPECT_NE(Report().find("FOR cv=0.00\n\n"), std::string::npos);
  EXPECT_EQ(dtree::LeafCount(*result_), 3);
}

TEST(MinimumErrorValues, ParseAsTheFieldIsWritten) {
  auto parsed = ParseMValues("1, 2,,3");
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed->values, (std::vector<float>{1, 2}));
  parsed = ParseMValues("  0.5 ,8  ");
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed->values, (std::vector<float>{0.5f, 8}));
  EXPECT_TRUE(ParseMValues("").ok());
  EXPECT_TRUE(ParseMValues("   ")->values.empty());
  EXPECT_EQ(ParseMValues("1,two").status().code(), StatusCode::kInvalidArgument);
  EXPECT_EQ(ParseMValues("-1").status().code(), StatusCode::kInvalidArgument);
  std::string many = "1";
  for (int i = 0; i < kMaxMValues; ++i) many += ",2";
  parsed = ParseMValues(many);
  EXPECT_EQ(parsed->values.size(), static_cast<size_t>(kMaxMValues));
  EXPECT_TRUE(parsed->tooMany);
}

TEST(MinimumErrorEstimate, ZeroMIsTheResubstitutionRateAndMPullsTowardThePriors) {
  auto root = Leaf(4, 4, 0);
  auto node = Leaf(3, 1, 0);
  EXPECT_FLOAT_EQ(StaticError(*node, 0, *root), 0.25f);
  // a: (4 - 3 + 0.5 * 2) / 6, b: (4 - 1 + 0.5 * 2) / 6.
  EXPECT_FLOAT_EQ(StaticError(*node, 2, *root), 2.0f / 6);
}

class MinimumError : public PruningTest {};

TEST_F(MinimumError, EachMPrunesAFreshCopyAndTheEmptyListEndsTheJob) {
  LoadTraining(kSplitAtFive);
  MakeCases("t_prune", {{"1", "a"}, {"6", "b"}});
  auto grown = Cut(5, Cut(2, Leaf(2, 0, 0), Leaf(2, 0, 0)), Leaf(0, 4, 1));
  // m = 0: node 2 is pruned (no error either way), the root is kept (4 errors as a leaf).
  ASSERT_TRUE(Prune(kMinimumErrorPruning, *grown, "0, 100").ok());
  EXPECT_EQ(dtree::LeafCount(*result_), 2);
  EXPECT_NE(Report().find("\nNot Pruned Node Number: 1 \tSE(t): 50.00 \tDE(t): 0.00"),
            std::string::npos)
      << Report();
  // m = 100 gives the same tree; the tie goes to the later m.
  EXPECT_NE(Report().find("FOR m=100.000000\n\n"), std::string::npos);
  EXPECT_EQ(engine_.MaxItem() + 1, 8);

  Status s = Prune(kMinimumErrorPruning, *grown, " ");
  EXPECT_EQ(s.code(), StatusCode::kFatal);
  EXPECT_NE(Report().find("\n\tNo values for m in the file \n"), std::string::npos);
  EXPECT_EQ(Prune(kMinimumErrorPruning, *grown, "1;2").code(), StatusCode::kInvalidArgument);
}

class ErrorComplexity : public PruningTest {
 protected:
  // Both inner children cost one error per pruned leaf out of 8 cases: alfa 1/8; the root 1/6.
  void LoadTwoEqualLinks() {
    const CaseRows training = {{"1", "a"}, {"1.5", "a"}, {"2", "a"},   {"3", "b"},
                               {"6", "b"}, {"7", "b"},   {"7.5", "b"}, {"9", "a"}};
    LoadTraining(training);
    grown_ = Cut(5, Cut(2, Leaf(3, 0, 0), Leaf(0, 1, 1)), Cut(8, Leaf(0, 3, 1), Leaf(1, 0, 0)));
  }
  std::unique_ptr<TreeNode> grown_;
};

TEST_F(ErrorComplexity, EqualAlfasArePrunedTogetherAnd1SEChoosesTheSmallerTree) {
  LoadTwoEqualLinks();
  // Members: the grown tree, the two links cut (x <= 5: a, else b), the root leaf (a).
  MakeCases("t_prune",
            {{"1", "b"}, {"6", "a"}, {"1.5", "a"}, {"7", "b"}, {"6.5", "b"}, {"2", "a"}});
  ASSERT_TRUE(Prune(kErrorComplexityTestSet, *grown_).ok());
  const std::string report = Report();
  EXPECT_NE(report.find("\n\nTREE NUMBER 1 Alfa=0.000000 \tEstimated Error rate: 33.33 %\n"
                        "TREE NUMBER 2 Alfa=0.125000 \tEstimated Error rate: 33.33 %\n"
                        "TREE NUMBER 3 Alfa=0.250000 \tEstimated Error rate: 50.00 %\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("TREE NUMBER 4"), std::string::npos);
  // Members 1 and 2 tie: the later, smaller one wins.
  EXPECT_NE(report.find("(ERROR COMPLEXITY PRUNING 0SE PRUNING SET) Number 2\n\n"),
            std::string::npos);
  EXPECT_EQ(dtree::LeafCount(*result_), 2);
  EXPECT_EQ(engine_.MaxItem() + 1, 8);

  // SE = sqrt(66.67 * 33.33 / 6) = 19.25 takes in the root leaf's 50 %.
  ASSERT_TRUE(Prune(kErrorComplexityTestSet1SE, *grown_).ok());
  EXPECT_NE(Report().find("\n\nBEST TREE NUMBER 2 ERROR: 33.33 \tSTANDARD DEVIATION= 19.2450\n\n"),
            std::string::npos)
      << Report();
  EXPECT_NE(Report().find("(ERROR COMPLEXITY PRUNING 1SE PRUNING SET) Number 3\n\n"),
            std::string::npos);
  EXPECT_TRUE(result_->IsLeaf());
}

TEST_F(ErrorComplexity, AFamilyTooLargeEndsTheJobWithItsMessage) {
  LoadTwoEqualLinks();
  std::unique_ptr<TreeNode> recounted = dtree::CopyTree(*grown_);
  RecountTree(engine_, *recounted, 0, engine_.MaxItem());
  PruningContext ctx{engine_, source_, "t_data", ""};
  FamilySettings settings;
  settings.n = 8;
  settings.maxMembers = 1;
  settings.overflowReport = "\n\n\nError -> family of pruned trees too large\n\n";
  auto family = BuildTreeFamily(ctx, *grown_, std::move(recounted), settings);
  EXPECT_EQ(family.status().code(), StatusCode::kFatal);
  EXPECT_EQ(family.status().message(), "Error -> family of pruned trees too large");
  EXPECT_NE(report_.str().find(settings.overflowReport), std::string::npos);
}

class EveryMethod : public PruningTest {};

TEST_F(EveryMethod, ASingleLeafPassesUnchangedAndTheEvaluationCasesAreLoadedAfter) {
  const CaseRows training = {{"1", "a"}, {"2", "a"}, {"3", "b"},
                             {"4", "a"}, {"5", "a"}, {"6", "a"}};
  LoadTraining(training);
  MakeCases("t_prune", {{"1", "a"}, {"2", "b"}, {"9", "b"}});
  for (int v = 1; v <= 10; ++v) {
    MakeCases("t_xt" + std::to_string(v), {{"1", "a"}, {"2", "a"}, {"3", "b"}, {"7", "a"}});
    MakeCases("t_xs" + std::to_string(v), {{"1", "a"}, {"8", "b"}});
  }
  MakeCases("t_train1", training);
  MakeCases("t_train2", {{"1", "a"}, {"2", "b"}, {"9", "b"}});
  MakeCases("t_train", {{"1", "a"}, {"2", "b"}, {"9", "b"}, {"4", "a"}, {"5", "a"}});
  auto grown = Leaf(5, 1, 0);
  for (const PruningMethodInfo& method : PruningMethods()) {
    SCOPED_TRACE(method.cliName);
    const bool halves = UsesTrainingHalves(method.code);
    ASSERT_TRUE(engine_.LoadCases(halves ? "t_train1" : "t_data", source_) == 0);
    ASSERT_TRUE(Prune(method.code, *grown, "1,2", halves ? "t_train1" : "t_data").ok()) << Report();
    EXPECT_TRUE(result_->IsLeaf());
    EXPECT_EQ(result_->Leaf, 0);
    EXPECT_EQ(result_->ClassDist, grown->ClassDist);
    EXPECT_EQ(engine_.MaxItem() + 1, halves ? 5 : 6);
  }
  EXPECT_EQ(Prune(10, *grown).code(), StatusCode::kInvalidArgument);
}

}  // namespace
}  // namespace quarry::pruning
