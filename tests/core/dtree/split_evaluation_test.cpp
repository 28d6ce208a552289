#include "core/dtree/split_evaluation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

class SplitEvaluation : public EngineTest {
 protected:
  // A numeric attribute x and a class c.
  void LoadValues(const std::vector<std::string>& xs, const std::vector<std::string>& classes,
                  const std::string& table = "t") {
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 0; i < xs.size(); ++i) rows.push_back({xs[i], classes[i]});
    Load(table, {"x", "c"}, {"real", "string"}, rows);
  }
  SplitEvaluator& Split() { return engine_.Split(); }
  void Continuous() { Split().EvaluateContinuous(0, 0, engine_.MaxItem()); }
};

TEST_F(SplitEvaluation, InfoSumIsTheWeightedEntropy) {
  LoadValues({"1", "2"}, {"a", "b"});
  const float counts[] = {9, 5};
  EXPECT_NEAR(Split().InfoSum(counts, 0, 1) / 14, 0.940286, 1e-6);
  const float fractional[] = {2.5f, 0.0f, 1.5f};
  const double expected = 4 * std::log2(4.0) - 2.5 * std::log2(2.5) - 1.5 * std::log2(1.5);
  EXPECT_NEAR(Split().InfoSum(fractional, 0, 2), expected, 1e-5);
}

TEST_F(SplitEvaluation, WorthUnderEachCriterion) {
  LoadValues({"1", "2"}, {"a", "b"});
  EXPECT_FLOAT_EQ(Split().SplitWorth(0.5f, 0.25f, 0.2f), 0.5f);
  EXPECT_FLOAT_EQ(Split().SplitWorth(0.5f, 0.25f, 0.3f), kNoGain);     // below the average gain
  EXPECT_FLOAT_EQ(Split().SplitWorth(0.0005f, 0.25f, 0.1f), kNoGain);  // no split information
  engine_.Options.GAINRATIO = false;
  EXPECT_FLOAT_EQ(Split().SplitWorth(0.5f, 0.25f, 0.9f), 0.25f);
  EXPECT_FLOAT_EQ(Split().SplitWorth(0.5f, 0.0f, 0.0f),
                  kNoGain);  // a split without gain is refused
}

TEST_F(SplitEvaluation, EqualCutsGoToTheLaterOne) {
  // a a | b b | a a: the cuts after 2 and after 4 are mirror images of each other.
  LoadValues({"1", "2", "3", "4", "5", "6"}, {"a", "a", "b", "b", "a", "a"});
  Continuous();
  EXPECT_FLOAT_EQ(Split().Cut[0], 4.5f);
  EXPECT_NEAR(Split().Gain[0], 0.918296 - 4.0 / 6, 1e-5);
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, Split().Cut[0]), 4.0f);
}

// Once the whole table has been sorted by an attribute, the thresholds are looked up among the
// sorted values; every answer, to the sign of a zero, must be that of the list an evaluator
// makes apart from the cases as they then lie.
TEST_F(SplitEvaluation, ThresholdsOfTheSortedTableAreThoseOfTheSeparateList) {
  std::mt19937 random(3);
  // -1e-50 and 1e-50 read as zeros of either sign.
  const std::vector<std::vector<std::string>> pools = {{"-2.5", "-1", "0", "1.5", "3", "?"},
                                                       {"-1e-50", "0", "2", "?", "-3"},
                                                       {"1e-50", "-1e-50"},
                                                       {"-1e-50", "4"}};
  const float thresholds[] = {-1e30f, -3.0f, -1.0f, -0.5f, -0.0f, 0.0f, 0.25f, 1.5f, 1e30f};
  for (size_t p = 0; p < pools.size(); ++p) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i)
      rows.push_back({pools[p][random() % pools[p].size()], random() % 3 ? "a" : "b"});
    const std::string table = "t" + std::to_string(p);
    Load(table, {"x", "c"}, {"real", "string"}, rows);
    Continuous();
    SplitEvaluator apart(engine_);
    apart.Allocate();
    for (float t : thresholds) {
      const float sorted = Split().HighestValueNotAbove(0, t);
      const float expected = apart.HighestValueNotAbove(0, t);
      EXPECT_EQ(sorted, expected) << table << " at " << t;
      EXPECT_EQ(std::signbit(sorted), std::signbit(expected)) << table << " at " << t;
    }
  }
}

