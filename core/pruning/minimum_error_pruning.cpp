#include "core/pruning/minimum_error_pruning.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/subtree_removal.h"
#include "core/pruning/tree_measures.h"

namespace quarry::pruning {

using dtree::TreeNode;

Expected<MValues> ParseMValues(std::string_view text) {
  MValues list;
  std::string_view rest = TrimRight(text);
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string_view piece = rest.substr(0, comma);
    if (Trim(piece).empty()) break;
    double value = 0;
    if (!ParseDecimal(Trim(piece), value)) {
      return InvalidArgument("the m-value \"" + std::string(Trim(piece)) +
                             "\" is not a number: write the m-values as num1,num2,...");
    }
    if (value < 0) {
      return InvalidArgument("the m-value " + std::string(Trim(piece)) +
                             " is negative: m must be 0 or more");
    }
    if (static_cast<int>(list.values.size()) < kMaxMValues) {
      list.values.push_back(static_cast<float>(value));
    } else {
      list.tooMany = true;
    }
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  return list;
}

float StaticError(const TreeNode& node, float m, const TreeNode& root) {
  const float n = node.Items();
  // An empty leaf with m = 0 has no error rate; it makes no errors.
  if (n + m <= 0) return 0;
  float best = 0;
  for (size_t c = 0; c < node.ClassDist.size(); ++c) {
    const float prior = root.ClassDist[c] / root.Items();
    const float error = (n - node.ClassDist[c] + (1 - prior) * m) / (n + m);
    if (c == 0 || error < best) best = error;
  }
  return best;
}

bool MinimumErrorPrune(const PruningContext& ctx, TreeNode& node, const TreeNode& root, float m,
                       int number, int& counter) {
  const float staticError = StaticError(node, m, root);
  node.SetErrors(staticError);
  if (node.IsLeaf()) {
    --counter;
    return false;
  }
  float dynamicError = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    TreeNode& child = node.Child(v);
    MinimumErrorPrune(ctx, child, root, m, counter, counter);
    dynamicError += child.Items() / node.Items() * child.Errors();
  }
  if (staticError <= dynamicError) {
    PruneToLeaf(node);
    if (ctx.Verbose()) {
      ctx.Report() << Format("\nPRUNED NODE NUMBER: %d \tSE(t): %.2f \tDE(t): %.2f", number,
                             static_cast<double>(staticError * 100),
                             static_cast<double>(dynamicError * 100));
    }
    return true;
  }
  ctx.Report() << Format("\nNot Pruned Node Number: %d \tSE(t): %s \tDE(t): %s", number,
                         Figure("%.2f", static_cast<double>(staticError * 100)).c_str(),
                         Figure("%.2f", static_cast<double>(dynamicError * 100)).c_str());
  return false;
}

Status MinimumErrorPruning(const PruningContext& ctx, const TreeNode& grown, TreeNode& tree) {
  dtree::InductionEngine& engine = ctx.engine;
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;
  Expected<MValues> parsed = ParseMValues(ctx.mValues);
  if (!parsed) return parsed.status();
  const std::vector<float>& m = parsed->values;
  if (parsed->tooMany) ctx.Report() << "\n\tToo much values for m in the file \n";
  if (m.empty()) {
    ctx.Report() << "\n\tNo values for m in the file \n";
    return FatalError("No values for m in the file");
  }
  if (ctx.Verbose()) {
    ctx.Report() << Format("\nNUMBER OF VALUES OF m IS: %d\n\n", static_cast<int>(m.size()));
  }

  PruningErrorCounter errors(engine, grown, engine.Cases.Item);
  const int cases = engine.MaxItem() + 1;
  std::unique_ptr<TreeNode> bestTree;
  TreeMeasure best;
  size_t bestIndex = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    std::unique_ptr<TreeNode> candidate = dtree::CopyTree(grown);
    if (ctx.Verbose()) {
      ctx.Report() << Format("\n\n\nTREE NUMBER %d \tM=%f (MINIMUM ERROR PRUNING METHOD)\n",
                             static_cast<int>(i) + 1, static_cast<double>(m[i]));
    }
    int counter = 1;
    MinimumErrorPrune(ctx, *candidate, grown, m[i], 1, counter);
    const TreeMeasure measure{dtree::LeafCount(*candidate),
                              ErrorPercent(errors.Errors(*candidate), cases)};
    if (ctx.Verbose()) {
      ctx.Report() << Format("\nLeaf number: %d \tError rate: %.2f\n\n", measure.leaves,
                             static_cast<double>(measure.errorRate));
      ctx.PrintTree(*candidate);
    }
    if (i == 0 || BeatsBest(measure.errorRate, measure.leaves, best.errorRate, best.leaves)) {
      best = measure;
      bestIndex = i;
      bestTree = std::move(candidate);
    }
  }
  ctx.Report() << "\n\n\nBEST PRUNED TREE (MINIMUM ERROR PRUNING METHOD)\n"
               << Format("FOR m=%f\n\n", static_cast<double>(m[bestIndex]));
  dtree::SwapContents(tree, *bestTree);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
