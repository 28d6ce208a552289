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

ReducedErrorPass::ReducedErrorPass(const PruningContext& ctx, TreeNode& root, dtree::LeafVote vote,
                                   bool grafts)
    : ctx_(ctx), root_(root) {
  const std::vector<dtree::Case>& cases = ctx.engine.Cases.Item;
  if (grafts) {
    reach_.emplace(root, cases);
    tally_.emplace(ctx.engine, root, cases, vote);
    return;
  }
  counts_.emplace(ctx.engine, root, cases, vote);
  // Counts for the cases that reach a leaf whole, a tally for the others.
  for (int32_t i : counts_->SetAsideSpreadCases())
    spreadCases_.push_back(cases[static_cast<size_t>(i)]);
  countedErrors_ = counts_->Errors(std::vector<uint8_t>(counts_->Index().Size(), 0));
  reach_.emplace(root, spreadCases_);
  tally_.emplace(ctx.engine, root, spreadCases_, vote);
}

void ReducedErrorPass::MakeLeaf(TreeNode& node) {
  const float items = node.Items();
  node.BecomeLeaf(items, items - node.ClassDist[static_cast<size_t>(node.Leaf)]);
}

void ReducedErrorPass::Prune() {
  int counter = 1;
  Prune(root_, 0, 1, counter);
}

void ReducedErrorPass::Graft() {
  int counter = 1;
  Graft(root_, 1, counter);
}

int ReducedErrorPass::Prune(TreeNode& node, int id, int number, int& counter) {
  const int asLeaf = counts_ ? counts_->WrongAsLeaf(id) : 0;
  if (node.IsLeaf()) {
    --counter;
    return asLeaf;
  }
  int below = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    below += Prune(node.Child(v), counts_ ? counts_->Index().Child(id, v) : 0, counter, counter);
  }
  const int currentErrors = countedErrors_ + tally_->Errors();
  tally_->Prepare(node, *reach_);
  const int16_t type = node.NodeType;
  node.NodeType = dtree::kLeaf;  // for the trial; the children stay
  const int prunedErrors = countedErrors_ - below + asLeaf + tally_->Try(root_, node, *reach_);
  node.NodeType = type;
  if (currentErrors < prunedErrors) {
    ctx_.Report() << Format(
        "\nnot PRUNED NODE NUMBER: %d \tPRUNED ERRORS: %d \tNOT PRUNED ERRORS: %d", number,
        prunedErrors, currentErrors);
    return below;
  }
  MakeLeaf(node);
  tally_->Accept();
  countedErrors_ += asLeaf - below;
  if (ctx_.Verbose()) {
    ctx_.Report() << Format("\nPRUNED NODE NUMBER: %d \tPRUNED ERRORS: %d \tNOT PRUNED ERRORS: %d",
                            number, prunedErrors, currentErrors);
  }
  return asLeaf;
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
  const int currentErrors = tally_->Errors();
  tally_->Prepare(node, *reach_);

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
    const int e = tally_->Try(root_, node, *reach_);
    dtree::SwapContents(node, *child);
    node.Branch[static_cast<size_t>(v)] = std::move(child);
    if (e <= bestGraft) {
      bestGraft = e;
      bestChild = v;
    }
  }

  const int16_t type = node.NodeType;
  node.NodeType = dtree::kLeaf;
  const int prunedErrors = tally_->Try(root_, node, *reach_);
  node.NodeType = type;
  if (prunedErrors <= currentErrors && (!hasInnerChild || prunedErrors <= bestGraft)) {
    MakeLeaf(node);
    tally_->Accept();
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
    tally_->Try(root_, node, *reach_);
    tally_->Accept();
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
  ReducedErrorPass pass(ctx, tree, dtree::LeafVote::kDistribution, false);
  pass.Prune();
  ctx.Report() << "\n\n\nPRUNED TREE (REDUCED ERROR PRUNING)\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

Status ReducedErrorGrafting(const PruningContext& ctx, TreeNode& tree) {
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;
  ReducedErrorPass pass(ctx, tree, dtree::LeafVote::kDistribution, true);
  pass.Graft();
  ctx.Report() << "\n\n\nPRUNED OR GRAFTED TREE\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
