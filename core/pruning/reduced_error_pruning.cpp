#include "core/pruning/reduced_error_pruning.h"

#include <algorithm>
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
      cases_(ctx.engine.Cases.Item),
      vote_(vote),
      counts_(ctx.engine, root, cases_, vote) {
  // Counts for the cases that reach a leaf whole, a tally for the others.
  const std::vector<int32_t> spread = counts_.SetAsideSpreadCases();
  size_t next = 0;
  for (size_t i = 0; i < cases_.size(); ++i) {
    if (next < spread.size() && spread[next] == static_cast<int32_t>(i)) {
      spreadCases_.push_back(cases_[i]);
      ++next;
    } else {
      whole_.push_back(static_cast<int32_t>(i));
    }
  }
  countedErrors_ = counts_.Errors(std::vector<uint8_t>(counts_.Index().Size(), 0));
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
  Graft(root_, 0, 0, static_cast<int32_t>(whole_.size()), 1, counter);
}

int ReducedErrorPass::Prune(TreeNode& node, int id, int number, int& counter) {
  const int asLeaf = counts_.WrongAsLeaf(id);
  if (node.IsLeaf()) {
    --counter;
    return asLeaf;
  }
  int below = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    below += Prune(node.Child(v), counts_.Index().Child(id, v), counter, counter);
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

int ReducedErrorPass::Graft(TreeNode& node, int id, int32_t first, int32_t end, int number,
                            int& counter) {
  const int asLeaf = counts_.WrongAsLeaf(id);
  if (node.IsLeaf()) {
    --counter;
    return asLeaf;
  }
  // The whole cases that reach the node, by branch: whole_[from[v - 1], from[v]).
  std::vector<int32_t> from(static_cast<size_t>(node.Forks) + 1, first);
  route_.resize(static_cast<size_t>(end - first));
  for (int32_t k = first; k < end; ++k) {
    const dtree::Case c = cases_[static_cast<size_t>(whole_[static_cast<size_t>(k)])];
    route_[static_cast<size_t>(k - first)] = static_cast<int16_t>(dtree::RouteBranch(node, c));
  }
  sorted_.clear();
  for (int v = 1; v <= node.Forks; ++v) {
    for (int32_t k = first; k < end; ++k) {
      if (route_[static_cast<size_t>(k - first)] == v)
        sorted_.push_back(whole_[static_cast<size_t>(k)]);
    }
    from[static_cast<size_t>(v)] = first + static_cast<int32_t>(sorted_.size());
  }
  std::copy(sorted_.begin(), sorted_.end(), whole_.begin() + first);
  std::vector<int> childNumber(static_cast<size_t>(node.Forks) + 1, 0);
  std::vector<int> childErrors(static_cast<size_t>(node.Forks) + 1, 0);
  int below = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    childNumber[static_cast<size_t>(v)] = counter;
    childErrors[static_cast<size_t>(v)] =
        Graft(node.Child(v), counts_.Index().Child(id, v), from[static_cast<size_t>(v - 1)],
              from[static_cast<size_t>(v)], counter, counter);
    below += childErrors[static_cast<size_t>(v)];
  }
  const int currentErrors = countedErrors_ + tally_->Errors();
  tally_->Prepare(node, *reach_);

  // Each inner child in turn takes the node's place; the later branch wins ties. The whole cases
  // of its own branch reach it as before; the others are classified by its subtree.
  int bestGraft = kNoGraft;
  int bestChild = 0;
  int bestWhole = 0;
  bool hasInnerChild = false;
  for (int v = 1; v <= node.Forks; ++v) {
    std::unique_ptr<TreeNode>& slot = node.Branch[static_cast<size_t>(v)];
    if (!slot || slot->IsLeaf()) continue;
    hasInnerChild = true;
    std::unique_ptr<TreeNode> child = std::move(slot);
    dtree::SwapContents(node, *child);
    int whole = childErrors[static_cast<size_t>(v)];
    for (int32_t k = first; k < end; ++k) {
      if (k == from[static_cast<size_t>(v - 1)]) k = from[static_cast<size_t>(v)];
      if (k == end) break;
      const dtree::Case c = cases_[static_cast<size_t>(whole_[static_cast<size_t>(k)])];
      whole += dtree::Classify(ctx_.engine, c, node, vote_) != ctx_.engine.ClassOf(c);
    }
    const int e = countedErrors_ - below + whole + tally_->Try(root_, node, *reach_);
    dtree::SwapContents(node, *child);
    node.Branch[static_cast<size_t>(v)] = std::move(child);
    if (e <= bestGraft) {
      bestGraft = e;
      bestChild = v;
      bestWhole = whole;
    }
  }

  const int16_t type = node.NodeType;
  node.NodeType = dtree::kLeaf;
  const int prunedErrors = countedErrors_ - below + asLeaf + tally_->Try(root_, node, *reach_);
  node.NodeType = type;
  if (prunedErrors <= currentErrors && (!hasInnerChild || prunedErrors <= bestGraft)) {
    MakeLeaf(node);
    tally_->Accept();
    countedErrors_ += asLeaf - below;
    if (ctx_.Verbose()) {
      ctx_.Report() << Format(
          "\nNode number: %d \tErrors when pruned: %d \tErrors when not pruned: %d \tPRUNED",
          number, prunedErrors, currentErrors);
    }
    return asLeaf;
  }
  if (hasInnerChild && bestGraft <= currentErrors && bestGraft <= prunedErrors) {
    std::unique_ptr<TreeNode> child = std::move(node.Branch[static_cast<size_t>(bestChild)]);
    dtree::SwapContents(node, *child);  // the node's former content goes with `child`
    node.SetErrors(node.Items() - node.ClassDist[static_cast<size_t>(node.Leaf)]);
    tally_->Try(root_, node, *reach_);
    tally_->Accept();
    countedErrors_ += bestWhole - below;
    if (ctx_.Verbose()) {
      ctx_.Report() << Format(
          "\nReplaced node number %d with node number %d \tErrors when grafted node %d: \tErrors "
          "when pruned: %d\tErrors when not grafted or pruned: %d \tGRAFTED",
          number, childNumber[static_cast<size_t>(bestChild)], bestGraft, prunedErrors,
          currentErrors);
    }
    return bestWhole;
  }
  ctx_.Report() << Format(
      "\nNot pruned node number: %d \tNot pruned errors: %d \tPruned Errors: %d ", number,
      currentErrors, prunedErrors);
  return below;
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
  pass.Prune();
  ctx.Report() << "\n\n\nPRUNED TREE (REDUCED ERROR PRUNING)\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

Status ReducedErrorGrafting(const PruningContext& ctx, TreeNode& tree) {
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;
  ReducedErrorPass pass(ctx, tree, dtree::LeafVote::kDistribution);
  pass.Graft();
  ctx.Report() << "\n\n\nPRUNED OR GRAFTED TREE\n\n";
  WriteEvaluationLine(ctx);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
