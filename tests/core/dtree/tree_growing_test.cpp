#include "core/dtree/tree_growing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "core/dtree/branch_cases.h"
#include "core/dtree/error_based_pruning.h"
#include "core/dtree/value_sort.h"
#include "core/treefiles/decision_tree_writer.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

class TreeGrowing : public EngineTest {
 protected:
  std::unique_ptr<TreeNode> Grow() { return GrowNewTree(engine_, 0, engine_.MaxItem()); }
  std::string Text(const TreeNode& tree) {
    return treefiles::DecisionTreeBlocks(tree, engine_.Att());
  }
};

// The textbook tree of the weather example: outlook first, humidity below sunny, windy below
// rain.
constexpr const char* kClassicNumeric =
    "\n-->DISCRETE NODE:  outlook \nMOST FREQUENT CLASS: yes\nERROR: 0.0\nNUMBER OF ITEMS: 14"
    "\n| -->LEAF:  yes[case: outlook = overcast]\n  MOST FREQUENT CLASS: yes\n  ERROR: 0.0\n  "
    "NUMBER OF ITEMS: 4"
    "\n| -->DISCRETE NODE:  windy [case: outlook = rainy]\n  MOST FREQUENT CLASS: yes\n  ERROR: "
    "0.0\n"
    "  NUMBER OF ITEMS: 5"
    "\n| | -->LEAF:  yes[case: windy = false]\n    MOST FREQUENT CLASS: yes\n    ERROR: 0.0\n"
    "    NUMBER OF ITEMS: 3"
    "\n| | -->LEAF:  no[case: windy = true]\n    MOST FREQUENT CLASS: no\n    ERROR: 0.0\n    "
    "NUMBER OF ITEMS: 2"
    "\n| -->CONTINUOUS NODE: humidity  [case: outlook = sunny]\n  MOST FREQUENT CLASS: no\n  "
    "ERROR: 0.0\n"
    "  NUMBER OF ITEMS: 5"
    "\n| | -->LEAF:  yes[case: humidity <= 75 ]\n    MOST FREQUENT CLASS: yes\n    ERROR: 0.0\n"
    "    NUMBER OF ITEMS: 2"
    "\n| | -->LEAF:  no[case: humidity > 75 ]\n    MOST FREQUENT CLASS: no\n    ERROR: 0.0\n"
    "    NUMBER OF ITEMS: 3";

TEST_F(TreeGrowing, TheWeatherExampleGrowsTheClassicTree) {
  LoadGolf();
  auto tree = Grow();
  // Below sunny the cut falls between 70 and 85; the tree stores the highest value of all the
  // cases not above it, 75.
  EXPECT_EQ(Text(*tree), kClassicNumeric);
  EXPECT_EQ(TreeSize(*tree), 8);
  EXPECT_EQ(LeafCount(*tree), 5);
  EXPECT_EQ(TreeDepth(*tree), 2);
  EXPECT_NEAR(tree->GainRatio, 0.156428, 1e-5);  // outlook: gain 0.2467 / split info 1.5774
}

TEST_F(TreeGrowing, PureOrSmallNodesStayLeaves) {
  Load("t", {"x", "c"}, {"real", "string"},
       {{"1", "a"}, {"2", "a"}, {"3", "a"}, {"4", "a"}, {"5", "a"}});
  EXPECT_TRUE(Grow()->IsLeaf());
  EngineTest::MakeRows("u", {"x", "c"}, {"real", "string"}, {{"1", "a"}, {"2", "b"}, {"3", "b"}});
  ASSERT_TRUE(engine_.LoadAttributes("u", source_).ok());
  ASSERT_EQ(engine_.LoadCases("u", source_), 0);
  auto tree = Grow();  // 3 cases < 2 * MINOBJS
  EXPECT_TRUE(tree->IsLeaf());
  EXPECT_EQ(tree->Leaf, 1);
  EXPECT_FLOAT_EQ(tree->Errors(), 1.0f);
}

