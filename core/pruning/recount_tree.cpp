#include "core/pruning/recount_tree.h"

#include <unordered_map>
#include <vector>

#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

using dtree::InductionEngine;
using dtree::TreeNode;

namespace {

dtree::Case ItemAt(const InductionEngine& engine, int i) {
  return engine.Cases.Item[static_cast<size_t>(i)];
}

}  // namespace

void RecountTree(InductionEngine& engine, TreeNode& node, int first, int last) {
  if (first > last) return;
  std::vector<float>& weight = engine.Cases.Weight;
  const float itemsBefore = node.Items();
  const float items = engine.CountWeight(first, last);
  if (node.IsLeaf()) node.SetItems(items);

  float errors = 0;
  for (int i = first; i <= last; ++i) {
    if (engine.ClassOfItem(i) != node.Leaf) errors += weight[static_cast<size_t>(i)];
  }
  node.SetErrors(errors);

  if (!node.IsLeaf()) {
    const int kp = engine.PartitionCases(node, 0, first, last) + 1;
    const bool allKnownAtEntry = engine.AllKnown;
    if (kp != first) engine.AllKnown = false;
    std::unordered_map<dtree::Case, float> saved;
    for (int v = 1; v <= node.Forks; ++v) {
      const int ep = engine.PartitionCases(node, v, kp, last);
      if (kp > ep) continue;  // an empty range leaves the child as it is
      TreeNode& child = node.Child(v);
      const float factor = child.Items() / itemsBefore;
      // A factor of 0 cannot be divided out again: the weights are put back from a copy, case
      // by case, since the recursion may reorder the unknown cases.
      if (factor == 0) {
        saved.clear();
        for (int i = first; i < kp; ++i) saved[ItemAt(engine, i)] = weight[static_cast<size_t>(i)];
      }
      for (int i = first; i < kp; ++i) weight[static_cast<size_t>(i)] *= factor;
      RecountTree(engine, child, first, ep);
      engine.PartitionCases(node, 0, first, ep);
      if (factor != 0) {
        for (int i = first; i < kp; ++i) weight[static_cast<size_t>(i)] /= factor;
      } else {
        for (int i = first; i < kp; ++i) weight[static_cast<size_t>(i)] = saved[ItemAt(engine, i)];
      }
    }
    engine.AllKnown = allKnownAtEntry;
  }
  node.SetItems(items);
}

}  // namespace quarry::pruning
