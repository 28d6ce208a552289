#include "core/dtree/split_evaluation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

namespace {

constexpr double kLog2E = 1.4426950408889634;  // log2(x) = ln(x) * kLog2E
constexpr float kNoValue = -1e20f;

double NLogNDirect(double n) { return n * (std::log(n) * kLog2E); }

// log2(x) for x > 0 within 1e-10, without a call: the mantissa m is taken into [1, 2) and
// divided by the centre c of its 128th of that range, log2(c) looked up; log2 of the quotient
// 1 + r (|r| < 2^-8) is r - r^2/2 + r^3/3 times log2(e), off by less than r^4/4 * 1.45.
struct RoughLogTable {
  static constexpr int kBits = 7;
  double inverse[1 << kBits];
  double log2Centre[1 << kBits];  // -log2(inverse), so that the two agree exactly
  RoughLogTable() {
    for (int i = 0; i < (1 << kBits); ++i) {
      inverse[i] = 1 / (1 + (i + 0.5) / (1 << kBits));
      log2Centre[i] = -std::log2(inverse[i]);
    }
  }
};
const RoughLogTable kRoughLog;

inline double RoughLog2(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0 || biased == 0x7ff) return std::log2(x);
  const size_t i = static_cast<size_t>(bits >> (52 - RoughLogTable::kBits)) &
                   ((size_t{1} << RoughLogTable::kBits) - 1);
  bits = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1023} << 52);
  double m;
  std::memcpy(&m, &bits, sizeof m);
  const double r = m * kRoughLog.inverse[i] - 1;
  return (biased - 1023) + kRoughLog.log2Centre[i] + r * (1 - r * (0.5 - r * (1.0 / 3))) * kLog2E;
}

double RoughNLogN(double n) { return n > 0 ? n * RoughLog2(n) : 0.0; }

}  // namespace

SplitEvaluator::SplitEvaluator(InductionEngine& engine) : engine_(engine) {}

void SplitEvaluator::Allocate() {
  const AttributeTable& att = engine_.Att();
  const size_t atts = static_cast<size_t>(std::max(att.MaxAtt + 1, 0));
  const size_t values = static_cast<size_t>(att.MaxDiscrVal) + 1;
  const size_t cases = static_cast<size_t>(std::max(engine_.MaxItem() + 1, 0));
  classes_ = static_cast<size_t>(std::max(att.MaxClass + 1, 0));
  freq_.assign(values * classes_, 0.0f);
  ValFreq.assign(values, 0.0f);
  Gain.assign(atts, 0.0f);
  Info.assign(atts, 0.0f);
  Cut.assign(atts, 0.0f);
  UnknownRate.assign(atts, 0.0f);
  SubsetCount.assign(atts, 0);
  Subset.assign(atts, {});
  for (size_t a = 0; a < atts; ++a) {
    if (att.ValueCount[a] > 0)
      Subset[a].assign(values, ValueSet(ValueSetBytes(att.ValueCount[a]), 0));
  }
  // No place has a cut's gain until a scan tries one there.
  SplitGain.assign(cases, kNoGain);
  SplitInfo.assign(cases, 0.0f);
  cuts_.clear();
  // Counts of whole cases are the common case; their n*log2(n) is looked up, computed exactly
  // as it would be on the spot.
  nLogN_.resize(cases + 1);
  if (!nLogN_.empty()) nLogN_[0] = 0.0;
  for (size_t n = 1; n < nLogN_.size(); ++n) nLogN_[n] = NLogNDirect(static_cast<double>(n));
  keys_ = {};
  gatheredItem_ = {};
  gatheredWeight_ = {};
  gatheredClass_ = {};
  sortedClass_ = {};
  lowTerms_.assign(classes_, 0.0);
  highTerms_.assign(classes_, 0.0);
  staleTerms_.assign(classes_, 0);
  knownValues_.assign(atts, {});
  knownValuesReady_.assign(atts, false);
}

double SplitEvaluator::NLogN(float n) const {
  if (n <= 0) return 0.0;
  const float whole = std::floor(n);
  if (whole == n && n < static_cast<float>(nLogN_.size())) return nLogN_[static_cast<size_t>(n)];
  return NLogNDirect(n);
}

void SplitEvaluator::ResetCounts(int maxOutcome) {
  std::fill(freq_.begin(), freq_.begin() + static_cast<long>((maxOutcome + 1) * classes_), 0.0f);
  std::fill(ValFreq.begin(), ValFreq.begin() + maxOutcome + 1, 0.0f);
}

float SplitEvaluator::InfoSum(const float* counts, int first, int last) const {
  double total = 0;
  double sum = 0;
  for (int k = first; k <= last; ++k) {
    total += counts[k];
    sum += NLogN(counts[k]);
  }
  const double totalInfo = total > 0 ? NLogN(static_cast<float>(total)) : 0.0;
  return static_cast<float>(totalInfo - sum);
}

float SplitEvaluator::ComputeThisGain(float baseInfo, float unknownRate, int maxOutcome,
                                      float knownItems) {
  return ComputeThisGain(baseInfo, unknownRate, maxOutcome, knownItems, engine_.Options.MINOBJS);
}

