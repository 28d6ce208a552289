#pragma once
// A split node's cases while its branches are taken in turn, as growing and error-based pruning
// take them: the cases of unknown outcome sit at fp..kp-1 and go down every branch, each
// branch's cases are moved up behind them, and after the branch's walk has reordered fp..ep the
// unknown ones are gathered in front again. Every move is the exchange PartitionCases makes, so
// the cases end where it leaves them; but each case's cell is read once, its outcome kept in
// step with its place, and the unknown ones are found again by their addresses.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

class BranchCases {
 public:
  // PartitionCases (node, 0, fp, lp) where `separate`; otherwise no case moves and kp is fp.
  // With `classWeight` (MaxClass + 1 entries, zeroed), the weight of each class among the cases,
  // summed in their order before any moves, and their total in `items` as CountWeight gives it.
  BranchCases(InductionEngine& engine, const TreeNode& node, int fp, int lp, bool separate,
              float* classWeight = nullptr, float* items = nullptr);

  int Kp() const { return kp_; }
  // PartitionCases (node, v, kp, lp): the place of the last case of outcome v.
  int Take(int v);
  // PartitionCases (node, 0, fp, ep) after a branch's walk over fp..ep.
  void GatherUnknown(int ep);
  // Lets go of the outcomes once the last branch has been taken.
  void DropOutcomes() { std::vector<int16_t>().swap(outcome_); }

 private:
  // The cases of unknown outcome by address: a look-up in a small table instead of a read of
  // each case's cells, which lie all over memory once growing has reordered the cases.
  size_t Slot(Case c) const {
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(c) * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  bool Unknown(Case c) const;

  InductionEngine& engine_;
  int fp_;
  int kp_;
  int lp_;
  std::vector<int16_t> outcome_;  // [i - kp]: outcome of the case at i (-1 for none)
  std::vector<Case> unknown_;     // open addressing; empty when no case is unknown
  size_t mask_ = 0;
  int shift_ = 0;
};

}  // namespace quarry::dtree
