#include "core/pruning/pessimistic_error_pruning.h"

#include <cmath>
#include <ostream>
#include <unordered_map>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/recount_tree.h"
#include "core/pruning/subtree_removal.h"

namespace quarry::pruning {

using dtree::TreeNode;

namespace {

using LeafCounts = std::unordered_map<const TreeNode*, int>;

// The leaves below every inner node, counted once: pruning goes top-down, so a node is judged
// while its subtree is still as grown, and counting it again at every node would take time in
// proportion to the depth at each one.
int CountLeaves(const TreeNode& node, LeafCounts& leaves) {
  if (node.IsLeaf()) return 1;
  int count = 0;
  for (int v = 1; v <= node.Forks; ++v) count += CountLeaves(node.Child(v), leaves);
  leaves[&node] = count;
  return count;
}

// Judges `node` of the tree to prune against `companion`, the same tree recounted on the
// training cases (its errors are each node's errors as a leaf). True when the node was pruned.
bool PessimisticPrune(const PruningContext& ctx, TreeNode& node, const TreeNode& companion,
                      const LeafCounts& leaves, int number, int& counter) {
  if (node.IsLeaf()) {
    --counter;
    return false;
  }
  const float n = node.Items();
  const float leafErrors = companion.Errors() + 0.5f;                                    // n'(t)
  const float treeErrors = node.Errors() + 0.5f * static_cast<float>(leaves.at(&node));  // n'(Tt)
  const float se = std::sqrt((n - treeErrors) * treeErrors / n);
  if (n < treeErrors || treeErrors + se < leafErrors) {
    for (int v = 1; v <= node.Forks; ++v) {
      ++counter;
      PessimisticPrune(ctx, node.Child(v), companion.Child(v), leaves, counter, counter);
    }
    return false;
  }
  SkipSubtreeNumbers(node, counter);
  node.BecomeLeaf(node.Items(), companion.Errors());
  if (ctx.Verbose()) {
    ctx.Report() << Format(
        "\nPRUNED NODE NUMBER: %d \tN(t): %.2f \tn'(t): %.2f \tn'(Tt): %.2f \tSE: %.2f", number,
        static_cast<double>(n), static_cast<double>(leafErrors), static_cast<double>(treeErrors),
        static_cast<double>(se));
  }
  return true;
}

}  // namespace

Status PessimisticErrorPruning(const PruningContext& ctx, TreeNode& tree) {
  dtree::InductionEngine& engine = ctx.engine;
  ctx.Report() << "\n\nTRAINED TREE\n\n";
  std::unique_ptr<TreeNode> companion = dtree::CopyTree(tree);
  RecountTree(engine, *companion, 0, engine.MaxItem());
  LeafCounts leaves;
  CountLeaves(tree, leaves);
  int counter = 1;
  PessimisticPrune(ctx, tree, *companion, leaves, 1, counter);
  ctx.Report() << "\n\n\nPRUNED TREE (PESSIMISTIC ERROR PRUNING 1SE)\n\n";
  return Status::Ok();
}

}  // namespace quarry::pruning
