#pragma once
// Where the order among equal values is free (every value known, every weight 1, no windowing),
// each continuous attribute's cases are sorted by value once, at the root, and the sorted lists
// are split stably among the branches of each test: a node's cases then lie in every
// attribute's value order already, and evaluating its cuts needs no sort.
//
// A node's cases hold one segment of each list, starting at the same place in every list; the
// branches of its test get consecutive pieces of that segment, the largest first.

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
  // record's index names its case (the place it had in Item[fp..] when sorted) in its low bits
  // and the case's class above them, from bit ClassShift() on. False, holding nothing, when a
  // value is not a number, the cases and classes do not fit in the index together or a discrete
  // attribute has more values than a code holds.
  bool Build(const InductionEngine& engine, int fp, int lp);
  void Clear();

  // The records of attribute att for the segment that starts at `start`, in value order.
  const ValueRecord* Sorted(int att, int start) const {
    return lists_[static_cast<size_t>(slot_[static_cast<size_t>(att)])].data() + start;
  }
  // The records of the segment at `start` in some order (of one list, whichever).
  const ValueRecord* Segment(int start) const { return lists_.front().data() + start; }
  int ClassShift() const { return classShift_; }
  uint32_t CaseMask() const { return caseMask_; }
  // Each case's value numbers of the discrete attributes, DiscreteStride() a case, by the
  // case's index; attribute a's at DiscreteColumn(a).
  const uint16_t* DiscreteCodes() const { return codes_.data(); }
  int DiscreteStride() const { return stride_; }
  const int* DiscreteColumn() const { return column_.data(); }

  // Puts the cases back into Item[fp..] in the order of a list, which after growing holds
  // each leaf's cases together: walks of the tree that take the cases in turn then follow one
  // path many times over.
  void PutCasesInOrder(InductionEngine& engine, int fp) const;

  // A branch's segment.
  struct Piece {
    int start = 0;
    int count = 0;
  };
  // Splits the segment of `count` records at `start` of every list by the outcome of `node`'s
  // test for each case, each branch's cases keeping their order, and sets each branch's
  // segment, branch[v] for v = 1..Forks. The branch with the most cases closes up in place at
  // the start; the others follow it in branch order, and cases that no branch takes end the
  // segment.
  void Split(const InductionEngine& engine, const TreeNode& node, int start, int count,
             std::vector<Piece>& branch);

 private:
  std::vector<int> slot_;                        // [a]: its list, or -1
  std::vector<std::vector<ValueRecord>> lists_;  // one per sorted attribute
  std::vector<Case> caseOf_;                     // by index
  int classShift_ = 32;
  uint32_t caseMask_ = 0;
  std::vector<uint16_t> codes_;  // [index * stride_ + column_[a]]
  std::vector<int> column_;      // [a]
  int stride_ = 0;
  std::vector<uint16_t> outcome_;  // by index: the branch of the split being made
  std::vector<uint64_t> first_;    // by index, a bit: whether the case goes down branch 1
  void MarkFirst(uint32_t index, bool first) {
    uint64_t& word = first_[index >> 6];
    const uint64_t bit = uint64_t{1} << (index & 63);
    word = first ? word | bit : word & ~bit;
  }
  std::vector<int> place_;  // where each branch's next record goes
  std::vector<ValueRecord> scratch_;
  SortScratch sortScratch_;
};

}  // namespace quarry::dtree
