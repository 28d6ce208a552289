#include "core/pruning/critical_value_pruning.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/recount_tree.h"
#include "core/pruning/subtree_removal.h"
#include "core/pruning/tree_measures.h"

namespace quarry::pruning {

using dtree::TreeNode;

namespace {

// A gain ratio within this of the critical value counts as reaching it.
constexpr double kTolerance = 0.001;

void WriteMeasure(const PruningContext& ctx, const TreeMeasure& measure, const TreeNode& tree) {
  if (!ctx.Verbose()) return;
  ctx.Report() << Format("\nLeaf number: %d \tError rate: %.2f\n\n", measure.leaves,
                         static_cast<double>(measure.errorRate));
  ctx.PrintTree(tree);
}

void WriteTreeNumber(const PruningContext& ctx, int treeNumber, double cv) {
  if (!ctx.Verbose()) return;
  ctx.Report() << Format("\n\n\nTREE NUMBER %d \tCV=%.2f (CRITICAL VALUE PRUNING METHOD)\n",
                         treeNumber, cv);
}

}  // namespace

bool CriticalValuePrune(const PruningContext& ctx, TreeNode& node, double cv, int number,
                        int& counter, bool& changed) {
  if (node.IsLeaf()) {
    --counter;
    return true;
  }
  bool childrenAreLeaves = true;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    if (!CriticalValuePrune(ctx, node.Child(v), cv, counter, counter, changed)) {
      childrenAreLeaves = false;
    }
  }
  if (!childrenAreLeaves || node.GainRatio > cv + kTolerance) return false;
  PruneToLeaf(node);
  changed = true;
  if (ctx.Verbose()) {
    ctx.Report() << Format("\nPRUNED NODE NUMBER: %d \tGAIN-RATIO: %.3f \tTHRESHOLD: %.2f", number,
                           static_cast<double>(node.GainRatio), cv);
  }
  return true;
}

Status CriticalValuePruning(const PruningContext& ctx, TreeNode& tree) {
  dtree::InductionEngine& engine = ctx.engine;
  RecountTree(engine, tree, 0, engine.MaxItem());
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;

  // Every tree of the sequence is a pruning of the recounted tree: its errors are counted from
  // the cases each node receives, without classifying every case again.
  const std::unique_ptr<TreeNode> unpruned = dtree::CopyTree(tree);
  PruningErrorCounter counter(engine, *unpruned, engine.Cases.Item);
  const int cases = engine.MaxItem() + 1;
  auto measure = [&](const TreeNode& t) {
    return TreeMeasure{dtree::LeafCount(t), ErrorPercent(counter.Errors(t), cases)};
  };

  TreeMeasure best = measure(tree);
  float bestCv = 0;
  std::unique_ptr<TreeNode> bestTree = dtree::CopyTree(tree);
  int treeNumber = 1;
  WriteTreeNumber(ctx, treeNumber++, 0.0);
  WriteMeasure(ctx, best, tree);

  for (double cv = 0.01; cv <= 1.001 && dtree::LeafCount(tree) > 1; cv += 0.01) {
    bool changed = false;
    int number = 1;
    CriticalValuePrune(ctx, tree, cv, 1, number, changed);
    if (!changed) continue;
    WriteTreeNumber(ctx, treeNumber++, cv);
    const TreeMeasure m = measure(tree);
    WriteMeasure(ctx, m, tree);
    if (BeatsBest(m.errorRate, m.leaves, best.errorRate, best.leaves)) {
      best = m;
      bestCv = static_cast<float>(cv);
      bestTree = dtree::CopyTree(tree);
    }
  }
  ctx.Report() << "\n\n\nBEST PRUNED TREE (CRITICAL VALUE PRUNING METHOD)\n"
               << Format("FOR cv=%.2f\n\n", static_cast<double>(bestCv));
  dtree::ReplaceWithCopy(tree, *bestTree);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
