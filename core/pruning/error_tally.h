#pragma once
// The errors of a tree on a case set, kept case by case so that a local change of the tree is
// judged by reclassifying only the cases it can affect. Every count equals what classifying the
// whole case set would give.
//
// A case that reaches the changed node with its whole weight gets there with nothing added to
// its class sums yet, so the node's subtree alone decides its class. A case spread over several
// branches by an unknown value above collects votes from all over the tree, and its class is
// the first largest of float sums whose rounding depends on the order of every vote; reclassifying
// it from the root for each trial is what makes a tree with many unknown values slow. So the
// tally keeps each case's sums in double precision, replaces only the changed node's share of
// them, and takes the class from those sums when the two largest lie further apart than any
// rounding of the float sums could move them (a bound from the number of nodes the case
// visits in the tried tree); otherwise, rarely, it classifies the case from the root as the
// definition does.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/classification.h"
#include "core/pruning/case_reach.h"

namespace quarry::pruning {

class ErrorTally {
 public:
  // Classifies every case with `root`.
  ErrorTally(dtree::InductionEngine& engine, const dtree::TreeNode& root,
             const std::vector<dtree::Case>& cases, dtree::LeafVote vote);

  int Errors() const { return errors_; }

  // Notes what the subtree at `node` (an inner node of the tallied tree, indexed in `reach`)
  // now gives its cases; call it before the trials of `node` change the tree.
  void Prepare(const dtree::TreeNode& node, const CaseReach& reach);
  // The errors of `root`, which differs from the tallied tree only at or below `node`, the node
  // of the last Prepare. Does not change the tally.
  int Try(const dtree::TreeNode& root, const dtree::TreeNode& node, const CaseReach& reach);
  // Makes the tree of the last Try the tallied one.
  void Accept();

 private:
  bool Wrong(const dtree::TreeNode& from, int32_t i);
  // The votes of the subtree at `node` for case i arriving with weight w, in double precision;
  // returns the nodes visited.
  long AddVotes(const dtree::TreeNode& node, int32_t i, float w, double* sums) const;
  // The class the double sums of a case whose classification visits `visits` nodes give, or -1
  // when rounding could decide otherwise.
  int SureClass(const double* sums, long visits) const;
  double* Sums(std::vector<double>& table, size_t row) { return &table[row * classes_]; }

  dtree::InductionEngine& engine_;
  const std::vector<dtree::Case>& cases_;
  dtree::LeafVote vote_;
  size_t classes_ = 0;
  std::vector<uint8_t> wrong_;
  std::vector<double> sums_;  // each case's class sums in the tallied tree
  std::vector<long> visits_;  // and the nodes its classification visits
  int errors_ = 0;

  std::vector<double> before_;  // per entry of the prepared node: its subtree's votes
  std::vector<long> beforeVisits_;
  const std::vector<int32_t>* tried_ = nullptr;
  std::vector<uint8_t> triedWrong_;
  std::vector<double> triedSums_;  // per entry: the case's sums in the tried tree
  std::vector<long> triedVisits_;
  int triedErrors_ = 0;
};

}  // namespace quarry::pruning
