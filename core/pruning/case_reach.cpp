#include "core/pruning/case_reach.h"

#include <numeric>

#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"

namespace quarry::pruning {

CaseReach::CaseReach(const dtree::TreeNode& root, const std::vector<dtree::Case>& cases)
    : cases_(cases) {
  Entries all;
  all.entry.resize(cases.size());
  std::iota(all.entry.begin(), all.entry.end(), 0);
  all.parentWeight.assign(cases.size(), 1.0f);
  all.spreadAtParent.assign(cases.size(), 0);
  Index(root, std::move(all));
}

float CaseReach::ArrivalWeight(const Entries& here, const dtree::TreeNode& node, size_t k) {
  // The classifier's share, in its order of operations.
  return here.spreadAtParent[k] ? here.parentWeight[k] * node.Items() / here.parentItems
                                : here.parentWeight[k];
}

void CaseReach::Index(const dtree::TreeNode& node, Entries cases) {
  if (node.IsLeaf()) return;
  const Entries& here = reach_[&node] = std::move(cases);
  const size_t n = here.entry.size();
  std::vector<float> arrival(n);
  std::vector<int16_t> route(n);
  for (size_t k = 0; k < n; ++k) {
    arrival[k] = ArrivalWeight(here, node, k);
    route[k] = static_cast<int16_t>(
        dtree::RouteBranch(node, cases_[static_cast<size_t>(CaseOf(here.entry[k]))]));
  }
  for (int v = 1; v <= node.Forks; ++v) {
    Entries branch;
    branch.parentItems = node.Items();
    for (size_t k = 0; k < n; ++k) {
      if (route[k] != v && route[k] != 0) continue;
      const int32_t entry = here.entry[k];
      branch.entry.push_back(route[k] == v ? entry : Shared(CaseOf(entry)));
      branch.parentWeight.push_back(arrival[k]);
      branch.spreadAtParent.push_back(route[k] == 0);
    }
    Index(node.Child(v), std::move(branch));
  }
}

const CaseReach::Entries& CaseReach::EntriesAt(const dtree::TreeNode& node) const {
  static const Entries kNone;
  auto found = reach_.find(&node);
  return found == reach_.end() ? kNone : found->second;
}

}  // namespace quarry::pruning
