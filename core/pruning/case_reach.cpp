#include "core/pruning/case_reach.h"

#include <numeric>

#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"

namespace quarry::pruning {

CaseReach::CaseReach(const dtree::TreeNode& root, const std::vector<dtree::Case>& cases)
    : cases_(cases) {
  std::vector<int32_t> all(cases.size());
  std::iota(all.begin(), all.end(), 0);
  Index(root, std::move(all));
}

void CaseReach::Index(const dtree::TreeNode& node, std::vector<int32_t> cases) {
  if (node.IsLeaf()) return;
  const std::vector<int32_t>& here = reach_[&node] = std::move(cases);
  std::vector<int32_t> branch;
  for (int v = 1; v <= node.Forks; ++v) {
    branch.clear();
    for (int32_t entry : here) {
      const int route = dtree::RouteBranch(node, cases_[static_cast<size_t>(CaseOf(entry))]);
      if (route == v) branch.push_back(entry);
      if (route == 0) branch.push_back(Shared(CaseOf(entry)));
    }
    Index(node.Child(v), branch);
  }
}

const std::vector<int32_t>& CaseReach::At(const dtree::TreeNode& node) const {
  static const std::vector<int32_t> kNone;
  auto found = reach_.find(&node);
  return found == reach_.end() ? kNone : found->second;
}

}  // namespace quarry::pruning