TEST_F(TreeGrowing, ABranchWithoutCasesIsALeafOfTheParentsClass) {
  // x separates {yes, no} from {maybe}; below, v splits the first group and has no case of r.
  // (Three copies of each row: with fewer cases, a 3-valued attribute counts as one with too
  // many values for its gain to set the average.)
  const std::vector<std::vector<std::string>> group = {
      {"1", "p", "yes"},    {"1", "p", "yes"},    {"1", "q", "no"},     {"1", "q", "no"},
      {"10", "r", "maybe"}, {"10", "p", "maybe"}, {"10", "r", "maybe"}, {"10", "p", "maybe"}};
  std::vector<std::vector<std::string>> rows;
  for (int copy = 0; copy < 3; ++copy) rows.insert(rows.end(), group.begin(), group.end());
  Load("t", {"x", "v", "c"}, {"real", "string", "string"}, rows);
  auto tree = Grow();
  ASSERT_EQ(tree->NodeType, kCutTest);
  const TreeNode& low = tree->Child(1);
  ASSERT_EQ(low.NodeType, kDiscreteTest);
  ASSERT_EQ(low.Forks, 3);
  const TreeNode& empty = low.Child(3);  // value r
  EXPECT_TRUE(empty.IsLeaf());
  EXPECT_EQ(empty.Items(), 0.0f);
  EXPECT_EQ(empty.Errors(), 0.0f);
  EXPECT_EQ(empty.Leaf, low.Leaf);
  EXPECT_EQ(empty.ClassDist, low.ClassDist);
  EXPECT_EQ(engine_.Att().ClassName[static_cast<size_t>(empty.Leaf)],
            "no");  // first of the tied classes
}

TEST_F(TreeGrowing, UnknownValuesGoDownEveryBranchWithAShareOfTheirWeight) {
  std::vector<std::vector<std::string>> rows = GolfRows();
  rows[9][3] = "?";  // a rainy day, class yes, wind unknown
  LoadGolf("golf_data", rows);
  auto tree = Grow();
  ASSERT_EQ(tree->NodeType, kDiscreteTest);
  const TreeNode& rainy = tree->Child(2);
  ASSERT_EQ(rainy.NodeType, kDiscreteTest);
  EXPECT_EQ(engine_.Att().AttName[static_cast<size_t>(rainy.Tested())], "windy");
  // Two known days each way: half the unknown day goes down each branch.
  EXPECT_FLOAT_EQ(rainy.Child(1).Items(), 2.5f);
  EXPECT_FLOAT_EQ(rainy.Child(2).Items(), 2.5f);
  EXPECT_FLOAT_EQ(rainy.Child(2).Errors(), 0.5f);  // the half yes day below windy = true
  EXPECT_FLOAT_EQ(rainy.Errors(), 0.5f);
  // The weights are back to 1 once growing is done.
  for (float w : engine_.Cases.Weight) EXPECT_EQ(w, 1.0f);
}

TEST_F(TreeGrowing, StatisticsCountCollapsedLeaves) {
  LoadGolf();
  auto tree = Grow();
  // Leaves of 2 or fewer items count once more than leaves without errors alone.
  EXPECT_EQ(CollapsedLeafCount(*tree, 2), 7);
  EXPECT_EQ(CollapsedLeafCount(*tree, 1), 5);
}

