#pragma once
// How the pruning methods measure and compare trees on the loaded cases.

#include <vector>

namespace quarry::dtree {
class InductionEngine;
class TreeNode;
}  // namespace quarry::dtree

namespace quarry::pruning {

// Loaded cases the tree misclassifies when a case that reaches a leaf with its whole weight
// takes that leaf's class (the iterative method's count).
int CountTreeErrorsByLeaf(dtree::InductionEngine& engine, const dtree::TreeNode& root);

struct TreeMeasure {
  int leaves = 0;
  float errorRate = 0;  // percent of the loaded cases
};
// Leaves, and the errors on the loaded cases as a percentage of them.
TreeMeasure MeasureTree(dtree::InductionEngine& engine, const dtree::TreeNode& root);
float ErrorPercent(int errors, int cases);

// Whether a candidate with (errorRate, leaves) replaces the best so far: a lower error rate, or
// the same with no more leaves, so that ties go to the later, smaller tree.
bool BeatsBest(float errorRate, int leaves, float bestErrorRate, int bestLeaves);

// The index of the best of candidates 0..last, compared in order with BeatsBest.
int PickBestTree(const std::vector<float>& errorRates, const std::vector<int>& leaves, int last);

}  // namespace quarry::pruning