float SplitEvaluator::ComputeThisGain(float baseInfo, float unknownRate, int maxOutcome,
                                      float knownItems, int minObjs) {
  if (knownItems <= 0) return kNoGain;
  int reasonable = 0;
  for (int v = 1; v <= maxOutcome; ++v) {
    if (ValFreq[static_cast<size_t>(v)] >= static_cast<float>(minObjs)) ++reasonable;
  }
  if (reasonable < 2) return kNoGain;
  const int maxClass = engine_.MaxClass();
  float thisInfo = 0;
  for (int v = 1; v <= maxOutcome; ++v) thisInfo += InfoSum(FreqRow(v), 0, maxClass);
  const float gain = (baseInfo - thisInfo / knownItems) * (1 - unknownRate);
  if (engine_.Options.VERBOSITY >= 5) {
    engine_.Report() << Format(
        "ComputeThisGain: items %.1f info %.3f base %.3f unkn %.3f result %.3f\n",
        static_cast<double>(knownItems + ValFreq[0]), static_cast<double>(thisInfo),
        static_cast<double>(baseInfo), static_cast<double>(unknownRate), static_cast<double>(gain));
  }
  return gain;
}

float SplitEvaluator::SplitWorth(float info, float gain, float minGain) const {
  return Worth(engine_.Options.GAINRATIO, info, gain, minGain);
}

void SplitEvaluator::ReserveScratch(size_t count) {
  if (keys_.size() >= count) return;
  keys_.resize(count);
  gatheredItem_.resize(count);
  gatheredWeight_.resize(count);
  gatheredClass_.resize(count);
  sortedClass_.resize(count);
}

int SplitEvaluator::GatherValues(int att, int fp, int lp, bool moveUnknown, bool withCases,
                                 float* items) {
  const CaseSet& cases = engine_.Cases;
  const int classCell = engine_.MaxAtt() + 1;
  const size_t count = static_cast<size_t>(lp - fp + 1);
  ReserveScratch(count);
  int unknowns = 0;
  float sum = 0;  // CountWeight's sum, made in its order
  for (size_t k = 0; k < count; ++k) {
    const size_t i = static_cast<size_t>(fp) + k;
    if (k + kCasesAhead < count) PrefetchCells(cases.Item[i + kCasesAhead], att, classCell);
    Case c = cases.Item[i];
    sum += cases.Weight[i];
    if (withCases) {
      gatheredItem_[k] = c;
      gatheredWeight_[k] = cases.Weight[i];
    }
    gatheredClass_[k] = static_cast<int16_t>(c[classCell].discr);
    keys_[k] = {CVal(c, att), static_cast<uint32_t>(k)};
    // Unknown values go to the front, each exchanged with the next front position.
    if (moveUnknown && keys_[k].value == kUnknown) {
      Freq(0, gatheredClass_[k]) += cases.Weight[i];
      std::swap(keys_[static_cast<size_t>(unknowns)], keys_[k]);
      ++unknowns;
    }
  }
  if (items != nullptr) *items = engine_.AllKnown ? static_cast<float>(count) : sum;
  return unknowns;
}

void SplitEvaluator::ScatterValues(int fp, int lp, bool withCases) {
  CaseSet& cases = engine_.Cases;
  const size_t count = static_cast<size_t>(lp - fp + 1);
  if (!withCases) {
    for (size_t k = 0; k < count; ++k) sortedClass_[k] = gatheredClass_[keys_[k].index];
    return;
  }
  for (size_t k = 0; k < count; ++k) {
    const uint32_t from = keys_[k].index;
    cases.Item[static_cast<size_t>(fp) + k] = gatheredItem_[from];
    cases.Weight[static_cast<size_t>(fp) + k] = gatheredWeight_[from];
    sortedClass_[k] = gatheredClass_[from];
  }
}

void SplitEvaluator::SortValues(int first, int last) {
  if (last <= first) return;
  if (engine_.AnyOrderAmongEquals) {
    SortByValueStably(keys_.data() + first, last - first + 1, sortScratch_);
  } else {
    SortByValueOrder(keys_.data() + first, last - first + 1, sortScratch_);
  }
}

void SplitEvaluator::SortByValue(int fp, int lp, int att) {
  if (lp <= fp) return;
  GatherValues(att, fp, lp, false, true);
  SortValues(0, lp - fp);
  ScatterValues(fp, lp, true);
}

void SplitEvaluator::EvaluateContinuous(int att, int fp, int lp) {
  std::ostream& out = engine_.Report();
  const int verbosity = engine_.Options.VERBOSITY;
  const int minObjs = engine_.Options.MINOBJS;
  const int maxClass = engine_.MaxClass();
  const size_t a = static_cast<size_t>(att);
  if (verbosity >= 2) out << "\tAtt " << engine_.Att().AttName[a];
  if (verbosity >= 3) out << "\n";

  ResetCounts(2);
  // Where the order among equal values is free, the cases stay where they are (their weights
  // are all 1): only their classes are needed in the values' order.
  const bool moveCases = !engine_.AnyOrderAmongEquals;
  float items = 0;
  const int unknowns = GatherValues(att, fp, lp, true, moveCases, &items);
  for (int c = 0; c <= maxClass; ++c) ValFreq[0] += Freq(0, c);
  const float known = items - ValFreq[0];
  UnknownRate[a] = 1 - known / items;

  if (known < static_cast<float>(2 * minObjs)) {
    ScatterValues(fp, lp, moveCases);
    if (verbosity >= 2) out << "\tinsufficient cases with known values\n";
    Gain[a] = kNoGain;
    Info[a] = 0;
    return;
  }

  SortValues(unknowns, lp - fp);
  if (fp == 0 && static_cast<size_t>(lp) + 1 == engine_.Cases.Item.size())
    TakeKnownValues(att, unknowns, lp - fp);
  ScatterValues(fp, lp, moveCases);
  ChooseCut(att, fp, lp, unknowns, items, known);
}