// With every value known, growing keeps each attribute's cases sorted from the root on and
// leaves equal values in any order: the tree, the report, its pruning and the pruned tree's
// counts are those of the exact order, on a table of many ties (few distinct values, negative
// ones, -0 beside 0, values closer than a cut may separate, two discrete columns, five classes
// that take three bits beside a case's place) large enough for the quick sort of many values,
// under each option that changes the evaluation or the report.
// With an unknown value the exact order is kept, and the cases end in its order. The same for a
// subtree grown from a range of the cases.
TEST_F(TreeGrowing, EqualValuesInAnyOrderGrowTheExactTree) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 3000; ++i) {
    const int x = i * 7919 % 13 - 6;
    const int y = i * i % 29;
    const std::string z = x == 0 && i % 2 ? "-0.0" : std::to_string(x);
    // Groups of five values 0.00003 apart, too close to be cut between; the class follows the
    // place within the group too.
    const int k = i * 31 % 50;
    const std::string w =
        std::to_string(k / 5) + "." + std::to_string(100000 + 3 * (k % 5)).substr(1);
    const int noise = i * 104729 % 17;
    const int u = i * 17 % 4;
    // Five classes, two of them rare.
    const char* cls = noise == 0    ? "b"
                      : i % 97 == 0 ? "d"
                      : i % 89 == 0 ? "e"
                      : (x + y / 4 > 3 || (i % 5 == 1 && k % 5 > 2) || (u == 3 && y % 2 == 0))
                          ? "a"
                          : (y % 3 == 0 || (k / 5) % 3 == 1 ? "b" : "c");
    rows.push_back({z, std::to_string(y / 3.0), w, "v" + std::to_string(i * 13 % 7),
                    "u" + std::to_string(u), cls});
  }
  struct Grown {
    std::string tree, report, pruned;
    std::vector<Case> order;
  };
  auto grow = [&](bool stably) {
    report_.str("");
    SortStablyWhereFree(stably);
    auto tree = Grow();
    SortStablyWhereFree(true);
    Grown grown{DumpTree(*tree), report_.str(), "", engine_.Cases.Item};
    const int verbosity = engine_.Options.VERBOSITY;
    engine_.Options.VERBOSITY = 0;
    ErrorBasedPrune(engine_, *tree, "ties_data");
    engine_.Options.VERBOSITY = verbosity;
    grown.pruned = DumpTree(*tree);
    return grown;
  };
  struct Options {
    bool subset, gainRatio;
    int minObjs, verbosity;
  };
  // Five classes, three (the rare ones folded into another) and five with an unknown value.
  struct Variant {
    const char* table;
    bool threeClasses, unknown;
  };
  for (const Variant variant :
       {Variant{"ties_data", false, false}, Variant{"three_data", true, false},
        Variant{"unknown_data", false, true}}) {
    const bool unknown = variant.unknown;
    std::vector<std::vector<std::string>> data = rows;
    for (std::vector<std::string>& row : data) {
      if (variant.threeClasses && (row.back() == "d" || row.back() == "e")) row.back() = "c";
    }
    if (unknown) data[1234][1] = "?";
    Load(variant.table, {"x", "y", "w", "s", "u", "cls"},
         {"real", "real", "real", "string", "string", "string"}, data);
    const std::vector<Case> loaded = engine_.Cases.Item;
    for (const Options options : {Options{false, true, 2, 0}, Options{true, true, 2, 2},
                                  Options{false, false, 7, 2}, Options{false, true, 2, 3}}) {
      SCOPED_TRACE(::testing::Message() << variant.table << " subset " << options.subset
                                        << " gain ratio " << options.gainRatio << " minimum "
                                        << options.minObjs << " verbosity " << options.verbosity);
      engine_.Options.SUBSET = options.subset;
      engine_.Options.GAINRATIO = options.gainRatio;
      engine_.Options.MINOBJS = options.minObjs;
      engine_.Options.VERBOSITY = options.verbosity;
      engine_.Cases.Item = loaded;
      const Grown exact = grow(false);
      engine_.Cases.Item = loaded;
      const Grown any = grow(true);
      EXPECT_GT(TreeSize(*Grow()), 20);
      EXPECT_EQ(any.tree, exact.tree);
      EXPECT_EQ(any.report, exact.report);
      EXPECT_EQ(any.pruned, exact.pruned);
      EXPECT_EQ(any.order == exact.order, unknown);
      // A subtree grown from cases inside the set, as the iterative method regrows a leaf's.
      auto growPart = [&](bool stably) {
        SortStablyWhereFree(stably);
        engine_.Cases.Item = loaded;
        engine_.ResetWeights();
        engine_.AllKnown = true;
        engine_.AnyOrderAmongEquals = OrderAmongEqualsFree(engine_, 500, 2499);
        TreeNode part;
        GrowTree(engine_, part, 500, 2499);
        engine_.AnyOrderAmongEquals = false;
        SortStablyWhereFree(true);
        return DumpTree(part);
      };
      EXPECT_EQ(growPart(true), growPart(false));
    }
  }
}

