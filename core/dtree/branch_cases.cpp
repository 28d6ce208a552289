#include "core/dtree/branch_cases.h"

#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

BranchCases::BranchCases(InductionEngine& engine, const TreeNode& node, int fp, int lp,
                         bool separate, float* classWeight, float* items)
    : engine_(engine), fp_(fp), lp_(lp) {
  const Case* item = engine.Cases.Item.data();
  const float* weight = engine.Cases.Weight.data();
  const int classCell = engine.MaxAtt() + 1;
  outcome_.resize(static_cast<size_t>(lp - fp + 1));
  int last = fp - 1;
  float sum = 0;
  // Every place from i on still holds the case that was there: the moves exchange i with a
  // place before it.
  for (int i = fp; i <= lp; ++i) {
    if (i + kCasesAhead <= lp) {
      if (classWeight != nullptr) {
        PrefetchCells(item[i + kCasesAhead], node.Tested(), classCell);
      } else {
        PrefetchCells(item[i + kCasesAhead], node.Tested());
      }
    }
    if (classWeight != nullptr) {
      classWeight[item[i][classCell].discr] += weight[i];
      sum += weight[i];
    }
    const int o = engine.Outcome(node, item[i]);
    const auto taken = static_cast<int16_t>(o > node.Forks ? -1 : o);  // beyond: none takes it
    if (taken == 0 && separate) {
      ++last;
      if (last != i) {
        engine.SwapCases(last, i);
        outcome_[static_cast<size_t>(i - fp)] = outcome_[static_cast<size_t>(last - fp)];
      }
    } else {
      outcome_[static_cast<size_t>(i - fp)] = taken;
    }
  }
  if (items != nullptr) *items = engine.AllKnown ? static_cast<float>(lp - fp + 1) : sum;
  kp_ = last + 1;
  outcome_.erase(outcome_.begin(), outcome_.begin() + (kp_ - fp));
  if (kp_ == fp) return;
  size_t size = 16;
  int bits = 4;
  // At most a quarter full: most cases looked up are not in it, and such a look-up ends at the
  // first empty slot.
  while (size < 4 * static_cast<size_t>(kp_ - fp)) {
    size <<= 1;
    ++bits;
  }
  shift_ = 64 - bits;
  mask_ = size - 1;
  unknown_.assign(size, nullptr);
  for (int i = fp; i < kp_; ++i) {
    size_t h = Slot(item[i]);
    while (unknown_[h] != nullptr) h = (h + 1) & mask_;
    unknown_[h] = item[i];
  }
}

bool BranchCases::Unknown(Case c) const {
  for (size_t h = Slot(c);; h = (h + 1) & mask_) {
    if (unknown_[h] == c) return true;
    if (unknown_[h] == nullptr) return false;
  }
}

int BranchCases::Take(int v) {
  int last = kp_ - 1;
  for (int i = kp_; i <= lp_; ++i) {
    if (outcome_[static_cast<size_t>(i - kp_)] != v) continue;
    ++last;
    if (last != i) {
      engine_.SwapCases(last, i);
      std::swap(outcome_[static_cast<size_t>(last - kp_)], outcome_[static_cast<size_t>(i - kp_)]);
    }
  }
  return last;
}

void BranchCases::GatherUnknown(int ep) {
  if (unknown_.empty()) return;
  const Case* item = engine_.Cases.Item.data();
  int last = fp_ - 1;
  for (int i = fp_; i <= ep; ++i) {
    if (Unknown(item[i])) {
      ++last;
      if (last != i) engine_.SwapCases(last, i);
    }
  }
}

}  // namespace quarry::dtree
