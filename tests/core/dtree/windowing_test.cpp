#include "core/dtree/windowing.h"

#include <gtest/gtest.h>

#include "core/dtree/induction_engine.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

class Windowing : public EngineTest {
 protected:
  // `count` cases of three classes, numbered by x, of 10%, 30% and 60% of the cases.
  void LoadCases(int count) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < count; ++i) {
      const int r = (i * 7919) % 10;
      rows.push_back({std::to_string(i), std::to_string((i * 31) % 17),
                      r == 0  ? "a"
                      : r < 4 ? "b"
                              : "c"});
    }
    Load("w_data", {"x", "y", "c"}, {"real", "real", "string"}, rows);
  }
  std::vector<int> Order() {
    std::vector<int> order;
    for (Case c : engine_.Cases.Item) order.push_back(static_cast<int>(CVal(c, 0)));
    return order;
  }
};

TEST_F(Windowing, SizesAndTargetsFor1000Cases) {
  LoadCases(1000);                         // 100 a, 300 b, 600 c
  EXPECT_EQ(InitialWindow(engine_), 200);  // 1000 / 5 beats 2 * sqrt(1000) = 63.2
  EXPECT_EQ(WindowIncrement(engine_, 200), 40);
  // The targets serve the rarest classes first.
  EXPECT_EQ(SetWindowTargets(engine_, 200), (std::vector<int>{66, 67, 67}));
  EXPECT_EQ(SetWindowTargets(engine_, 900), (std::vector<int>{100, 300, 500}));
  engine_.Options.WINDOW = 300;
  engine_.Options.INCREMENT = 7;
  EXPECT_EQ(InitialWindow(engine_), 300);
  EXPECT_EQ(WindowIncrement(engine_, 300), 7);
}

TEST_F(Windowing, ShuffleDrawsFromTheJobsGenerator) {
  Load("s_data", {"x", "c"}, {"real", "string"}, {{"0", "a"}, {"1", "a"}, {"2", "b"}});
  Rand rand;  // draws 41, 18467, 6334: exchanges 0 with 2, then 1 with 2
  ShuffleCases(engine_, rand);
  EXPECT_EQ(Order(), (std::vector<int>{2, 0, 1}));
}

TEST_F(Windowing, TheWindowHoldsTheTargetsInArrayOrderAndRepeatsOnEveryRun) {
  LoadCases(1000);
  const std::vector<int> targets = SetWindowTargets(engine_, 200);
  const std::vector<int> start = Order();
  Rand first;
  FormWindow(engine_, first, targets);
  const std::vector<int> window = Order();
  int counts[3] = {0, 0, 0};
  for (int i = 0; i < 200; ++i) ++counts[engine_.ClassOfItem(i)];
  EXPECT_EQ(counts[0], 66);
  EXPECT_EQ(counts[1], 67);
  EXPECT_EQ(counts[2], 67);
  // Class by class, the front keeps the order the shuffle left.
  for (int i = 1; i < 66; ++i) EXPECT_EQ(engine_.ClassOfItem(i), 0);

  // A new job: the cases in table order again and a generator of its own.
  ASSERT_EQ(engine_.LoadCases("w_data", source_), 0);
  ASSERT_EQ(Order(), start);
  Rand second;
  FormWindow(engine_, second, targets);
  EXPECT_EQ(Order(), window);
}

TEST_F(Windowing, TrialsGrowUntilNoExceptionAndPickTheFewestPrunedErrors) {
  LoadCases(600);
  engine_.Options.TRIALS = 3;
  engine_.Options.BATCH = false;
  Rand rand;
  TrialTrees trees;
  const int best = BuildBestTree(engine_, rand, "w_data", trees);
  ASSERT_EQ(trees.Trials(), 3);
  for (int t = 0; t < 3; ++t) {
    EXPECT_LE(trees.pruned[static_cast<size_t>(best)]->Errors(),
              trees.pruned[static_cast<size_t>(t)]->Errors());
  }
  const std::string report = report_.str();
  EXPECT_NE(report.find("\n--------\nTrial 2\n--------\n\n"), std::string::npos);
  EXPECT_NE(
      report.find("Cycle   Tree    -----Cases----    -----------------Errors-----------------\n"),
      std::string::npos);
  // Each trial's last cycle leaves no exception outside its window.
  EXPECT_NE(report.find("       0  0.0%"), std::string::npos) << report;
}

}  // namespace
}  // namespace quarry::dtree
