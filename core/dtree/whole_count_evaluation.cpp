// Evaluation where every weight is 1 and every value known.
//
// The scan of the cuts of a continuous attribute for cases that all know the value and weigh 1,
// given in value order. It finds the cut ScanCuts and ChooseCut would, with the same gain and
// split information to the last bit: every count is a whole number below 2^24, held exactly
// by a float, so each n*log2(n) is the looked-up one, each sum of counts the count itself, and
// the remaining sums are made in the same order.

#include <span>

#include "core/dtree/induction_engine.h"
#include "core/dtree/presorted_cases.h"
#include "core/dtree/split_evaluation.h"

namespace quarry::dtree {

namespace {

// The scan's figures that stay the same over a node's cuts.
struct CutScan {
  const ValueRecord* sorted;
  int count;
  int classShift;
  const double* nLogN;
  float minSplit;
  float known;
  float baseInfo;
  float unknownRate;
  int minObjs;
};

// The gain of every cut between sorted cases whose values differ enough, in order, into `tried`;
// returns how many. `below` and `above` hold each class's count below and above the cut,
// `lowTerms` and `highTerms` their n*log2(n). With kClasses > 0 there are that many classes
// (the sums over classes unrolled, in the same order), else `classes`.
template <int kClasses, typename Tried>
int ScanSortedCuts(const CutScan& scan, size_t classes, int* below, int* above, double* lowTerms,
                   double* highTerms, Tried* tried, float& gainSum) {
  const size_t terms = kClasses > 0 ? static_cast<size_t>(kClasses) : classes;
  auto termSum = [terms](const double* t) {
    double sum = 0;
    for (size_t c = 0; c < terms; ++c) sum += t[c];
    return sum;
  };
  const ValueRecord* sorted = scan.sorted;
  const double* nLogN = scan.nLogN;
  const int count = scan.count;
  const bool enough = scan.known > 0;
  int tries = 0;
  float sum = 0;
  for (int k = 0; k < count - 1; ++k) {
    const size_t c = sorted[k].index >> scan.classShift;
    const int low = k + 1;
    lowTerms[c] = nLogN[++below[c]];
    highTerms[c] = nLogN[--above[c]];
    if (static_cast<float>(low) < scan.minSplit) continue;
    if (static_cast<float>(low) > scan.known - scan.minSplit) break;
    const float value = sorted[k].value;
    const float next = sorted[k + 1].value;
    if (!(static_cast<double>(value) < static_cast<double>(next) - 0.00005)) continue;
    const int high = count - low;
    float gain = kNoGain;
    if (enough && low >= scan.minObjs && high >= scan.minObjs) {
      float thisInfo = 0;
      thisInfo += static_cast<float>(nLogN[low] - termSum(lowTerms));
      thisInfo += static_cast<float>(nLogN[high] - termSum(highTerms));
      gain = (scan.baseInfo - thisInfo / scan.known) * (1 - scan.unknownRate);
    }
    sum += gain;
    tried[tries++] = {k, gain};
  }
  gainSum = sum;
  return tries;
}

}  // namespace

void SplitEvaluator::ChooseSortedCut(int att, int count, const ValueRecord* sorted, int classShift,
                                     const float* classCount) {
  const int minObjs = engine_.Options.MINOBJS;
  const int maxClass = engine_.MaxClass();
  const size_t classes = static_cast<size_t>(maxClass + 1);
  const size_t n = static_cast<size_t>(count);
  std::vector<int>& below = belowCount_;
  std::vector<int>& above = aboveCount_;
  below.assign(classes, 0);
  above.resize(classes);
  for (size_t c = 0; c < classes; ++c) above[c] = static_cast<int>(classCount[c]);
  const double* nLogN = nLogN_.data();

  const float known = static_cast<float>(count);
  double baseSum = 0;
  for (size_t c = 0; c < classes; ++c) baseSum += nLogN[above[c]];
  const float baseInfo = static_cast<float>(nLogN[n] - baseSum) / known;

  float minSplit = static_cast<float>(0.10 * known / (maxClass + 1));
  if (minSplit <= static_cast<float>(minObjs)) {
    minSplit = static_cast<float>(minObjs);
  } else if (minSplit > 25) {
    minSplit = 25;
  }
  double* lowTerms = lowTerms_.data();
  double* highTerms = highTerms_.data();
  for (size_t c = 0; c < classes; ++c) {
    lowTerms[c] = 0.0;
    highTerms[c] = nLogN[above[c]];
  }
  const double totalTerm = nLogN[n];  // the split information's n*log2(n) of all the cases
  const CutScan scan{sorted,   count, classShift, nLogN,
                     minSplit, known, baseInfo,   UnknownRate[static_cast<size_t>(att)],
                     minObjs};
  if (triedCuts_.size() < n) triedCuts_.resize(n);
  float gainSum = 0;
  int tries = 0;
  switch (classes) {
    case 2:
      tries = ScanSortedCuts<2>(scan, classes, below.data(), above.data(), lowTerms, highTerms,
                                triedCuts_.data(), gainSum);
      break;
    case 3:
      tries = ScanSortedCuts<3>(scan, classes, below.data(), above.data(), lowTerms, highTerms,
                                triedCuts_.data(), gainSum);
      break;
    default:
      tries = ScanSortedCuts<0>(scan, classes, below.data(), above.data(), lowTerms, highTerms,
                                triedCuts_.data(), gainSum);
  }
  // The split information of the cut after sorted case k, asked only where the worth needs it.
  auto info = [&](int k) {
    const double splitSum = nLogN[k + 1] + nLogN[count - k - 1];
    return static_cast<float>(totalTerm - splitSum) / known;
  };
  const bool gainRatio = engine_.Options.GAINRATIO;
  const float avGain = tries > 0 ? gainSum / static_cast<float>(tries) : 1e6f;
  const TriedCut* best = nullptr;
  float bestVal = kNoGain;
  for (const TriedCut& cut : std::span(triedCuts_.data(), static_cast<size_t>(tries))) {
    if (cut.gain < 0) continue;
    // Under the gain ratio a gain below the average is worth nothing, whatever its information.
    const float val = gainRatio && !(cut.gain >= avGain - 0.001)
                          ? kNoGain
                          : Worth(gainRatio, info(cut.place), cut.gain, avGain);
    if (val >= bestVal) {  // the later cut wins ties
      best = &cut;
      bestVal = val;
    }
  }
  if (best == nullptr) {
    SetCut(att, -1, 0, 0, 0, 0);
    return;
  }
  const size_t at = static_cast<size_t>(best->place);
  SetCut(att, best->place, sorted[at].value, sorted[at + 1].value, best->gain, info(best->place));
}

void SplitEvaluator::CountDiscreteTogether(const std::vector<int>& atts,
                                           const PresortedCases& cases, int start, int count) {
  const uint16_t* codes = cases.DiscreteCodes();
  LayOutDiscreteCounts(atts);
  discreteItems_ = static_cast<float>(count);
  column_.clear();
  for (const int a : atts) column_.push_back(cases.DiscreteColumn()[a]);
  if (atts.empty()) return;
  float* counts = discreteCounts_.data();
  const ValueRecord* r = cases.Segment(start);
  const uint32_t mask = cases.CaseMask();
  const int shift = cases.ClassShift();
  const size_t stride = static_cast<size_t>(cases.DiscreteStride());
  const size_t n = static_cast<size_t>(count);
  const size_t used = atts.size();
  for (size_t k = 0; k < n; ++k) {
    if (k + kCasesAhead < n) __builtin_prefetch(codes + (r[k + kCasesAhead].index & mask) * stride);
    const uint16_t* row = codes + (r[k].index & mask) * stride;
    const long cls = static_cast<long>(r[k].index >> shift);
    for (size_t j = 0; j < used; ++j) {
      counts[offset_[j] + row[column_[j]] * static_cast<long>(classes_) + cls] += 1.0f;
    }
  }
}

void SplitEvaluator::LayOutDiscreteCounts(const std::vector<int>& atts) {
  const AttributeTable& table = engine_.Att();
  discreteBlock_.assign(static_cast<size_t>(table.MaxAtt + 1), -1);
  offset_.clear();
  long size = 0;
  for (const int a : atts) {
    discreteBlock_[static_cast<size_t>(a)] = size;
    offset_.push_back(size);
    size += static_cast<long>(table.ValueCount[static_cast<size_t>(a)] + 1) *
            static_cast<long>(classes_);
  }
  discreteCounts_.assign(static_cast<size_t>(size), 0.0f);
}

void SplitEvaluator::DropDiscreteCounts() { discreteBlock_.clear(); }

}  // namespace quarry::dtree