void SplitEvaluator::EvaluateSortedContinuous(int att, int fp, int lp, const ValueRecord* sorted,
                                              int classShift, const float* classCount) {
  std::ostream& out = engine_.Report();
  const int verbosity = engine_.Options.VERBOSITY;
  const size_t a = static_cast<size_t>(att);
  if (verbosity >= 2) out << "\tAtt " << engine_.Att().AttName[a];
  if (verbosity >= 3) out << "\n";

  ResetCounts(2);
  const float items = static_cast<float>(lp - fp + 1);
  UnknownRate[a] = 0;
  if (items < static_cast<float>(2 * engine_.Options.MINOBJS)) {
    if (verbosity >= 2) out << "\tinsufficient cases with known values\n";
    Gain[a] = kNoGain;
    Info[a] = 0;
    return;
  }
  const size_t count = static_cast<size_t>(lp - fp + 1);
  // Without the trace of every cut, and with every count exact in a float, a scan of its own.
  if (verbosity < 3 && count < (size_t{1} << 24)) {
    ChooseSortedCut(att, lp - fp + 1, sorted, classShift, classCount);
    return;
  }
  ReserveScratch(count);
  std::copy(sorted, sorted + count, keys_.begin());
  for (size_t k = 0; k < count; ++k) {
    sortedClass_[k] = static_cast<int16_t>(sorted[k].index >> classShift);
  }
  ChooseCut(att, fp, lp, 0, items, items);
}

void SplitEvaluator::ChooseCut(int att, int fp, int lp, int unknowns, float items, float known) {
  const int best = ScanCuts(att, fp, lp, unknowns, items, known);
  if (best < 0) {
    SetCut(att, best, 0, 0, 0, 0);
    return;
  }
  const size_t k = static_cast<size_t>(best - fp);
  SetCut(att, best, keys_[k].value, keys_[k + 1].value, SplitGain[static_cast<size_t>(best)],
         SplitInfo[static_cast<size_t>(best)]);
}

void SplitEvaluator::SetCut(int att, int best, float value, float next, float gain, float info) {
  std::ostream& out = engine_.Report();
  const int verbosity = engine_.Options.VERBOSITY;
  const size_t a = static_cast<size_t>(att);
  if (best < 0) {
    Gain[a] = kNoGain;
    Info[a] = 0;
    if (verbosity >= 2) out << "\tno gain\n";
    return;
  }
  Cut[a] = (value + next) * 0.5f;
  Gain[a] = gain;
  Info[a] = info;
  if (verbosity >= 2) {
    out << Format("\tcut=%.3f, inf %.3f, gain %.3f\n", static_cast<double>(Cut[a]),
                  static_cast<double>(Info[a]), static_cast<double>(Gain[a]));
  }
}

