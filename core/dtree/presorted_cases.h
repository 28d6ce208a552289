#pragma once
// Where the order among equal values is free (every value known, every weight 1, no windowing),
// each continuous attribute's cases are sorted by value once, at the root, and the sorted lists
// are split stably among the branches of each test: a node's cases then lie in every
// attribute's value order already, and evaluating its cuts needs no sort.
//
// A node's cases hold one segment of each list, starting at the same place in every list; the
// branches of its test get consecutive pieces of that segment, branch 1 first.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"
#include "core/dtree/value_sort.h"

namespace quarry::dtree {

class InductionEngine;

class PresortedCases {
 public:
  // Sorts Item[fp..lp] by the value of each attribute that growing evaluates as continuous. A
  // record's index names its case (the place it had in Item[fp..] when sorted). False, holding
  // nothing, when a value is not a number.
  bool Build(const InductionEngine& engine, int fp, int lp);
  void Clear();

  // The records of attribute att for the segment that starts at `start`, in value order.
  const ValueRecord* Sorted(int att, int start) const {
    return lists_[static_cast<size_t>(slot_[static_cast<size_t>(att)])].data() + start;
  }
  // The class of each record's case, by the record's index.
  const int16_t* Classes() const { return classOf_.data(); }

  // Splits the segment of `count` records at `start` of every list by the outcome of `node`'s
  // test for each case, each branch's cases keeping their order; cases that no branch takes
  // end the segment.
  void Split(const InductionEngine& engine, const TreeNode& node, int start, int count);

 private:
  std::vector<int> slot_;                        // [a]: its list, or -1
  std::vector<std::vector<ValueRecord>> lists_;  // one per sorted attribute
  std::vector<Case> caseOf_;                     // by index
  std::vector<int16_t> classOf_;                 // by index
  std::vector<uint16_t> outcome_;                // by index: the branch of the split being made
  std::vector<int> place_;                       // where each branch's next record goes
  std::vector<ValueRecord> scratch_;
  SortScratch sortScratch_;
};

}  // namespace quarry::dtree