TEST_F(SplitEvaluation, ValuesCloserThanTheSeparationAreNotCut) {
  LoadValues({"1.00000", "1.00000", "1.00004", "1.00004"}, {"a", "a", "b", "b"});
  Continuous();
  EXPECT_FLOAT_EQ(Split().Gain[0], kNoGain);
  // Just farther apart, they are.
  LoadValues({"1.00000", "1.00000", "1.0001", "1.0001"}, {"a", "a", "b", "b"}, "u");
  Continuous();
  EXPECT_GT(Split().Gain[0], 0.9f);
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, Split().Cut[0]), 1.0f);
}

TEST_F(SplitEvaluation, TooFewKnownValuesAreInsufficient) {
  LoadValues({"1", "2", "3", "?", "?"}, {"a", "a", "b", "b", "a"});
  engine_.Options.VERBOSITY = 2;
  Continuous();
  EXPECT_FLOAT_EQ(Split().Gain[0], kNoGain);
  EXPECT_FLOAT_EQ(Split().UnknownRate[0], 0.4f);
  EXPECT_EQ(report_.str(), "\tAtt x\tinsufficient cases with known values\n");
}

TEST_F(SplitEvaluation, UnknownValuesDiscountTheGain) {
  LoadValues({"1", "2", "3", "4", "?"}, {"a", "a", "b", "b", "b"});
  Continuous();
  // Known cases split perfectly (gain 1 bit), discounted by the 1 in 5 unknown.
  EXPECT_NEAR(Split().Gain[0], 0.8, 1e-6);
  EXPECT_FLOAT_EQ(Split().Cut[0], 2.5f);
  // The unknown case was moved in front of the sorted known ones.
  EXPECT_EQ(CVal(engine_.Cases.Item[0], 0), kUnknown);
}

// The smallest side a cut may leave: a tenth of the known cases per class, at least MINOBJS
// and at most 25.
class MinimumSplit : public SplitEvaluation,
                     public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MinimumSplit, FirstCandidateCut) {
  const auto [cases, classes] = GetParam();
  std::vector<std::string> xs, cs;
  for (int i = 0; i < cases; ++i) {
    xs.push_back(std::to_string(i));
    cs.push_back("c" + std::to_string(i % classes));
  }
  LoadValues(xs, cs);
  // A scan of the first half before: its cuts, earlier ones, must not stay behind.
  Split().EvaluateContinuous(0, 0, cases / 2);
  Continuous();
  int first = 0;
  while (Split().SplitGain[static_cast<size_t>(first)] == kNoGain) ++first;
  const int expected = std::clamp(cases / (10 * classes), engine_.Options.MINOBJS, 25);
  EXPECT_EQ(first + 1, expected);  // cases on the low side of the first cut tried
}

INSTANTIATE_TEST_SUITE_P(Sizes, MinimumSplit,
                         ::testing::Values(std::pair{1000, 10}, std::pair{600, 2},
                                           std::pair{40, 2}));

