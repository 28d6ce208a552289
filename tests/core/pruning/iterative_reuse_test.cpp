// The iterative method keeps each half loaded and copies subtrees grown before from the same
// cases; neither may change a step, a tree or a line of the report.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "core/data/rand.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"
#include "core/dtree/value_sort.h"
#include "core/pruning/iterative_growing_pruning.h"
#include "core/pruning/regrowth_cache.h"
#include "tests/core/pruning/pruning_test_support.h"

namespace quarry::pruning {
namespace {

// Noisy cases of two continuous attributes and a discrete one, many values unknown (or none).
std::vector<std::vector<std::string>> NoisyRows(Rand& rand, int n, bool unknowns = true) {
  std::vector<std::vector<std::string>> rows;
  const char* values[] = {"p", "q", "r", "s"};
  auto maybe = [&rand, unknowns](std::string text) {
    return unknowns && rand.Next() % 8 == 0 ? "?" : text;
  };
  for (int i = 0; i < n; ++i) {
    const int x = rand.Next() % 100;
    const int y = rand.Next() % 50;
    const int d = rand.Next() % 4;
    int c = (x < 40 ? 0 : y < 20 ? 1 : 2) + (d == 3 ? 1 : 0);
    if (rand.Next() % 3 == 0) c = rand.Next() % 3;
    rows.push_back({maybe(std::to_string(x)), maybe(std::to_string(y) + ".5"), maybe(values[d]),
                    std::string(1, "abc"[c % 3])});
  }
  return rows;
}

class IterativeReuse : public PruningTest {
 protected:
  void SetUp() override {
    PruningTest::SetUp();
    Rand rand(7);
    const auto first = NoisyRows(rand, 300);
    auto second = NoisyRows(rand, 300);
    second[5].back() = "z";  // a class the first half does not know: a message at every read
    auto whole = first;
    whole.insert(whole.end(), second.begin(), second.end());
    const std::vector<std::string> names = {"x", "y", "d", "c"};
    const std::vector<std::string> types = {"real", "real", "string", "string"};
    MakeRows("t_train1", names, types, first);
    MakeRows("t_train2", names, types, second);
    MakeRows("t_train", names, types, whole);
    ASSERT_TRUE(engine_.LoadAttributes("t_train1", source_).ok());
    ASSERT_EQ(engine_.LoadCases("t_train1", source_), 0);
  }

  // The cells of the loaded cases, in their order.
  static std::vector<int32_t> Cells(const dtree::InductionEngine& engine) {
    std::vector<int32_t> cells;
    for (dtree::Case c : engine.Cases.Item) {
      for (int a = 0; a <= engine.MaxAtt() + 1; ++a) cells.push_back(c[a].discr);
    }
    return cells;
  }
  // The cells of `table` read afresh.
  std::vector<int32_t> FreshCells(const std::string& table) {
    std::ostringstream report;
    dtree::InductionEngine fresh(report);
    EXPECT_TRUE(fresh.LoadAttributes("t_train1", source_).ok());
    EXPECT_EQ(fresh.LoadCases(table, source_), 0);
    return Cells(fresh);
  }

