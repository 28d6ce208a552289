#pragma once
// Error-based ("standard") pruning: from the training cases alone, each node's pessimistic error
// estimate as a subtree is compared with the estimate as a leaf and with that of its largest
// branch, and the node becomes whichever is best. The confidence level (Options.CF, a fraction
// in (0, 1]) sets the upper confidence bound added to the observed errors; lower prunes more.

#include <string>

#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

// The extra errors to add to `e` errors observed among `n` cases at confidence `cf`.
float AddErrors(float n, float e, float cf);

// Prunes `tree` in place over the loaded cases; returns whether anything changed. The trace (at
// verbosity 1 or more) is appended to the working-folder file named by `stem` with "_data"
// replaced by "_prune.inf". With `countBranches`, when no loaded case has an unknown value,
// the cases are taken down the tree once, each to where it stops, and every node's counts come
// from there instead of partitioning the cases at every level; a node's largest branch is
// estimated from the counts the node's own cases left in it plus the node's other cases,
// instead of taking all the node's cases through it again (both cost the square of the depth
// on chain-like trees). The tree and trace are the same; only the order the cases are left in
// differs, so a caller that reads that order (windowing shuffles from it, softened thresholds
// sort ties by it) leaves it off.
bool ErrorBasedPrune(InductionEngine& engine, TreeNode& tree, const std::string& stem,
                     bool countBranches = false);

// The estimated errors of `node`'s subtree over Item[fp..lp]; with `update` the subtree is
// pruned as it goes, without it nothing changes. `log` collects the trace; a negative `shift`
// writes none.
float EstimateErrors(InductionEngine& engine, TreeNode& node, std::string& log, int fp, int lp,
                     int shift, bool update, bool& changed);

// The name of the pruning trace file for a training table.
std::string PruningLogName(const std::string& stem);

}  // namespace quarry::dtree