// The scan over cuts keeps its entropy terms up to date instead of recounting at every cut, and
// under the gain ratio works out the split information only of the cuts that may be the best;
// with fractional weights, ties and unknown values, every cut must still get, to the bit, the
// gain of recounting its rows and calling ComputeThisGain, and the cut chosen must be the last
// of the greatest worth by InfoSum's split information (every cut's when each is traced), as
// the engine's users compare trees across runs and tools.
TEST_F(SplitEvaluation, EveryCutGetsTheFiguresOfRecountingItsRows) {
  std::mt19937 random(7);
  const float fractions[] = {1.0f, 0.5f, 0.3333333f, 0.7f, 0.125f};
  // Random values and classes; then a run of classes and its mirror image, whose mirrored cuts
  // are worth the same but for rounding.
  for (const bool mirrored : {false, true}) {
    std::vector<std::string> xs;
    std::vector<std::string> classes;
    std::vector<float> weights;
    for (int i = 0; i < 400; ++i) {
      xs.push_back(random() % 12 == 0 ? "?" : std::to_string(random() % 40));
      classes.push_back(std::string(1, static_cast<char>('a' + random() % 3)));
      weights.push_back(fractions[random() % 5]);
      if (!mirrored) continue;
      xs.back() = std::to_string(i);
      classes.back() = i % 7 < 3 ? "a" : "b";
      if (i >= 200) {
        classes.back() = classes[static_cast<size_t>(399 - i)];
        weights.back() = weights[static_cast<size_t>(399 - i)];
      }
    }
    for (const int verbosity : {0, 3}) {
      LoadValues(xs, classes, (mirrored ? "m" : "r") + std::to_string(verbosity));
      engine_.Cases.Weight = weights;
      engine_.Options.VERBOSITY = verbosity;
      const int lp = engine_.MaxItem();
      const float items = engine_.CountWeight(0, lp);
      Continuous();
      ASSERT_GT(Split().Gain[0], 0.0f);

      // The evaluation leaves the unknown values first, in the order their weights were added.
      SplitEvaluator& split = Split();
      split.ResetCounts(2);
      int k = 0;
      for (; k <= lp && CVal(engine_.Cases.Item[static_cast<size_t>(k)], 0) == kUnknown; ++k)
        split.Freq(0, engine_.ClassOfItem(k)) += engine_.Cases.Weight[static_cast<size_t>(k)];
      const int unknowns = k;
      for (int c = 0; c <= engine_.MaxClass(); ++c) split.ValFreq[0] += split.Freq(0, c);
      const float known = items - split.ValFreq[0];
      for (k = unknowns; k <= lp; ++k)
        split.Freq(2, engine_.ClassOfItem(k)) += engine_.Cases.Weight[static_cast<size_t>(k)];
      const float baseInfo = split.InfoSum(split.FreqRow(2), 0, engine_.MaxClass()) / known;
      const float minSplit =
          std::min(25.0f, static_cast<float>(0.10 * known / (engine_.MaxClass() + 1)));

      struct Tried {
        float cut, gain, info;
      };
      std::vector<Tried> tried;
      float low = 0;
      float gainSum = 0;
      for (k = unknowns; k < lp; ++k) {
        const float w = engine_.Cases.Weight[static_cast<size_t>(k)];
        const int c = engine_.ClassOfItem(k);
        low += w;
        split.Freq(1, c) += w;
        split.Freq(2, c) -= w;
        if (low < minSplit) continue;
        if (low > known - minSplit) break;
        const float value = CVal(engine_.Cases.Item[static_cast<size_t>(k)], 0);
        const float next = CVal(engine_.Cases.Item[static_cast<size_t>(k) + 1], 0);
        if (!(static_cast<double>(value) < static_cast<double>(next) - 0.00005)) continue;
        split.ValFreq[1] = low;
        split.ValFreq[2] = known - low;
        const size_t i = static_cast<size_t>(k);
        tried.push_back({(value + next) * 0.5f,
                         split.ComputeThisGain(baseInfo, split.UnknownRate[0], 2, known),
                         split.InfoSum(split.ValFreq.data(), 0, 2) / items});
        gainSum += tried.back().gain;
        EXPECT_EQ(split.SplitGain[i], tried.back().gain) << "cut after " << value;
        if (verbosity >= 3) {
          EXPECT_EQ(split.SplitInfo[i], tried.back().info) << "cut after " << value;
        }
      }
      ASSERT_GT(tried.size(), 20u);
      const float avGain = gainSum / static_cast<float>(tried.size());
      const Tried* best = nullptr;
      float bestVal = kNoGain;
      for (const Tried& t : tried) {
        const float val = t.gain < 0 ? kNoGain - 1 : split.SplitWorth(t.info, t.gain, avGain);
        if (val >= bestVal) best = &t, bestVal = val;
      }
      ASSERT_NE(best, nullptr);
      EXPECT_EQ(split.Cut[0], best->cut) << mirrored << verbosity;
      EXPECT_EQ(split.Gain[0], best->gain);
      EXPECT_EQ(split.Info[0], best->info);
    }
  }
}

