#pragma once
// Which cases a tree's classification takes through each of its inner nodes. A change at a node
// can change the class of those cases only, so a method that changes one node at a time
// reclassifies them alone instead of the whole case set.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/dtree/case_set.h"

namespace quarry::dtree {
class TreeNode;
}

namespace quarry::pruning {

class CaseReach {
 public:
  // Indexes `root`'s inner nodes for `cases`. A case reaches a node when the classifier visits
  // it, with its whole weight or with a share of it.
  CaseReach(const dtree::TreeNode& root, const std::vector<dtree::Case>& cases);

  // Indexes of the cases that reach `node`, an inner node of the tree as it was indexed; the
  // node may since have changed, as long as the nodes above it did not.
  const std::vector<int32_t>& At(const dtree::TreeNode& node) const;

 private:
  void Index(const dtree::TreeNode& node, std::vector<int32_t> cases);

  const std::vector<dtree::Case>& cases_;
  std::unordered_map<const dtree::TreeNode*, std::vector<int32_t>> reach_;
};

}  // namespace quarry::pruning
