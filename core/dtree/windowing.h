#pragma once
// Windowing: trees grown from a window of the cases that grows with the cases the last tree
// misclassified, over several trials that start from different random windows.

#include <memory>
#include <string>
#include <vector>

#include "core/data/rand.h"
#include "core/dtree/trial_evaluation.h"

namespace quarry::dtree {

class InductionEngine;

// The initial window and its increment for the loaded cases, computed when the options leave
// them 0: the larger of 2*sqrt(cases) and cases/5, and the larger of window/5 and 1.
int InitialWindow(const InductionEngine& engine);
int WindowIncrement(const InductionEngine& engine, int window);

// How many cases of each class the window starts with: the classes with fewest cases first,
// each taking at most an even share of what is left.
std::vector<int> SetWindowTargets(const InductionEngine& engine, int size);

// Shuffles the case array with `rand` (weights stay where they are).
void ShuffleCases(InductionEngine& engine, Rand& rand);

// Shuffles, then moves the first target(c) cases of each class c, in array order, to the front.
void FormWindow(InductionEngine& engine, Rand& rand, const std::vector<int>& targets);

// Grows trees from the window, adding misclassified cases, until a tree misclassifies none of
// the cases outside its window; returns the tree with the fewest total errors.
std::unique_ptr<TreeNode> GrowWithWindow(InductionEngine& engine, int window, int increment);

// Runs Options.TRIALS trials, each tree simplified by error-based pruning (trace under `stem`);
// fills `trees` and returns the index of the trial whose pruned tree has the fewest errors.
int BuildBestTree(InductionEngine& engine, Rand& rand, const std::string& stem, TrialTrees& trees);

}  // namespace quarry::dtree
