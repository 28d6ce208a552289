#pragma once
// The trees of a job, one raw and one pruned per trial, and the evaluation table that compares
// them on the loaded cases.

#include <memory>
#include <vector>

#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

// What the job reports and writes of a raw tree, taken before the tree itself is pruned in place.
struct RawFigures {
  int size = 0;
  int errors = 0;  // on the loaded cases, with the job's vote
  int leaves = 0;
  float items = 0;
};

// One line of the report's evaluation table: the raw ("Before Pruning") and the pruned ("After
// Pruning") tree of a trial on the loaded cases.
struct TreeEvaluation {
  int cases = 0;
  int rawSize = 0;
  int rawErrors = 0;
  int prunedSize = 0;
  int prunedErrors = 0;
  double estimate = 0;  // the pruned tree's predicted error, percent
};

struct TrialTrees {
  std::vector<std::unique_ptr<TreeNode>> raw;     // as grown; null when pruned in place
  std::vector<std::unique_ptr<TreeNode>> pruned;  // as pruned
  std::vector<RawFigures> rawFigures;             // [t] for a null raw[t]: taken on the same cases
  int best = 0;

  int Trials() const { return static_cast<int>(raw.size()); }
};

// Writes the table of sizes and errors of every trial's trees on the loaded cases, the best
// trial marked "   <<", and returns the best trial's line.
TreeEvaluation EvaluateTrials(InductionEngine& engine, const TrialTrees& trees, LeafVote vote);

}  // namespace quarry::dtree
