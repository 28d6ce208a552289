#include "core/pruning/reduced_error_pruning.h"

#include <ostream>
#include <vector>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/recount_tree.h"

namespace quarry::pruning {

using dtree::TreeNode;

namespace {

// Larger than any error count: no graft has been tried yet.
constexpr int kNoGraft = 123945687;

}  // namespace

ReducedErrorPass::ReducedErrorPass(const PruningContext& ctx, TreeNode& root, dtree::LeafVote vote)
    : ctx_(ctx),
      root_(root),
      reach_(root, ctx.engine.Cases.Item),
      tally_(ctx.engine, root, ctx.engine.Cases.Item, vote) {}

void ReducedErrorPass::MakeLeaf(TreeNode& node) {
  const float items = node.Items();
  node.BecomeLeaf(items, items - node.ClassDist[static_cast<size_t>(node.Leaf)]);
}

bool ReducedErrorPass::Prune(TreeNode& node, int number, int& counter) {
  if (node.IsLeaf()) {
    --counter;
    return false;
  }
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    Prune(node.Child(v), counter, counter);
  }
  const int currentErrors = tally_.Errors();
  tally_.Prepare(node, reach_);
  const int16_t type = node.NodeType;
  node.NodeType = dtree::kLeaf;  // for the trial; the children stay
  const int prunedErrors = tally_.Try(root_, node, reach_);
  node.NodeType = type;
  if (currentErrors < prunedErrors) {
    ctx_.Report() << Format(
        "\nnot PRUNED NODE NUMBER: %d \tPRUNED ERRORS: %d \tNOT PRUNED ERRORS: %d", number,
        prunedErrors, currentErrors);
    return false;
  }
  MakeLeaf(node);
  tally_.Accept();
  if (ctx_.Verbose()) {
    ctx_.Report() << Format("\nPRUNED NODE NUMBER: %d \tPRUNED ERRORS: %d \tNOT PRUNED ERRORS: %d",
                            number, prunedErrors, currentErrors);
  }
  return true;
}

bool ReducedErrorPass::Graft(TreeNode& node, int number, int& counter) {
  if (node.IsLeaf()) {
    --counter;
    return false;
  }
  std::vector<int> childNumber(static_cast<size_t>(node.Forks) + 1, 0);
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    childNumber[static_cast<size_t>(v)] = counter;
    Graft(node.Child(v), counter, counter);
  }
  const int currentErrors = tally_.Errors();
  tally_.Prepare(node, reach_);

  // Each inner child in turn takes the node's place; the later branch wins ties.
  int bestGraft = kNoGraft;
  int bestChild = 0;
  bool hasInnerChild = false;
  for (int v = 1; v <= node.Forks; ++v) {
    std::unique_ptr<TreeNode>& slot = node.Branch[static_cast<size_t>(v)];
    if (!slot || slot->IsLeaf()) continue;
    hasInnerChild = true;
    std::unique_ptr<TreeNode> child = std::move(slot);
    dtree::SwapContents(node, *child);
    const int e = tally_.Try(root_, node, reach_);
    dtree::SwapContents(node, *child);
    node.Branch[static_cast<size_t>(v)] = std::move(child);
    if (e <= bestGraft) {
      bestGraft = e;
      bestChild = v;
    }
  }

  const int16_t type = node.NodeType;
  node.NodeType = dtree::kLeaf;
  const int prunedErrors = tally_.Try(root_, node, reach_);
  node.NodeType = type;
  if (prunedErrors <= currentErrors && (!hasInnerChild || prunedErrors <= bestGraft)) {
    MakeLeaf(node);
    tally_.Accept();
    if (ctx_.Verbose()) {
      ctx_.Report() << Format(
          "\nNode number: %d \tErrors when pruned: %d \tErrors when not pruned: %d \tPRUNED",
          number, prunedErrors, currentErrors);
    }
    return true;
  }
  if (hasInnerChild && bestGraft <= currentErrors && bestGraft <= prunedErrors) {
    std::unique_ptr<TreeNode> child = std::move(node.Branch[static_cast<size_t>(bestChild)]);
    dtree::SwapContents(node, *child);  // the node's former content goes with `child`
    node.SetErrors(node.Items() - node.ClassDist[static_cast<size_t>(node.Leaf)]);
    tally_.Try(root_, node, reach_);
    tally_.Accept();
    if (ctx_.Verbose()) {
      ctx_.Report() << Format(
          "\nReplaced node number %d with node number %d \tErrors when grafted node %d: \tErrors "
          "when pruned: %d\tErrors when not grafted or pruned: %d \tGRAFTED",
          number, childNumber[static_cast<size_t>(bestChild)], bestGraft, prunedErrors,
          currentErrors);
    }
    return true;
  }
  ctx_.Report() << Format(
      "\nNot pruned node number: %d \tNot pruned errors: %d \tPruned Errors: %d ", number,
      currentErrors, prunedErrors);
  return false;
}

namespace {

void WriteEvaluationLine(const PruningContext& ctx) {
  if (ctx.Verbose()) {
    ctx.Report() << Format("\n\nEvaluation on pruning data (%d items): \n",
                           ctx.engine.MaxItem() + 1);
  }
}

}  // namespace

Status ReducedErrorPruning(const PruningContext& ctx, TreeNode& tree) {
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;
  dtree::InductionEngine& engine = ctx.engine;
  if (ctx.Verbose()) {
    std::unique_ptr<TreeNode> listed = dtree::CopyTree(tree);
    engine.ResetWeights();
    engine.AllKnown = true;
    RecountTree(engine, *listed, 0, engine.MaxItem());
    ctx.Report() << "\nTREE TO PRUNE:\n\n";
    ctx.PrintTree(*listed);
  }
  ReducedErrorPass pass(ctx, tree, dtree::LeafVote::kDistribution);
  int counter = 1;
  pass.Prune(tree, 1, counter);
  ctx.Report() << "\n\n\nPRUNED TREE (REDUCED ERROR PRUNING)\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

Status ReducedErrorGrafting(const PruningContext& ctx, TreeNode& tree) {
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;
  ReducedErrorPass pass(ctx, tree, dtree::LeafVote::kDistribution);
  int counter = 1;
  pass.Graft(tree, 1, counter);
  ctx.Report() << "\n\n\nPRUNED OR GRAFTED TREE\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