int SplitEvaluator::ScanCuts(int att, int fp, int lp, int unknowns, float items, float known) {
  std::ostream& out = engine_.Report();
  const int verbosity = engine_.Options.VERBOSITY;
  const int minObjs = engine_.Options.MINOBJS;
  const int maxClass = engine_.MaxClass();
  const std::vector<float>& weight = engine_.Cases.Weight;
  const int count = lp - fp + 1;
  float* below = FreqRow(1);
  float* above = FreqRow(2);

  // Only the places of the last scan's cuts hold a gain: cleared, every place has none.
  for (const ScannedCut& cut : cuts_) {
    SplitGain[static_cast<size_t>(cut.place)] = kNoGain;
    SplitInfo[static_cast<size_t>(cut.place)] = 0;
  }
  cuts_.clear();
  for (int k = unknowns; k < count; ++k)
    above[sortedClass_[static_cast<size_t>(k)]] += weight[static_cast<size_t>(fp + k)];
  const float baseInfo = InfoSum(above, 0, maxClass) / known;

  float minSplit = static_cast<float>(0.10 * known / (maxClass + 1));
  if (minSplit <= static_cast<float>(minObjs)) {
    minSplit = static_cast<float>(minObjs);
  } else if (minSplit > 25) {
    minSplit = 25;
  }

  // The gain of every cut is InfoSum of the two class rows and of ValFreq, as ComputeThisGain
  // and the split information would compute them; the n*log2(n) term of each class's count is
  // kept up to date as cases cross the cut instead of being worked out again at every cut. With
  // fractional weights a term costs a logarithm: it is worked out only where a cut's gain is,
  // for the classes whose counts have changed since the last such cut.
  for (int c = 0; c <= maxClass; ++c) {
    lowTerms_[static_cast<size_t>(c)] = 0.0;
    highTerms_[static_cast<size_t>(c)] = NLogN(above[c]);
    staleTerms_[static_cast<size_t>(c)] = 0;
  }
  // Each row's total and its term are kept: with fractional weights the split information's
  // ValFreq[1] or [2] is often that very number, whose term then costs no logarithm.
  float rowTotal[2] = {0, 0};
  double rowTerm[2] = {0, 0};
  auto rowInfo = [&](const float* counts, const std::vector<double>& terms, int row) {
    double total = 0;
    double sum = 0;
    for (int c = 0; c <= maxClass; ++c) {
      total += counts[c];
      sum += terms[static_cast<size_t>(c)];
    }
    rowTotal[row] = static_cast<float>(total);
    rowTerm[row] = total > 0 ? NLogN(rowTotal[row]) : 0.0;
    return static_cast<float>(rowTerm[row] - sum);
  };
  auto sideTerm = [&](float n, int row) { return n == rowTotal[row] ? rowTerm[row] : NLogN(n); };
  const double unknownTerm = NLogN(ValFreq[0]);
  float lastSplitTotal = -1;
  double lastSplitTotalTerm = 0;
  // The split information of a cut with `lowSide` and `highSide` known weight on each side;
  // term(n, row) is NLogN(n), which the row's last total may save.
  auto splitInfo = [&](float lowSide, float highSide, auto&& term) {
    const double splitTotal = static_cast<double>(ValFreq[0]) + lowSide + highSide;
    if (static_cast<float>(splitTotal) != lastSplitTotal) {
      lastSplitTotal = static_cast<float>(splitTotal);
      lastSplitTotalTerm = splitTotal > 0 ? NLogN(lastSplitTotal) : 0.0;
    }
    const double splitSum = unknownTerm + term(lowSide, 0) + term(highSide, 1);
    return static_cast<float>(lastSplitTotalTerm - splitSum) / items;
  };
  // Under the gain ratio only the cuts whose worth may be the best need their split information
  // to the bit; without the trace of every cut it is worked out after the scan (ChooseDeferred).
  const bool deferInfo = engine_.Options.GAINRATIO && verbosity < 3;

  const float unknownRate = UnknownRate[static_cast<size_t>(att)];
  float low = 0;
  int tries = 0;
  float gainSum = 0;
  // With every weight 1 every count is whole, and its term is looked up directly.
  const bool whole = engine_.AnyOrderAmongEquals;
  for (int k = unknowns; k < count - 1; ++k) {
    const int cls = sortedClass_[static_cast<size_t>(k)];
    const float w = weight[static_cast<size_t>(fp + k)];
    low += w;
    below[cls] += w;
    above[cls] -= w;
    if (whole) {
      lowTerms_[static_cast<size_t>(cls)] = nLogN_[static_cast<size_t>(below[cls])];
      highTerms_[static_cast<size_t>(cls)] = nLogN_[static_cast<size_t>(above[cls])];
    } else {
      staleTerms_[static_cast<size_t>(cls)] = 1;  // worked out at the next cut that needs it
    }
    if (low < minSplit) continue;
    if (low > known - minSplit) break;
    const float value = keys_[static_cast<size_t>(k)].value;
    const float next = keys_[static_cast<size_t>(k) + 1].value;
    if (!(static_cast<double>(value) < static_cast<double>(next) - 0.00005)) continue;
    const size_t i = static_cast<size_t>(fp + k);
    cuts_.push_back({static_cast<int>(i), low});
    ValFreq[1] = low;
    ValFreq[2] = known - low;
    if (known > 0 && ValFreq[1] >= static_cast<float>(minObjs) &&
        ValFreq[2] >= static_cast<float>(minObjs)) {
      if (!whole) {
        for (int c = 0; c <= maxClass; ++c) {
          if (!staleTerms_[static_cast<size_t>(c)]) continue;
          staleTerms_[static_cast<size_t>(c)] = 0;
          lowTerms_[static_cast<size_t>(c)] = NLogN(below[c]);
          highTerms_[static_cast<size_t>(c)] = NLogN(above[c]);
        }
      }
      float thisInfo = 0;
      thisInfo += rowInfo(below, lowTerms_, 0);
      thisInfo += rowInfo(above, highTerms_, 1);
      SplitGain[i] = (baseInfo - thisInfo / known) * (1 - unknownRate);
      if (verbosity >= 5) {
        out << Format("ComputeThisGain: items %.1f info %.3f base %.3f unkn %.3f result %.3f\n",
                      static_cast<double>(known + ValFreq[0]), static_cast<double>(thisInfo),
                      static_cast<double>(baseInfo), static_cast<double>(unknownRate),
                      static_cast<double>(SplitGain[i]));
      }
    } else {
      SplitGain[i] = kNoGain;
    }
    gainSum += SplitGain[i];
    ++tries;
    if (deferInfo) continue;
    SplitInfo[i] = splitInfo(ValFreq[1], ValFreq[2], sideTerm);
    if (verbosity >= 3) {
      out << Format("\t\tCut at %.3f  (gain %.3f, val %.3f):",
                    (static_cast<double>(value) + next) * 0.5, static_cast<double>(SplitGain[i]),
                    static_cast<double>(SplitWorth(SplitInfo[i], SplitGain[i], 0.001f)));
      PrintDistribution(att, 2, true);
    }
  }

  const float avGain = tries > 0 ? gainSum / static_cast<float>(tries) : 1e6f;
  if (deferInfo) {
    return ChooseDeferred(known, items, avGain, [&](float lowSide) {
      return splitInfo(lowSide, known - lowSide, [this](float n, int) { return NLogN(n); });
    });
  }
  int best = -1;
  float bestVal = kNoGain;
  // Only the cuts tried have a gain; every other place has none (kNoGain).
  for (const ScannedCut& cut : cuts_) {
    const size_t at = static_cast<size_t>(cut.place);
    if (SplitGain[at] < 0) continue;
    const float val = SplitWorth(SplitInfo[at], SplitGain[at], avGain);
    if (val >= bestVal) {  // the later cut wins ties
      best = cut.place;
      bestVal = val;
    }
  }
  return best;
}