// A split's branches read each case's cell once and find its cases of unknown outcome again by
// address: after every step, and after each branch's walk has shuffled its range, the cases
// (with their weights) must lie exactly where partitioning by the test puts them, for a cut, a
// discrete test and groups of values that leave some values to no branch.
TEST_F(TreeGrowing, BranchesTakeTheCasesWherePartitioningPutsThem) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 400; ++i) {
    rows.push_back({i % 7 == 3 ? "?" : std::to_string(i * 37 % 11),
                    i % 5 == 1 ? "?" : "v" + std::to_string(i * 13 % 4), i % 3 ? "a" : "b"});
  }
  Load("split_data", {"x", "d", "cls"}, {"real", "string", "string"}, rows);
  for (size_t i = 0; i < engine_.Cases.Weight.size(); ++i)
    engine_.Cases.Weight[i] = 1.0f / static_cast<float>(i + 1);
  const std::vector<Case> loaded = engine_.Cases.Item;
  const std::vector<float> weights = engine_.Cases.Weight;
  TreeNode cut;
  cut.NodeType = kCutTest;
  cut.SetForks(2);
  cut.Cont.Tested = 0;
  cut.Cont.Cut = 5;
  TreeNode discrete;
  discrete.NodeType = kDiscreteTest;
  discrete.SetForks(4);
  discrete.Discr.Tested = 1;
  discrete.Discr.Kind = kDiscreteTest;
  TreeNode groups;
  groups.NodeType = kSubsetTest;
  groups.SetForks(2);
  groups.Discr.Tested = 1;
  groups.Discr.Kind = kSubsetTest;
  groups.Discr.Subset.assign(3, ValueSet(ValueSetBytes(4), 0));
  AddToSet(groups.Discr.Subset[1], 2);
  AddToSet(groups.Discr.Subset[2], 1);
  AddToSet(groups.Discr.Subset[2], 4);  // value 3 goes nowhere
  for (const TreeNode* node : {&cut, &discrete, &groups}) {
    // Each run records the cases' order after every step.
    auto run = [&](bool byBranches) {
      engine_.Cases.Item = loaded;
      engine_.Cases.Weight = weights;
      std::mt19937 random(5);
      std::vector<std::vector<Case>> orders;
      const int fp = 20;
      const int lp = 380;
      std::optional<BranchCases> branches;
      if (byBranches) branches.emplace(engine_, *node, fp, lp, true);
      const int kp = byBranches ? branches->Kp() : engine_.PartitionCases(*node, 0, fp, lp) + 1;
      orders.push_back(engine_.Cases.Item);
      for (int v = 1; v <= node->Forks; ++v) {
        const int ep = byBranches ? branches->Take(v) : engine_.PartitionCases(*node, v, kp, lp);
        orders.push_back(engine_.Cases.Item);
        for (int i = ep; i > fp; --i)
          engine_.SwapCases(i, fp + static_cast<int>(random() % (i - fp + 1)));
        byBranches ? branches->GatherUnknown(ep) : (void)engine_.PartitionCases(*node, 0, fp, ep);
        orders.push_back(engine_.Cases.Item);
      }
      EXPECT_GT(kp, fp + 40);
      for (size_t i = 0; i < loaded.size(); ++i)
        EXPECT_EQ(engine_.Cases.Weight[i],
                  weights[std::find(loaded.begin(), loaded.end(), engine_.Cases.Item[i]) -
                          loaded.begin()]);
      return orders;
    };
    EXPECT_EQ(run(true), run(false)) << "test " << node->NodeType;
    // The class weights and their total taken on the way are those of a pass before any move.
    engine_.Cases.Item = loaded;
    engine_.Cases.Weight = weights;
    engine_.AllKnown = false;
    std::vector<float> plain(2, 0.0f);
    std::vector<float> taken(2, 0.0f);
    for (int i = 20; i <= 380; ++i)
      plain[static_cast<size_t>(engine_.ClassOfItem(i))] += weights[static_cast<size_t>(i)];
    const float total = engine_.CountWeight(20, 380);
    float items = 0;
    BranchCases(engine_, *node, 20, 380, true, taken.data(), &items);
    EXPECT_EQ(taken, plain);
    EXPECT_EQ(items, total);
    engine_.AllKnown = true;
  }
}

}  // namespace
}  // namespace quarry::dtree