  PruningContext Context() { return PruningContext{engine_, source_, "t_train1", ""}; }
};

TEST_F(IterativeReuse, ACopyIsWhatGrowingThereGivesAndOnlyTheSameCasesHit) {
  engine_.Options.MINOBJS = 2;
  engine_.Options.SUBSET = true;
  // Weights as an unknown value above the leaves leaves them.
  for (int i = 0; i <= engine_.MaxItem(); i += 7)
    engine_.Cases.Weight[static_cast<size_t>(i)] = 0.3f;
  engine_.AllKnown = false;
  const std::vector<dtree::Case> items = engine_.Cases.Item;
  const std::vector<float> weights = engine_.Cases.Weight;
  auto restore = [&] {
    engine_.Cases.Item = items;
    engine_.Cases.Weight = weights;
  };
  // Leaves that differ in what growing leaves alone.
  auto staleLeaf = [](float alfa, float cut, int tested) {
    auto leaf = Leaf(3, 4, 1);
    leaf->alfa = alfa;
    leaf->GainRatio = alfa / 2;
    leaf->Cont.Cut = leaf->Cont.Lower = cut;
    leaf->Cont.Tested = leaf->Discr.Tested = static_cast<int16_t>(tested);
    leaf->Discr.Subset.assign(3, dtree::ValueSet{static_cast<uint8_t>(tested)});
    return leaf;
  };
  const int first = 3;
  const int last = engine_.MaxItem();

  RegrowthCache cache;
  auto a = staleLeaf(1, 10, 1);
  cache.Grow(engine_, *a, first, last);
  ASSERT_EQ(cache.Hits(), 0);
  ASSERT_FALSE(a->IsLeaf());
  const std::vector<dtree::Case> itemsAfter = engine_.Cases.Item;
  const std::vector<float> weightsAfter = engine_.Cases.Weight;

  restore();
  auto grown = staleLeaf(2, 20, 2);
  dtree::GrowTree(engine_, *grown, first, last);
  restore();
  auto copied = staleLeaf(2, 20, 2);
  cache.EndStep();
  cache.Grow(engine_, *copied, first, last);
  EXPECT_EQ(cache.Hits(), 1);
  EXPECT_EQ(dtree::DumpTree(*copied), dtree::DumpTree(*grown));
  EXPECT_EQ(engine_.Cases.Item, itemsAfter);
  EXPECT_EQ(0, std::memcmp(engine_.Cases.Weight.data(), weightsAfter.data(),
                           weightsAfter.size() * sizeof(float)));

  // A weight one step of rounding away, two cases exchanged, or another start: grown afresh.
  auto expectGrown = [&](int from) {
    const std::vector<dtree::Case> before = engine_.Cases.Item;
    const std::vector<float> beforeWeights = engine_.Cases.Weight;
    auto fresh = staleLeaf(3, 30, 3);
    dtree::GrowTree(engine_, *fresh, from, last);
    engine_.Cases.Item = before;
    engine_.Cases.Weight = beforeWeights;
    auto viaCache = staleLeaf(3, 30, 3);
    cache.Grow(engine_, *viaCache, from, last);
    EXPECT_EQ(cache.Hits(), 1);
    EXPECT_EQ(dtree::DumpTree(*viaCache), dtree::DumpTree(*fresh));
  };
  restore();
  engine_.Cases.Weight[10] = std::nextafter(engine_.Cases.Weight[10], 2.0f);
  expectGrown(first);
  restore();
  std::swap(engine_.Cases.Item[20], engine_.Cases.Item[21]);
  expectGrown(first);
  restore();
  expectGrown(first + 1);

  // Subtrees no step used for a while are let go.
  for (int step = 0; step < 3; ++step) cache.EndStep();
  restore();
  auto late = staleLeaf(2, 20, 2);
  cache.Grow(engine_, *late, first, last);
  EXPECT_EQ(cache.Hits(), 1);
  EXPECT_EQ(dtree::DumpTree(*late), dtree::DumpTree(*grown));
}

TEST_F(IterativeReuse, StepsTreesAndReportAreThoseOfReadingAndGrowingAfresh) {
  engine_.Options.MINOBJS = 2;
  const auto grown = dtree::GrowNewTree(engine_, 0, engine_.MaxItem());
  const PruningContext ctx = Context();
  // With a trace of the growing too, which copies would leave out of the report.
  for (int verbosity : {0, 1}) {
    engine_.Options.VERBOSITY = verbosity;
    std::string reports[2];
    std::string trees[2];
    for (bool reuse : {false, true}) {
      ASSERT_EQ(engine_.LoadCases("t_train1", source_), 0);
      report_.str("");
      auto tree = dtree::CopyTree(*grown);
      ASSERT_TRUE(IterativeGrowingPruning(ctx, *tree, reuse).ok());
      reports[reuse] = report_.str();
      trees[reuse] = dtree::DumpTree(*tree);
      // The whole training set is loaded afterwards, as read.
      EXPECT_EQ(Cells(engine_), FreshCells("t_train"));
    }
    const size_t at = reports[0].find("AT STEP = ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::stoi(reports[0].substr(at + 10)), 6);  // enough steps to come back to a half
    EXPECT_TRUE(reports[1] == reports[0]) << "verbosity " << verbosity;
    EXPECT_TRUE(trees[1] == trees[0]) << "verbosity " << verbosity;

    // A limit on the steps ends the method there with that step's pruned tree: the report is
    // the unlimited one up to that step's pruned tree, then says why it stopped.
    ASSERT_EQ(engine_.LoadCases("t_train1", source_), 0);
    report_.str("");
    auto limited = dtree::CopyTree(*grown);
    ASSERT_TRUE(IterativeGrowingPruning(ctx, *limited, true, 3).ok());
    const std::string report = report_.str();
    const std::string prunedHeader = "\n\n\nPRUNED TREE\n\n";
    const size_t step4 = reports[0].find("STEP NUMBER 4 ");
    ASSERT_NE(step4, std::string::npos);
    const size_t step3End = reports[0].rfind(prunedHeader, step4) + prunedHeader.size();
    EXPECT_EQ(report.substr(0, step3End), reports[0].substr(0, step3End));
    EXPECT_NE(report.find("STEP LIMIT: no two pruned trees in a row had as many leaves in 3 steps"),
              std::string::npos);
    EXPECT_NE(report.find("AT STEP = 3\n"), std::string::npos);
    EXPECT_EQ(report.find("STEP NUMBER 4 "), std::string::npos);
    EXPECT_EQ(Cells(engine_), FreshCells("t_train"));
  }
}

// Where a leaf's cases hold no unknown value and weigh 1 each, its regrowth sorts equal values in
// any order, as growing a new tree does: the cases end in another order than the exact sort
// leaves them in, and the steps, trees and report are those of the exact order. A leaf with an
// unknown value below it keeps the exact order.
TEST_F(IterativeReuse, KnownValuesRegrowAsANewTreeGrowsAndChangeNothing) {
  Rand rand(11);
  const std::vector<std::string> names = {"x", "y", "d", "c"};
  const std::vector<std::string> types = {"real", "real", "string", "string"};
  const auto first = NoisyRows(rand, 400, false);
  const auto second = NoisyRows(rand, 400, false);
  auto whole = first;
  whole.insert(whole.end(), second.begin(), second.end());
  MakeRows("k_train1", names, types, first);
  MakeRows("k_train2", names, types, second);
  MakeRows("k_train", names, types, whole);
  engine_.Options.MINOBJS = 2;
  for (const std::string table : {"k_train1", "t_train1"}) {
    ASSERT_TRUE(engine_.LoadAttributes(table, source_).ok());
    ASSERT_EQ(engine_.LoadCases(table, source_), 0);
    const auto grown = dtree::GrowNewTree(engine_, 0, engine_.MaxItem());
    std::string reports[2], trees[2], regrown[2];
    std::vector<int32_t> order[2];
    for (const bool stably : {false, true}) {
      dtree::SortStablyWhereFree(stably);
      ASSERT_EQ(engine_.LoadCases(table, source_), 0);
      engine_.ResetWeights();
      engine_.AllKnown = true;
      auto root = dtree::CopyTree(*grown);
      root->MakeLeaf(grown->ClassDist, grown->Leaf, grown->Items(), grown->Errors());
      RegrowLeaves(engine_, *root, 0, engine_.MaxItem());
      regrown[stably] = dtree::DumpTree(*root);
      order[stably] = Cells(engine_);

      ASSERT_EQ(engine_.LoadCases(table, source_), 0);
      report_.str("");
      auto tree = dtree::CopyTree(*grown);
      const PruningContext ctx{engine_, source_, table, ""};
      const Status pruned = IterativeGrowingPruning(ctx, *tree);
      dtree::SortStablyWhereFree(true);
      ASSERT_TRUE(pruned.ok());
      reports[stably] = report_.str();
      trees[stably] = dtree::DumpTree(*tree);
    }
    const bool known = table == "k_train1";
    EXPECT_EQ(order[1] == order[0], !known) << table;
    EXPECT_EQ(regrown[1], regrown[0]) << table;
    EXPECT_TRUE(reports[1] == reports[0]) << table;
    EXPECT_EQ(trees[1], trees[0]) << table;
    const size_t at = reports[0].find("AT STEP = ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::stoi(reports[0].substr(at + 10)), 3) << table;
  }
}

}  // namespace
}  // namespace quarry::pruning