// The estimate's error: each n*log2(n) is off by less than n * 1e-10 (RoughLog2); the exact
// figure takes the term of the float nearest the total S of the three weights, which differs
// from unknown + known by up to two float roundings (S * 2^-24 each, moving the term by that
// times |log2(S) + 1.45|), and is itself rounded to a float twice (a relative 2^-23, below
// 2e-7 * 2 for a figure under log2(3)). Allowed: S * (2e-7 * (|log2 S| + 2) + 1e-8) / items.
SplitInfoBounds::SplitInfoBounds(float unknown, float known, float items)
    : known_(known), items_(items) {
  const double total = static_cast<double>(unknown) + known;
  totalTerm_ = RoughNLogN(total) - RoughNLogN(unknown);
  margin_ = total * (2e-7 * (std::fabs(RoughLog2(total)) + 2) + 1e-8) / items;
}

double SplitInfoBounds::Estimate(float low) const {
  return (totalTerm_ - RoughNLogN(low) - RoughNLogN(known_ - low)) / items_;
}

template <typename ExactInfo>
int SplitEvaluator::ChooseDeferred(float known, float items, float avGain, ExactInfo&& exactInfo) {
  // The best cut is the last of those of the greatest worth gain/info, the cuts whose gain is
  // below the average worth kNoGain. An estimate of each candidate's split information from
  // rough logarithms bounds its worth; a cut whose worth is surely below what another surely
  // reaches cannot be the best, and only the others get their information to the bit.
  const SplitInfoBounds bounds(ValFreq[0], known, items);
  const double margin = bounds.Margin();
  auto candidate = [avGain](float gain) { return gain >= 0 && NearAverage(gain, avGain); };
  estimates_.resize(cuts_.size());
  double surely = -std::numeric_limits<double>::infinity();  // a worth some cut reaches
  for (size_t j = 0; j < cuts_.size(); ++j) {
    const float gain = SplitGain[static_cast<size_t>(cuts_[j].place)];
    if (!candidate(gain)) continue;
    const double estimate = bounds.Estimate(cuts_[j].low);
    estimates_[j] = estimate;
    if (estimate - margin > 0.001)
      surely = std::max(surely, gain / (estimate + margin) * (1 - 1e-6));
  }
  int best = -1;
  size_t bestCut = 0;
  bool bestInfoExact = false;
  float bestVal = kNoGain;
  for (size_t j = 0; j < cuts_.size(); ++j) {
    const size_t at = static_cast<size_t>(cuts_[j].place);
    const float gain = SplitGain[at];
    if (gain < 0) continue;
    bool infoExact = false;
    if (candidate(gain)) {
      const double estimate = estimates_[j];
      const bool noInfo = estimate + margin <= 0.001;  // surely worth kNoGain
      if (noInfo ? kNoGain < surely
                 : estimate - margin > 0.001 && gain / (estimate - margin) * (1 + 1e-6) < surely)
        continue;
      SplitInfo[at] = exactInfo(cuts_[j].low);
      infoExact = true;
    }
    const float val = SplitWorth(SplitInfo[at], gain, avGain);
    if (val >= bestVal) {  // the later cut wins ties
      best = cuts_[j].place;
      bestCut = j;
      bestInfoExact = infoExact;
      bestVal = val;
    }
  }
  // Where no cut is worth anything the last one with a gain is kept, and the attribute's choice
  // later weighs its split information against other attributes': it must be the exact one
  // whatever the reasoning above left out.
  if (best >= 0 && !bestInfoExact)
    SplitInfo[static_cast<size_t>(best)] = exactInfo(cuts_[bestCut].low);
  return best;
}

void SplitEvaluator::CountDiscrete(int att, int fp, int lp) {
  const int values = engine_.Att().ValueCount[static_cast<size_t>(att)];
  const int maxClass = engine_.MaxClass();
  const int classCell = engine_.MaxAtt() + 1;
  ResetCounts(values);
  const CaseSet& cases = engine_.Cases;
  const bool counted = HasDiscreteCounts(att);
  if (counted) {
    std::copy_n(discreteCounts_.begin() + discreteBlock_[static_cast<size_t>(att)],
                static_cast<size_t>(values + 1) * classes_, freq_.begin());
  } else {
    for (int i = fp; i <= lp; ++i) {
      if (i + kCasesAhead <= lp)
        PrefetchCells(cases.Item[static_cast<size_t>(i + kCasesAhead)], att, classCell);
      Case c = cases.Item[static_cast<size_t>(i)];
      Freq(DVal(c, att), c[classCell].discr) += cases.Weight[static_cast<size_t>(i)];
    }
  }
  for (int v = 0; v <= values; ++v) {
    float sum = 0;
    for (int c = 0; c <= maxClass; ++c) sum += Freq(v, c);
    ValFreq[static_cast<size_t>(v)] = sum;
  }
  UnknownRate[static_cast<size_t>(att)] =
      ValFreq[0] / (counted ? discreteItems_ : engine_.CountWeight(fp, lp));
}

