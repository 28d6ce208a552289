#pragma once
// The tree the miners count candidates with: a binary tree over item positions, where the node
// at depth d splits on position d (child "0" holds the candidates without item d, child "1" those
// with it). A transaction then meets only the candidates whose items it can contain.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/assoc/itemset.h"

namespace quarry::assoc {

class CandidateTree {
 public:
  // The leaf capacity changes only the speed: a few entries a leaf keep leaf scans short
  // without making the tree much deeper.
  static constexpr uint32_t kDefaultLeafCapacity = 8;

  // `itemCount` is M, the depth below which no position is left to split on.
  explicit CandidateTree(size_t itemCount, uint32_t leafCapacity = kDefaultLeafCapacity);

  // Adds a candidate (ascending positions) with its ordinal in the candidate list. A full leaf
  // splits on its depth's position; a child that receives every entry stays over capacity until
  // the next insertion reaches it.
  void Insert(const ItemPositions& candidate, int32_t ordinal);

  // Calls `found` with the ordinal of every candidate all of whose items the transaction holds
  // (`transaction` has M bytes, 1 for a present item).
  void Search(const ItemVector& transaction, const std::function<void(int32_t)>& found) const;

  bool Empty() const { return nodes_.empty(); }
  size_t Size() const { return entryCount_; }
  // Inner nodes and leaves, for tests of the splitting.
  size_t NodeCount() const { return nodes_.size(); }
  size_t Depth() const;

 private:
  struct Entry {
    uint32_t offset;  // the candidate's positions in pool_
    uint32_t length;
    int32_t ordinal;
  };
  struct Node {
    bool leaf = true;
    int32_t child[2] = {-1, -1};
    std::vector<Entry> entries;
  };

  bool Holds(const Entry& entry, size_t position) const;
  int32_t NewLeaf();

  size_t itemCount_;
  uint32_t leafCapacity_;
  std::vector<Node> nodes_;  // nodes_[0] is the root
  std::vector<int32_t> pool_;
  size_t entryCount_ = 0;
};

}  // namespace quarry::assoc
