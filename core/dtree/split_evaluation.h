#pragma once
// Split evaluation: for the cases Item[Fp..Lp] of one node, the information gain and split
// information of the best test on each attribute, and for continuous attributes the cut.
// Evaluators may reorder Item and Weight within the range. An attribute that cannot be split
// gets gain -0.001 (kNoGain) and split information 0.

#include <cstdint>
#include <vector>

#include "core/dtree/tree_node.h"
#include "core/dtree/value_sort.h"

namespace quarry::dtree {

class InductionEngine;
class PresortedCases;

inline constexpr float kEpsilon = 0.001f;
inline constexpr float kNoGain = -0.001f;

// The split information of the cuts of one scan, estimated from rough logarithms: for a cut with
// known weight `low` below it, InfoSum of {unknown, low, known - low} over `items` lies within
// Margin() of its estimate.
class SplitInfoBounds {
 public:
  SplitInfoBounds(float unknown, float known, float items);
  double Estimate(float low) const;
  double Margin() const { return margin_; }

 private:
  float known_;
  float items_;
  double totalTerm_;  // the rough n*log2(n) of the total less that of the unknown weight
  double margin_;
};

class SplitEvaluator {
 public:
  explicit SplitEvaluator(InductionEngine& engine);

  // Sizes and zeroes the work arrays for the engine's loaded case set.
  void Allocate();

  // Work arrays, named as the engine has always named them.
  float& Freq(int v, int c) {
    return freq_[static_cast<size_t>(v) * classes_ + static_cast<size_t>(c)];
  }
  float* FreqRow(int v) { return &freq_[static_cast<size_t>(v) * classes_]; }
  std::vector<float> ValFreq;                 // [0..MaxDiscrVal]: weight with outcome v
  std::vector<float> Gain;                    // [a]
  std::vector<float> Info;                    // [a]: split information
  std::vector<float> Cut;                     // [a]: cut of a continuous attribute
  std::vector<float> UnknownRate;             // [a]
  std::vector<int16_t> SubsetCount;           // [a]
  std::vector<std::vector<ValueSet>> Subset;  // [a][0..MaxDiscrVal] for discrete attributes
  std::vector<float> SplitGain;               // [i]: gain of the cut between sorted cases i and i+1
  std::vector<float> SplitInfo;               // [i]

  void ResetCounts(int maxOutcome);
  // S*log2(S) - sum of n*log2(n) over counts[first..last], S their sum.
  float InfoSum(const float* counts, int first, int last) const;
  // The gain of outcomes 1..maxOutcome; none unless two of them hold at least `minObjs` cases
  // (the engine's MINOBJS where not given).
  float ComputeThisGain(float baseInfo, float unknownRate, int maxOutcome, float knownItems);
  float ComputeThisGain(float baseInfo, float unknownRate, int maxOutcome, float knownItems,
                        int minObjs);
  float SplitWorth(float info, float gain, float minGain) const;
  // Whether a gain is high enough for its worth under the gain ratio to count.
  static bool NearAverage(float gain, float minGain) { return gain >= minGain - 0.001; }
  // SplitWorth under the gain ratio or the gain, inline for the scans that ask at every cut.
  static float Worth(bool gainRatio, float info, float gain, float minGain) {
    if (gainRatio) {
      if (NearAverage(gain, minGain) && info > 0.001) return gain / info;
      return kNoGain;
    }
    if (info > 0 && gain > 0) return gain;
    return kNoGain;
  }

  void EvaluateContinuous(int att, int fp, int lp);
  // EvaluateContinuous for cases that all know the value and weigh 1, given already in value
  // order: each record of `sorted` holds its case's class from bit `classShift` of its index;
  // `classCount` holds how many cases each class has among them.
  void EvaluateSortedContinuous(int att, int fp, int lp, const ValueRecord* sorted, int classShift,
                                const float* classCount);
  void EvaluateDiscrete(int att, int fp, int lp, float items);
  // Where every weight is 1: the class counts of the values of each discrete attribute of
  // `atts` over the presorted cases' segment of `count` cases at `start`, made in one pass from
  // their value numbers, for EvaluateDiscrete and EvaluateSubsets to take until
  // DropDiscreteCounts (whole_count_evaluation.cpp).
  void CountDiscreteTogether(const std::vector<int>& atts, const PresortedCases& cases, int start,
                             int count);
  // The same from the cells of the cases Item[fp..lp] with their weights, in one pass: for
  // discrete attributes between whose evaluations nothing reorders the cases.
  void CountDiscreteCells(const std::vector<int>& atts, int fp, int lp);
  bool HasDiscreteCounts(int att) const {
    return !discreteBlock_.empty() && discreteBlock_[static_cast<size_t>(att)] >= 0;
  }
  void DropDiscreteCounts();
  void EvaluateSubsets(int att, int fp, int lp, float items);