// The cuts that may be the best are told from rough logarithms: the split information of every
// cut, from a few cases to ten million, whole or fractional, with or without unknown weight,
// must lie within the margin of its estimate.
TEST_F(SplitEvaluation, SplitInformationLiesWithinItsBounds) {
  LoadValues({"1", "2"}, {"a", "b"});
  std::mt19937 random(5);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  int checked = 0;
  for (const float items : {4.0f, 9.5f, 37.25f, 1000.0f, 2.3e5f, 1234567.9f, 1e7f}) {
    for (int k = 0; k < 400; ++k) {
      const bool whole = k % 4 == 0;
      float unknown = k % 3 == 0 ? 0.0f : items * unit(random) * 0.3f;
      if (whole) unknown = std::floor(unknown);
      const float known = items - unknown;
      float low = 1 + (known - 2) * unit(random);
      if (whole) low = std::floor(low);
      if (k % 10 == 1) low = known - 1.0f / 3;  // the high side nearly empty
      const float counts[] = {unknown, low, known - low};
      const float exact = Split().InfoSum(counts, 0, 2) / items;
      const SplitInfoBounds bounds(unknown, known, items);
      const double estimate = bounds.Estimate(low);
      EXPECT_LE(std::fabs(exact - estimate), bounds.Margin())
          << items << " " << unknown << " " << low;
      // Not so wide as to leave every cut to be worked out exactly.
      EXPECT_LT(bounds.Margin(), 1e-5);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2800);
}

TEST_F(SplitEvaluation, DiscreteAttributeWithoutKnownValues) {
  Load("t", {"colour", "c"}, {"string", "string"}, {{"?", "a"}, {"?", "b"}, {"red", "a"}});
  engine_.Options.VERBOSITY = 2;
  Split().EvaluateDiscrete(0, 0, 1, 2.0f);  // the first two cases only
  EXPECT_FLOAT_EQ(Split().Gain[0], kNoGain);
  EXPECT_EQ(report_.str(), "\tAtt colour: no known values\n");
}

TEST_F(SplitEvaluation, DiscreteGainAndSplitInformation) {
  LoadGolf();
  Split().EvaluateDiscrete(0, 0, engine_.MaxItem(), 14);
  EXPECT_NEAR(Split().Gain[0], 0.246750, 1e-5);  // outlook, the textbook figures
  EXPECT_NEAR(Split().Info[0], 1.577406, 1e-5);
}

// Discrete attributes between which nothing reorders the cases are counted in one pass: with
// fractional weights and unknown values, each attribute's gain, split information and unknown
// rate must be, to the bit, those of its own pass.
TEST_F(SplitEvaluation, DiscreteAttributesCountedTogetherAsEachAlone) {
  std::mt19937 random(9);
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 600; ++i) {
    std::vector<std::string> row;
    for (int a = 0; a < 3; ++a)
      row.push_back(random() % 9 == 0 ? "?" : "v" + std::to_string(random() % (3 + a)));
    row.push_back(std::string(1, static_cast<char>('a' + random() % 3)));
    rows.push_back(row);
  }
  Load("d_data", {"p", "q", "r", "c"}, {"string", "string", "string", "string"}, rows);
  const float fractions[] = {1.0f, 0.1f, 0.3333333f, 0.7f, 0.0123f};
  for (float& w : engine_.Cases.Weight) w = fractions[random() % 5];
  engine_.AllKnown = false;
  const int lp = engine_.MaxItem();
  const float items = engine_.CountWeight(0, lp);
  auto evaluate = [&] {
    std::vector<float> figures;
    for (int a = 0; a < 3; ++a) {
      Split().EvaluateDiscrete(a, 0, lp, items);
      figures.insert(figures.end(), {Split().Gain[a], Split().Info[a], Split().UnknownRate[a]});
    }
    return figures;
  };
  const std::vector<float> alone = evaluate();
  Split().CountDiscreteCells({0, 1, 2}, 0, lp);
  const std::vector<float> together = evaluate();
  Split().DropDiscreteCounts();
  EXPECT_EQ(together, alone);
  EXPECT_GT(alone[2], 0.05f);  // an unknown rate
}

TEST_F(SplitEvaluation, SubsetsMergeSingleClassValuesAndStopWhenNothingPays) {
  // Values p and q hold class a only, r and s class b only: they merge into two subsets.
  Load("t", {"v", "c"}, {"string", "string"},
       {{"p", "a"},
        {"p", "a"},
        {"q", "a"},
        {"q", "a"},
        {"r", "b"},
        {"r", "b"},
        {"s", "b"},
        {"s", "b"}});
  Split().EvaluateSubsets(0, 0, engine_.MaxItem(), 8);
  ASSERT_EQ(Split().SubsetCount[0], 2);
  const std::vector<ValueSet>& sets = Split().Subset[0];
  EXPECT_TRUE(InSet(sets[1], 1) && InSet(sets[1], 2) && !InSet(sets[1], 3));
  EXPECT_TRUE(InSet(sets[2], 3) && InSet(sets[2], 4));
  EXPECT_NEAR(Split().Gain[0], 1.0, 1e-6);
  EXPECT_EQ(engine_.Options.MINOBJS, 2);  // restored
}

TEST_F(SplitEvaluation, HighestValueNotAboveScansAllCases) {
  LoadValues({"5", "?", "-3", "7.5", "5"}, {"a", "a", "b", "b", "a"});
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, 6), 5.0f);
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, 7.5f), 7.5f);
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, -4), -1e20f);
  EXPECT_FLOAT_EQ(Split().HighestValueNotAbove(0, -3), -3.0f);
}

}  // namespace
}  // namespace quarry::dtree