void SplitEvaluator::CountDiscreteCells(const std::vector<int>& atts, int fp, int lp) {
  LayOutDiscreteCounts(atts);
  if (atts.empty()) return;
  const CaseSet& cases = engine_.Cases;
  const int classCell = engine_.MaxAtt() + 1;
  const long classes = static_cast<long>(classes_);
  float* counts = discreteCounts_.data();
  const size_t used = atts.size();
  // Each count takes its cases' weights in the order of the cases, as a pass per attribute
  // would, and so does the total.
  float sum = 0;
  for (int i = fp; i <= lp; ++i) {
    if (i + kCasesAhead <= lp)
      PrefetchCells(cases.Item[static_cast<size_t>(i + kCasesAhead)], atts[0], classCell);
    const Case c = cases.Item[static_cast<size_t>(i)];
    const float w = cases.Weight[static_cast<size_t>(i)];
    const long cls = c[classCell].discr;
    for (size_t j = 0; j < used; ++j)
      counts[offset_[j] + static_cast<long>(c[atts[j]].discr) * classes + cls] += w;
    sum += w;
  }
  discreteItems_ = engine_.AllKnown ? static_cast<float>(lp - fp + 1) : sum;
}

float SplitEvaluator::KnownBaseInfo(float knownItems, int maxOutcome) {
  double sum = 0;
  for (int c = 0; c <= engine_.MaxClass(); ++c) {
    float classCount = 0;
    for (int v = 1; v <= maxOutcome; ++v) classCount += Freq(v, c);
    sum += NLogN(classCount);
  }
  return static_cast<float>((NLogN(knownItems) - sum) / knownItems);
}

void SplitEvaluator::EvaluateDiscrete(int att, int fp, int lp, float items) {
  std::ostream& out = engine_.Report();
  const int verbosity = engine_.Options.VERBOSITY;
  const int values = engine_.Att().ValueCount[static_cast<size_t>(att)];
  const std::string& name = engine_.Att().AttName[static_cast<size_t>(att)];
  CountDiscrete(att, fp, lp);
  if (items <= ValFreq[0]) {
    if (verbosity >= 2) out << "\tAtt " << name << ": no known values\n";
    Gain[static_cast<size_t>(att)] = kNoGain;
    Info[static_cast<size_t>(att)] = 0;
    return;
  }
  const float known = items - ValFreq[0];
  const float base = KnownBaseInfo(known, values);
  Gain[static_cast<size_t>(att)] =
      ComputeThisGain(base, UnknownRate[static_cast<size_t>(att)], values, known);
  Info[static_cast<size_t>(att)] = InfoSum(ValFreq.data(), 0, values) / items;
  if (verbosity >= 2) {
    out << "\tAtt " << name;
    if (verbosity >= 3) PrintDistribution(att, values, true);
    out << Format("\tinf %.3f, gain %.3f\n", static_cast<double>(Info[static_cast<size_t>(att)]),
                  static_cast<double>(Gain[static_cast<size_t>(att)]));
  }
}

void SplitEvaluator::CombineBlocks(int att, int b1, int b2, int blocks) {
  const int maxClass = engine_.MaxClass();
  for (int c = 0; c <= maxClass; ++c) Freq(b1, c) += Freq(b2, c);
  ValFreq[static_cast<size_t>(b1)] += ValFreq[static_cast<size_t>(b2)];
  std::vector<ValueSet>& sets = Subset[static_cast<size_t>(att)];
  ValueSet& into = sets[static_cast<size_t>(b1)];
  const ValueSet& from = sets[static_cast<size_t>(b2)];
  for (size_t k = 0; k < into.size(); ++k) into[k] |= from[k];
  if (b2 != blocks) {
    for (int c = 0; c <= maxClass; ++c) Freq(b2, c) = Freq(blocks, c);
    ValFreq[static_cast<size_t>(b2)] = ValFreq[static_cast<size_t>(blocks)];
    sets[static_cast<size_t>(b2)] = sets[static_cast<size_t>(blocks)];
  }
}

void SplitEvaluator::PrintSubset(int att, const ValueSet& set) {
  const AttributeTable& table = engine_.Att();
  std::ostream& out = engine_.Report();
  out << "{";
  bool first = true;
  for (int v = 1; v <= table.ValueCount[static_cast<size_t>(att)]; ++v) {
    if (!InSet(set, v)) continue;
    out << (first ? "" : ",") << table.ValueName[static_cast<size_t>(att)][static_cast<size_t>(v)];
    first = false;
  }
  out << "}";
}

void SplitEvaluator::PrintSubsets(int att, int blocks) {
  for (int b = 1; b <= blocks; ++b) {
    engine_.Report() << " ";
    PrintSubset(att, Subset[static_cast<size_t>(att)][static_cast<size_t>(b)]);
  }
  engine_.Report() << "\n";
}

