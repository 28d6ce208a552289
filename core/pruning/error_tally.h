#pragma once
// The errors of a tree on a case set, kept case by case so that a local change of the tree is
// judged by reclassifying only the cases it can affect. Every count equals what classifying the
// whole case set would give.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/classification.h"

namespace quarry::pruning {

class ErrorTally {
 public:
  // Classifies every case with `root`.
  ErrorTally(dtree::InductionEngine& engine, const dtree::TreeNode& root,
             const std::vector<dtree::Case>& cases, dtree::LeafVote vote);

  int Errors() const { return errors_; }

  // The errors of `root`, which differs from the tallied tree only at or below `node`, which no
  // case outside `affected` (CaseReach entries of `node`) reaches. A case that reaches `node`
  // with its whole weight gets there with nothing added to its class sums yet, so it is
  // classified from `node` alone; a case spread by an unknown value above is classified from
  // the root. Does not change the tally.
  int Try(const dtree::TreeNode& root, const dtree::TreeNode& node,
          const std::vector<int32_t>& affected);
  // Makes the tree of the last Try the tallied one.
  void Accept();

 private:
  bool Wrong(const dtree::TreeNode& from, int32_t i);

  dtree::InductionEngine& engine_;
  const std::vector<dtree::Case>& cases_;
  dtree::LeafVote vote_;
  std::vector<uint8_t> wrong_;
  int errors_ = 0;
  const std::vector<int32_t>* tried_ = nullptr;
  std::vector<uint8_t> triedWrong_;
  int triedErrors_ = 0;
};

}  // namespace quarry::pruning
