#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "core/data/rand.h"
#include "core/modeltree/split_evaluation.h"

namespace quarry::modeltree {
namespace {

// Cases held in memory: one row of cells per case, the target last.
class Cases {
 public:
  Cases(int maxAtt, const std::vector<std::vector<float>>& rows) : width_(maxAtt + 2) {
    cells_.resize(rows.size() * width_);
    for (size_t i = 0; i < rows.size(); ++i) {
      for (size_t a = 0; a < width_; ++a) cells_[i * width_ + a].cont = rows[i][a];
      items_.push_back(&cells_[i * width_]);
    }
  }
  CaseRange Range() { return {items_.data(), nullptr, static_cast<int>(items_.size())}; }
  void SetDiscrete(int attribute, const std::vector<int>& values) {
    for (size_t i = 0; i < values.size(); ++i) cells_[i * width_ + attribute].discr = values[i];
  }

 private:
  size_t width_;
  std::vector<dtree::AttValue> cells_;
  std::vector<Case> items_;
};

AttributeTable Continuous(int attributes) {
  AttributeTable att;
  att.MaxAtt = static_cast<int16_t>(attributes - 1);
  for (int a = 0; a <= attributes; ++a) {
    att.AttName.push_back("x" + std::to_string(a));
    att.ValueCount.push_back(0);
    att.ValueName.emplace_back();
    att.Status.push_back(dtree::kContinuous);
  }
  return att;
}

class SplitEvaluationTest : public ::testing::Test {
 protected:
  std::ostringstream report_;
  Distributions stats_{report_};
  StrataParameters params_;
  SplitEvaluator evaluator_{stats_, params_};
};

TEST_F(SplitEvaluationTest, NearlyEqualValuesAreNeverCutApart) {
  // The target jumps between 100.0 and 100.00005, which are one value to the threshold scan.
  std::vector<std::vector<float>> rows;
  for (float x : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 100.0f}) rows.push_back({x, 0.0f});
  for (float x : {100.00005f, 101.0f, 102.0f, 103.0f, 104.0f}) rows.push_back({x, 50.0f});
  Cases cases(0, rows);
  SplitCandidate split =
      evaluator_.EvaluateContinuousSplit(cases.Range(), Continuous(1), 0, SplitMode::kLookAhead);
  ASSERT_TRUE(split.Found());
  const float threshold = static_cast<ContinuousSplit&>(*split.test).threshold;
  EXPECT_FALSE(threshold > 100.0f && threshold < 100.00005f) << threshold;