void SplitEvaluator::EvaluateSubsets(int att, int fp, int lp, float items) {
  std::ostream& out = engine_.Report();
  const InductionOptions& options = engine_.Options;
  const int verbosity = options.VERBOSITY;
  const int maxClass = engine_.MaxClass();
  const int values = engine_.Att().ValueCount[static_cast<size_t>(att)];
  const std::string& name = engine_.Att().AttName[static_cast<size_t>(att)];
  const size_t a = static_cast<size_t>(att);

  // While blocks merge, any two blocks that hold a case give a gain; MINOBJS only tells which
  // blocks are large enough to count as reasonable. The engine's settings stay as they are:
  // other pieces of a job may copy them while this tree grows.
  const int minObjs = options.MINOBJS;
  constexpr int kAnyBlock = 1;
  CountDiscrete(att, fp, lp);
  const float known = items - ValFreq[0];
  const float base = KnownBaseInfo(known, values);
  float prevGain = ComputeThisGain(base, UnknownRate[a], values, known, kAnyBlock);
  float prevInfo = InfoSum(ValFreq.data(), 0, values) / items;
  float prevVal = SplitWorth(prevInfo, prevGain, 0.001f);
  auto printFigures = [&](const char* format) {
    out << Format(format, static_cast<double>(prevInfo), static_cast<double>(prevGain),
                  static_cast<double>(prevVal));
  };
  if (verbosity >= 2) {
    out << "\tAtt " << name;
    if (verbosity >= 3) PrintDistribution(att, values, true);
    printFigures("\tinf %.3f, gain %.3f, val=%.3f\n");
  }

  // Every value seen at the node is a block of its own; the others collect in subset 0.
  std::vector<ValueSet>& sets = Subset[a];
  for (ValueSet& set : sets) std::fill(set.begin(), set.end(), 0);
  int blocks = 0;
  for (int v = 1; v <= values; ++v) {
    if (ValFreq[static_cast<size_t>(v)] > 0.5) {
      ++blocks;
      AddToSet(sets[static_cast<size_t>(blocks)], v);
      for (int c = 0; c <= maxClass; ++c) Freq(blocks, c) = Freq(v, c);
      ValFreq[static_cast<size_t>(blocks)] = ValFreq[static_cast<size_t>(v)];
    } else {
      AddToSet(sets[0], v);
    }
  }

  // Blocks of one class merge with every later block of the same single class.
  bool merged = false;
  for (int b1 = 1; b1 < blocks; ++b1) {
    int c = 0;
    while (c <= maxClass && Freq(b1, c) < 0.1) ++c;
    if (c > maxClass || Freq(b1, c) < ValFreq[static_cast<size_t>(b1)] - 0.1) continue;
    for (int b2 = b1 + 1; b2 <= blocks;) {
      if (Freq(b2, c) >= ValFreq[static_cast<size_t>(b2)] - 0.1) {
        CombineBlocks(att, b1, b2, blocks);
        --blocks;
        merged = true;
      } else {
        ++b2;
      }
    }
  }
  if (merged) {
    prevGain = ComputeThisGain(base, UnknownRate[a], blocks, known, kAnyBlock);
    prevInfo = InfoSum(ValFreq.data(), 0, blocks) / items;
    prevVal = SplitWorth(prevInfo, prevGain, 0.001f);
    if (verbosity >= 2) {
      out << "\tAfter merging single-class subsets:";
      if (verbosity >= 3) PrintSubsets(att, blocks);
      printFigures("\tinf %.3f, gain %.3f, val=%.3f\n");
    }
  }

  // Greedily merge the pair of blocks that is worth most, while that pays.
  const float minGain = prevGain / 2;
  std::vector<float> saved(2 * static_cast<size_t>(maxClass + 1) + 2);
  while (blocks > 2) {
    int reasonable = 0;
    int barred = 0;
    for (int b = 1; b <= blocks; ++b) {
      if (ValFreq[static_cast<size_t>(b)] >= static_cast<float>(minObjs)) ++reasonable;
      if (barred == 0 || ValFreq[static_cast<size_t>(b)] > ValFreq[static_cast<size_t>(barred)])
        barred = b;
    }
    if (reasonable >= 3) barred = 0;

    int bestB1 = 0, bestB2 = 0;
    float bestVal = 0, bestGain = kNoGain, bestInfo = 0;
    for (int b1 = 1; b1 < blocks; ++b1) {
      if (b1 == barred) continue;
      for (int b2 = b1 + 1; b2 <= blocks; ++b2) {
        if (b2 == barred) continue;
        // Try the pair: outcomes 1..blocks-1 as they would be after merging.
        for (int c = 0; c <= maxClass; ++c) {
          saved[static_cast<size_t>(c)] = Freq(b1, c);
          saved[static_cast<size_t>(maxClass + 1 + c)] = Freq(b2, c);
        }
        const float savedVal1 = ValFreq[static_cast<size_t>(b1)];
        const float savedVal2 = ValFreq[static_cast<size_t>(b2)];
        for (int c = 0; c <= maxClass; ++c) {
          Freq(b1, c) += Freq(b2, c);
          Freq(b2, c) = Freq(blocks, c);
        }
        ValFreq[static_cast<size_t>(b1)] += ValFreq[static_cast<size_t>(b2)];
        ValFreq[static_cast<size_t>(b2)] = ValFreq[static_cast<size_t>(blocks)];
        const float gain = ComputeThisGain(base, UnknownRate[a], blocks - 1, known, kAnyBlock);
        const float info = InfoSum(ValFreq.data(), 0, blocks - 1) / items;
        const float val = SplitWorth(info, gain, 0.001f);
        if (verbosity >= 4) {
          out << Format("\tcombine %d %d info %.3f gain %.3f val %.3f", b1, b2,
                        static_cast<double>(info), static_cast<double>(gain),
                        static_cast<double>(val));
          PrintDistribution(att, blocks - 1, false);
        }
        if ((gain >= minGain && bestGain < minGain) || val >= bestVal ||
            (bestB1 == 0 && (!options.GAINRATIO || reasonable < 2))) {
          bestB1 = b1;
          bestB2 = b2;
          bestVal = val;
          bestGain = gain;
          bestInfo = info;
        }
        for (int c = 0; c <= maxClass; ++c) {
          Freq(b1, c) = saved[static_cast<size_t>(c)];
          Freq(b2, c) = saved[static_cast<size_t>(maxClass + 1 + c)];
        }
        ValFreq[static_cast<size_t>(b1)] = savedVal1;
        ValFreq[static_cast<size_t>(b2)] = savedVal2;
      }
    }
    if (options.GAINRATIO && reasonable >= 2 &&
        (bestB1 == 0 || bestVal < prevVal + 0.00005 ||
         (bestVal == prevVal && bestGain < prevGain))) {
      break;
    }
    if (bestB1 == 0) break;
    prevGain = bestGain;
    prevInfo = bestInfo;
    prevVal = bestVal;
    CombineBlocks(att, bestB1, bestB2, blocks);
    --blocks;
    if (verbosity >= 2) {
      out << "\t\tform subset ";
      PrintSubset(att, sets[static_cast<size_t>(bestB1)]);
      out << Format(": %d subsets, inf %.3f, gain %.3f, val %.3f\n", blocks,
                    static_cast<double>(prevInfo), static_cast<double>(prevGain),
                    static_cast<double>(prevVal));
      if (verbosity >= 3) {
        out << Format("\t\tcombine %d, %d", bestB1, bestB2);
        PrintDistribution(att, blocks, false);
      }
    }
  }

  if (prevVal <= 0) {
    Gain[a] = kNoGain;
    Info[a] = 0;
    return;
  }
  Gain[a] = prevGain;
  Info[a] = prevInfo;
  SubsetCount[a] = static_cast<int16_t>(blocks);
  if (verbosity >= 2) {
    out << "\tFinal subsets:";
    PrintSubsets(att, blocks);
    printFigures("\tinf %.3f gain %.3f val %.3f\n");
  }
}