  // Sorts Item[fp..lp] (with their weights) by the value of continuous attribute att.
  void SortByValue(int fp, int lp, int att);
  // The largest known value of att among all loaded cases that is <= t; -1e20 when none.
  float HighestValueNotAbove(int att, float t);

  // The trace table of class weights per outcome (Freq rows 0..maxOutcome).
  void PrintDistribution(int att, int maxOutcome, bool showNames);

 private:
  // Freq and ValFreq of a discrete attribute over fp..lp; UnknownRate[att] too.
  void CountDiscrete(int att, int fp, int lp);
  float KnownBaseInfo(float knownItems, int maxOutcome);
  double NLogN(float n) const;
  // Room for `count` cases in the gathering and sorting arrays.
  void ReserveScratch(size_t count);
  // The cases fp..lp with their values of att, weights and classes in contiguous arrays, those
  // with an unknown value moved to the front (their weights added to Freq row 0); returns how
  // many those are.
  // Without `withCases` only the values and classes are gathered. With `items`, the weight of
  // the cases as CountWeight gives it.
  int GatherValues(int att, int fp, int lp, bool moveUnknown, bool withCases,
                   float* items = nullptr);
  // Puts the cases back into Item/Weight fp..lp in the order of the sorted values (with
  // `withCases`), and their classes into sortedClass_.
  void ScatterValues(int fp, int lp, bool withCases);
  void SortValues(int first, int last);
  // Where keys_[first..last] are every loaded case's known value of att in order: the list
  // HighestValueNotAbove answers from, without a sort of its own.
  void TakeKnownValues(int att, int first, int last);
  // The scan over the sorted known values of EvaluateContinuous; returns the best cut's index.
  int ScanCuts(int att, int fp, int lp, int unknowns, float items, float known);
  // The best of the cuts ScanCuts tried (their gains in SplitGain), under the gain ratio, when
  // their split information is still to be worked out: exactInfo(low) gives that of the cut with
  // known weight `low` below it, to the bit; cuts that cannot be the best go without it.
  template <typename ExactInfo>
  int ChooseDeferred(float known, float items, float avGain, ExactInfo&& exactInfo);
  // The best cut over keys_ and sortedClass_, with its gain and split information, or none.
  void ChooseCut(int att, int fp, int lp, int unknowns, float items, float known);
  // Cut[att], Gain[att] and Info[att] of the cut between two values, or of none (best < 0).
  void SetCut(int att, int best, float value, float next, float gain, float info);
  // ScanCuts and ChooseCut for `count` cases that all know the value and weigh 1, in value
  // order, without tracing (whole_count_evaluation.cpp).
  void ChooseSortedCut(int att, int count, const ValueRecord* sorted, int classShift,
                       const float* classCount);
  // Places each attribute's rows in discreteCounts_ (zeroed), noting offset_ and discreteBlock_.
  void LayOutDiscreteCounts(const std::vector<int>& atts);
  void PrintSubset(int att, const ValueSet& set);
  void PrintSubsets(int att, int blocks);
  void CombineBlocks(int att, int b1, int b2, int blocks);  // b2 into b1, last block into b2

  InductionEngine& engine_;
  size_t classes_ = 0;
  std::vector<float> freq_;
  std::vector<double> nLogN_;       // n*log2(n) for whole counts, computed once per case set
  std::vector<ValueRecord> keys_;   // values and places of the cases being sorted
  std::vector<Case> gatheredItem_;  // the cases as gathered, by place
  std::vector<float> gatheredWeight_;
  std::vector<int16_t> gatheredClass_;
  std::vector<int16_t> sortedClass_;  // classes in sorted order
  std::vector<double> lowTerms_;      // n*log2(n) of each class's weight below / above a cut
  std::vector<double> highTerms_;
  std::vector<uint8_t> staleTerms_;  // [c]: with fractional weights, whether c's terms are behind
  SortScratch sortScratch_;
  struct ScannedCut {
    int place;
    float low;  // the known weight below the cut
  };
  std::vector<ScannedCut> cuts_;   // the cuts ScanCuts tried, in order
  std::vector<double> estimates_;  // ChooseDeferred's estimates of their split information
  struct TriedCut {
    int place;
    float gain;
  };
  std::vector<TriedCut> triedCuts_;    // ChooseSortedCut's cuts, in order
  std::vector<int> belowCount_;        // ChooseSortedCut's class counts below / above a cut
  std::vector<float> discreteCounts_;  // CountDiscreteTogether's Freq rows, attribute by attribute
  std::vector<long> discreteBlock_;    // [a]: where a's rows start there, or -1
  std::vector<int> column_;            // the attributes counted: their columns in the codes
  std::vector<long> offset_;           // and where their rows start
  float discreteItems_ = 0;            // the weight of the cases counted
  std::vector<int> aboveCount_;
  std::vector<std::vector<float>> knownValues_;  // [a]: sorted distinct known values, on demand
  std::vector<bool> knownValuesReady_;
};

}  // namespace quarry::dtree
