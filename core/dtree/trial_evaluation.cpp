#include "core/dtree/trial_evaluation.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

namespace {

// Errors as a percentage of the loaded cases; no cases make no errors.
double Percent(int errors, int cases) { return cases > 0 ? 100.0 * errors / cases : 0.0; }

}  // namespace

TreeEvaluation EvaluateTrials(InductionEngine& engine, const TrialTrees& trees, LeafVote vote) {
  std::ostream& out = engine.Report();
  const int cases = engine.MaxItem() + 1;
  out << "\n";
  if (trees.Trials() > 1) {
    out << "Trial\t Before Pruning           After Pruning\n"
        << "-----\t----------------   ---------------------------\n";
  } else {
    out << "\t Before Pruning           After Pruning\n"
        << "\t----------------   ---------------------------\n";
  }
  out << "\tSize      Errors   Size      Errors   Estimate\n\n";
  TreeEvaluation best;
  for (int t = 0; t < trees.Trials(); ++t) {
    const TreeNode* raw = trees.raw[static_cast<size_t>(t)].get();
    const TreeNode& pruned = *trees.pruned[static_cast<size_t>(t)];
    const RawFigures* taken = raw == nullptr ? &trees.rawFigures[static_cast<size_t>(t)] : nullptr;
    const int rawSize = taken != nullptr ? taken->size : TreeSize(*raw);
    const int rawErrors = taken != nullptr ? taken->errors : CountTreeErrors(engine, *raw, vote);
    const int prunedErrors = CountTreeErrors(engine, pruned, vote);
    const TreeEvaluation line{cases,        rawSize,
                              rawErrors,    TreeSize(pruned),
                              prunedErrors, 100.0 * pruned.Errors() / pruned.Items()};
    if (trees.Trials() > 1) out << Format("%4d", t);
    out << Format("\t%4d  %3d(%4.1f%%)   %4d  %3d(%4.1f%%)    (%4.1f%%)%s\n", line.rawSize,
                  line.rawErrors, Percent(line.rawErrors, cases), line.prunedSize,
                  line.prunedErrors, Percent(line.prunedErrors, cases), line.estimate,
                  t == trees.best ? "   <<" : "");
    if (t == trees.best) best = line;
  }
  return best;
}

}  // namespace quarry::dtree