void SplitEvaluator::TakeKnownValues(int att, int first, int last) {
  const size_t a = static_cast<size_t>(att);
  if (knownValuesReady_[a]) return;
  std::vector<float>& values = knownValues_[a];
  values.clear();
  bool positiveZero = false;
  bool negativeZero = false;
  for (int k = first; k <= last; ++k) {
    const float v = keys_[static_cast<size_t>(k)].value;
    // A NaN has no place in the order, and which of two zeros of different signs stands for
    // both is the list's own sort's choice: such lists are left to be made on demand.
    if (v != v || (!values.empty() && v < values.back())) return;
    if (v == 0) (std::signbit(v) ? negativeZero : positiveZero) = true;
    if (values.empty() || v != values.back()) values.push_back(v);
  }
  if (positiveZero && negativeZero) return;
  values.shrink_to_fit();
  knownValuesReady_[a] = true;
}

float SplitEvaluator::HighestValueNotAbove(int att, float t) {
  const size_t a = static_cast<size_t>(att);
  std::vector<float>& values = knownValues_[a];
  if (!knownValuesReady_[a]) {
    // Every split on the attribute asks; one sorted list of its known values answers each in a
    // binary search instead of a pass over all cases.
    const CaseSet& cases = engine_.Cases;
    values.clear();
    values.reserve(cases.Item.size());
    for (Case c : cases.Item) {
      const float v = CVal(c, att);
      if (v != kUnknown && v == v) values.push_back(v);
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    values.shrink_to_fit();
    knownValuesReady_[a] = true;
  }
  auto above = std::upper_bound(values.begin(), values.end(), t);
  return above == values.begin() ? kNoValue : *(above - 1);
}

void SplitEvaluator::PrintDistribution(int att, int maxOutcome, bool showNames) {
  const AttributeTable& table = engine_.Att();
  std::ostream& out = engine_.Report();
  out << "\n\t\t\t ";
  for (int c = 0; c <= table.MaxClass; ++c)
    out << Format("%7.6s", table.ClassName[static_cast<size_t>(c)].c_str());
  out << "\n";
  const bool continuous = table.ValueCount[static_cast<size_t>(att)] == 0;
  for (int v = 0; v <= maxOutcome; ++v) {
    if (showNames) {
      std::string valueName;
      if (v == 0) {
        valueName = "unknown";
      } else if (continuous) {
        valueName = v == 1 ? "below" : "above";
      } else {
        valueName = table.ValueName[static_cast<size_t>(att)][static_cast<size_t>(v)];
      }
      out << Format("\t\t[%-7.7s:", valueName.c_str());
    } else {
      out << Format("\t\t[%-7d:", v);
    }
    for (int c = 0; c <= table.MaxClass; ++c)
      out << Format(" %6.1f", static_cast<double>(Freq(v, c)));
    out << "]\n";
  }
}

}  // namespace quarry::dtree
