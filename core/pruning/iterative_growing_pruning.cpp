#include "core/pruning/iterative_growing_pruning.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/reduced_error_pruning.h"
#include "core/pruning/training_halves.h"

namespace quarry::pruning {

using dtree::TreeNode;

void InheritLeafClass(TreeNode& node, int parentClass) {
  if (!node.IsLeaf()) {
    for (int v = 1; v <= node.Forks; ++v) InheritLeafClass(node.Child(v), node.Leaf);
  }
  if (node.ClassDist.empty()) return;
  const float largest = *std::max_element(node.ClassDist.begin(), node.ClassDist.end());
  if (largest == node.ClassDist[static_cast<size_t>(parentClass)]) {
    node.Leaf = static_cast<int16_t>(parentClass);
  }
}

void RegrowLeaves(dtree::InductionEngine& engine, TreeNode& node, int first, int last,
                  RegrowthCache* cache) {
  if (node.IsLeaf()) {
    const dtree::ClassDistribution dist = node.ClassDist;
    const int16_t leafClass = node.Leaf;
    // Sorts may then take the quicker way, as they do for a new tree: the same subtree, the
    // cases left in another order (which no later branch or step reads).
    const bool anyOrderAtEntry = engine.AnyOrderAmongEquals;
    engine.AnyOrderAmongEquals = dtree::OrderAmongEqualsFree(engine, first, last);
    if (cache != nullptr) {
      cache->Grow(engine, node, first, last);
    } else {
      dtree::GrowTree(engine, node, first, last);
    }
    engine.AnyOrderAmongEquals = anyOrderAtEntry;
    node.Leaf = leafClass;
    node.ClassDist = dist;
    node.SetItems(engine.CountWeight(first, last));
    for (int v = 1; v <= node.Forks; ++v) InheritLeafClass(node.Child(v), node.Leaf);
    return;
  }
  std::vector<float>& weight = engine.Cases.Weight;
  const int kp = engine.PartitionCases(node, 0, first, last) + 1;
  const bool allKnownAtEntry = engine.AllKnown;
  if (kp != first) engine.AllKnown = false;
  const float items = node.Items();
  node.SetErrors(0);
  for (int v = 1; v <= node.Forks; ++v) {
    const int ep = engine.PartitionCases(node, v, kp, last);
    if (kp > ep) continue;
    TreeNode& child = node.Child(v);
    const float factor = child.Items() / items;
    // Unknown cases that a branch without previous items would zero are kept out of it.
    if (factor == 0) {
      RegrowLeaves(engine, child, kp, ep, cache);
      node.SetErrors(node.Errors() + child.Errors());
      continue;
    }
    for (int i = first; i < kp; ++i) weight[static_cast<size_t>(i)] *= factor;
    RegrowLeaves(engine, child, first, ep, cache);
    node.SetErrors(node.Errors() + child.Errors());
    engine.PartitionCases(node, 0, first, ep);
    for (int i = first; i < kp; ++i) weight[static_cast<size_t>(i)] /= factor;
  }
  engine.AllKnown = allKnownAtEntry;
}

namespace {

// Everything that decides how a tree regrows and classifies, as one text: two trees with the
// same signature lead to the same steps.
void AppendSignature(const TreeNode& node, std::string& out) {
  auto put = [&out](const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
  };
  put(&node.NodeType, sizeof node.NodeType);
  put(&node.Forks, sizeof node.Forks);
  put(&node.Leaf, sizeof node.Leaf);
  const float items = node.Items();
  put(&items, sizeof items);
  put(node.ClassDist.data(), node.ClassDist.size() * sizeof(float));
  if (node.IsLeaf()) return;
  const int tested = node.Tested();
  put(&tested, sizeof tested);
  put(&node.Cont.Cut, sizeof node.Cont.Cut);
  for (const dtree::ValueSet& set : node.Discr.Subset) put(set.data(), set.size());
  for (int v = 1; v <= node.Forks; ++v) AppendSignature(node.Child(v), out);
}

std::string Signature(const TreeNode& tree) {
  std::string out;
  AppendSignature(tree, out);
  return out;
}

}  // namespace

namespace {

// The steps, on halves already set up; ends with the last pruned tree in `tree`.
Status RunSteps(const PruningContext& ctx, TreeNode& tree, TrainingHalves& halves, bool reuse,
                int mostSteps) {
  dtree::InductionEngine& engine = ctx.engine;
  std::ostream& out = ctx.Report();

  for (int v = 1; v <= tree.Forks; ++v) {
    if (!tree.Child(v).IsLeaf()) InheritLeafClass(tree.Child(v), tree.Leaf);
  }
  out << Format("\n\n\n\t\t\tSTEP NUMBER %d (ITERATIVE GROWING AND PRUNING METHOD)\n", 1)
      << "\n\nGROWN TREE\n\n";
  std::unique_ptr<TreeNode> grown = dtree::CopyTree(tree);  // G
  TreeNode& pruned = tree;                                  // P

  // Step k grows on the half that step k - 1 pruned with and prunes with the other one.
  auto pruneWith = [&](int half) -> Status {
    if (Status s = halves.Load(half); !s.ok()) return s;
    out << Format("\nRed %d cases from file <%s> for pruning\n\n", engine.MaxItem() + 1,
                  halves.Name(half).c_str());
    ReducedErrorPass pass(ctx, pruned, dtree::LeafVote::kWholeCase);
    pass.Prune();
    out << "\n\n\nPRUNED TREE\n\n";
    return Status::Ok();
  };
  if (Status s = pruneWith(1); !s.ok()) return s;

  // The steps are deterministic: a pruned tree met before at the same half would repeat the
  // same cycle forever, so it ends the loop as equal leaf counts do.
  std::set<std::string> seen[2];
  seen[1].insert(Signature(pruned));
  RegrowthCache caches[2];  // by the half grown on
  int step = 1;
  while (true) {
    if (Status s = ctx.CheckCancelled(); !s.ok()) return s;
    ++step;
    const int half = step % 2;  // 0: the training table, 1: the second half
    engine.JobProgress().Update("iterative growing and pruning (step)", step, -1);
    std::unique_ptr<TreeNode> previous = dtree::CopyTree(pruned);  // Q
    engine.ResetWeights();
    engine.AllKnown = true;
    // The regrowth starts from the previous pruned tree and extends its leaves on the half that
    // pruned it.
    grown = dtree::CopyTree(*previous);
    RegrowthCache* cache = reuse ? &caches[half ^ 1] : nullptr;
    RegrowLeaves(engine, *grown, 0, engine.MaxItem(), cache);
    if (cache != nullptr) cache->EndStep();
    out << Format("\n\n\n\t\t\tSTEP NUMBER %d (ITERATIVE GROWING AND PRUNING METHOD)\n", step)
        << "\n\nGROWN TREE\n\n";
    ctx.PrintTree(*grown);
    dtree::ReplaceWithCopy(pruned, *grown);
    if (Status s = pruneWith(half); !s.ok()) return s;
    if (dtree::LeafCount(pruned) == dtree::LeafCount(*previous)) break;
    if (!seen[half].insert(Signature(pruned)).second) break;
    // On noisy tables with unknown values the leaf counts can swing for ever without a tree
    // coming back; the job must end all the same.
    if (step >= mostSteps) {
      out << Format(
          "\n\nSTEP LIMIT: no two pruned trees in a row had as many leaves in %d steps; the last "
          "pruned tree is kept\n",
          step);
      break;
    }
  }
  out << "\n\n\nBEST TREE (ITERATIVE GROWING AND PRUNING METHOD)\n"
      << Format("AT STEP = %d\n\n", step);
  ctx.PrintTree(pruned);
  return Status::Ok();
}

}  // namespace

Status IterativeGrowingPruning(const PruningContext& ctx, TreeNode& tree, bool reuse,
                               int mostSteps) {
  {
    TrainingHalves halves(ctx, ctx.trainingTable, SecondHalfName(ctx.trainingTable));
    if (!reuse) halves.ReadEachTime();
    if (Status s = RunSteps(ctx, tree, halves, reuse, mostSteps); !s.ok()) return s;
  }  // the halves are let go before the whole set is read
  return ctx.LoadTable(WholeTrainingName(ctx.trainingTable));
}

}  // namespace quarry::pruning
