#pragma once
// Classifying the engine's cases with a tree. A case whose value a test cannot decide (unknown,
// or a discrete value beyond the test's branches, or in none of its subsets) goes down every
// branch with its weight shared in proportion to the branches' training items; the class with
// the largest summed weight wins, the lowest class number on ties.

#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

// The branch (1..Forks) a case follows at an inner node, or 0 when the test cannot decide and
// the case goes down every branch with its weight shared.
int RouteBranch(const TreeNode& node, Case c);

enum class LeafVote {
  kDistribution,  // a leaf votes its class distribution (variant A)
  kWholeCase,     // a leaf reached with the whole weight votes its class alone (variant B)
};

// Variant A: windowing, threshold softening and the evaluation of every job mode but the
// iterative growing and pruning mode.
int ClassifyCase(InductionEngine& engine, Case c, const TreeNode& tree);
// Variant B.
int ClassifyCaseWhole(InductionEngine& engine, Case c, const TreeNode& tree);
int Classify(InductionEngine& engine, Case c, const TreeNode& tree, LeafVote vote);
// The same with the class sums in `classSum` (MaxClass + 1 entries), left there for the caller.
int Classify(std::vector<float>& classSum, Case c, const TreeNode& tree, LeafVote vote);

// Loaded cases 0..MaxItem whose class differs from the tree's.
int CountTreeErrors(InductionEngine& engine, const TreeNode& tree,
                    LeafVote vote = LeafVote::kDistribution);

}  // namespace quarry::dtree