  // All values alike: there is no cut at all.
  Cases flat(0, {{7.0f, 1.0f}, {7.0f, 2.0f}, {7.0000001f, 3.0f}});
  EXPECT_FALSE(
      evaluator_.EvaluateContinuousSplit(flat.Range(), Continuous(1), 0, SplitMode::kAccept)
          .Found());
}

TEST_F(SplitEvaluationTest, RunningSumsFindTheCutABruteForceScanFinds) {
  Rand rand;
  std::vector<std::vector<float>> rows;
  for (int i = 0; i < 80; ++i) {
    const float x0 = static_cast<float>(rand.Next() % 500);
    const float x1 = static_cast<float>(rand.Next() % 300) / 7.0f;
    const float x2 = static_cast<float>(rand.Next() % 100);
    const float y = (x0 < 250 ? 3 * x1 : 40 - x2) + static_cast<float>(rand.Next() % 100) / 10.0f;
    rows.push_back({x0, x1, x2, y});
  }
  const AttributeTable att = Continuous(3);
  for (int attribute = 0; attribute < 3; ++attribute) {
    Cases cases(2, rows);
    CaseRange range = cases.Range();
    SplitCandidate split =
        evaluator_.EvaluateContinuousSplit(range, att, attribute, SplitMode::kLookAhead);
    ASSERT_TRUE(split.Found());

    // The scan left the cases sorted; every cut between different values is scored afresh.
    float best = FLT_MAX;
    float threshold = 0.0f;
    for (int i = 0; i + 1 < range.count; ++i) {
      const float a = range.item[i][attribute].cont;
      const float b = range.item[i + 1][attribute].cont;
      ASSERT_LE(a, b);
      if (a == b) continue;
      const double eL = BestLine(range.Sub(0, i + 1), att).error;
      const double eR = BestLine(range.Sub(i + 1, range.count - i - 1), att).error;
      const float score =
          static_cast<float>(((i + 1) * eL + (range.count - i - 1) * eR) / range.count);
      if (score < best) {
        best = score;
        threshold = (a + b) * 0.5f;
      }
    }
    EXPECT_NEAR(split.score, best, 1e-4 * best) << attribute;
    EXPECT_EQ(static_cast<ContinuousSplit&>(*split.test).threshold, threshold) << attribute;
  }
}

TEST_F(SplitEvaluationTest, DiscreteSubsetGrowsFromTheLowMeans) {
  AttributeTable att = Continuous(2);
  att.ValueCount[0] = 4;
  att.Status[0] = dtree::kDiscrete;
  att.ValueName[0] = {"", "high", "low", "higher", "lower"};
  // Means: high 10, low 2, higher 11, lower 1.
  const float means[] = {0, 10, 2, 11, 1};
  std::vector<std::vector<float>> rows;
  std::vector<int> values;
  Rand rand;
  for (int i = 0; i < 40; ++i) {
    const int v = i % 4 + 1;
    values.push_back(v);
    rows.push_back(
        {0.0f, static_cast<float>(rand.Next() % 100), means[v] + (rand.Next() % 10) / 100.0f});
  }
  Cases cases(1, rows);
  cases.SetDiscrete(0, values);
  // Either side of the gap between the two clusters may be the subset; the subset lists its
  // values in the order they joined, the more extreme first.
  auto clusters = [](const SplitCandidate& split) {
    std::vector<int16_t> subset = static_cast<DiscreteSplit&>(*split.test).subset;
    return subset == std::vector<int16_t>{4, 2} || subset == std::vector<int16_t>{3, 1};
  };
  SplitCandidate split =
      evaluator_.EvaluateDiscreteSplit(cases.Range(), att, 0, SplitMode::kAccept);
  ASSERT_TRUE(split.Found());
  EXPECT_LT(split.score, 0.6f);
  EXPECT_TRUE(clusters(split));

  SplitCandidate constant = evaluator_.EvaluateDiscreteSplitConstant(cases.Range(), att, 0);
  ASSERT_TRUE(constant.Found());
  EXPECT_LT(constant.score, 0.6f);
  EXPECT_TRUE(clusters(constant));
}

TEST_F(SplitEvaluationTest, SplitsThatChangeNothingAreRejected) {
  // Two halves of almost the same straight line: the best cut is between them, and the
  // acceptance test sees no gain from two lines.
  std::vector<std::vector<float>> rows;
  for (int i = 0; i < 30; ++i)
    rows.push_back({static_cast<float>(i), 2.0f * i + (i < 15 ? 1.0f : 1.001f)});
  Cases cases(0, rows);
  SplitCandidate split =
      evaluator_.EvaluateContinuousSplit(cases.Range(), Continuous(1), 0, SplitMode::kAccept);
  ASSERT_TRUE(split.Found());
  EXPECT_EQ(static_cast<ContinuousSplit&>(*split.test).threshold, 14.5f);
  EXPECT_EQ(split.score, FLT_MAX);
  // The look-ahead keeps the split and names the children's common variable instead.
  Cases again(0, rows);
  SplitCandidate look =
      evaluator_.EvaluateContinuousSplit(again.Range(), Continuous(1), 0, SplitMode::kLookAhead);
  EXPECT_LT(look.score, FLT_MAX);
  EXPECT_EQ(look.reportedVariable, 0);
}

}  // namespace
}  // namespace quarry::modeltree
