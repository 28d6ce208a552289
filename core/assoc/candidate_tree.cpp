#include "core/assoc/candidate_tree.h"

#include <algorithm>
#include <utility>

namespace quarry::assoc {

CandidateTree::CandidateTree(size_t itemCount, uint32_t leafCapacity)
    : itemCount_(itemCount), leafCapacity_(std::max<uint32_t>(leafCapacity, 1)) {}

bool CandidateTree::Holds(const Entry& entry, size_t position) const {
  const int32_t* begin = pool_.data() + entry.offset;
  return std::binary_search(begin, begin + entry.length, static_cast<int32_t>(position));
}

int32_t CandidateTree::NewLeaf() {
  nodes_.emplace_back();
  return static_cast<int32_t>(nodes_.size() - 1);
}

void CandidateTree::Insert(const ItemPositions& candidate, int32_t ordinal) {
  const Entry entry{static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(candidate.size()),
                    ordinal};
  pool_.insert(pool_.end(), candidate.begin(), candidate.end());
  ++entryCount_;
  if (nodes_.empty()) NewLeaf();
  int32_t node = 0;
  size_t depth = 0;
  while (!nodes_[static_cast<size_t>(node)].leaf) {
    node = nodes_[static_cast<size_t>(node)].child[Holds(entry, depth) ? 1 : 0];
    ++depth;
  }
  if (nodes_[static_cast<size_t>(node)].entries.size() < leafCapacity_ || depth >= itemCount_) {
    nodes_[static_cast<size_t>(node)].entries.push_back(entry);
    return;
  }
  // A full leaf becomes an inner node; its entries and the new one go down by byte `depth`.
  std::vector<Entry> entries = std::move(nodes_[static_cast<size_t>(node)].entries);
  entries.push_back(entry);
  const int32_t zero = NewLeaf();
  const int32_t one = NewLeaf();
  Node& split = nodes_[static_cast<size_t>(node)];
  split.entries.clear();
  split.leaf = false;
  split.child[0] = zero;
  split.child[1] = one;
  for (const Entry& e : entries) {
    nodes_[static_cast<size_t>(Holds(e, depth) ? one : zero)].entries.push_back(e);
  }
}

void CandidateTree::Search(const ItemVector& transaction,
                           const std::function<void(int32_t)>& found) const {
  if (nodes_.empty()) return;
  // An explicit stack: a tree over thousands of binarized columns can be that deep.
  std::vector<std::pair<int32_t, size_t>> stack;
  stack.emplace_back(0, 0);
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    const Node& n = nodes_[static_cast<size_t>(node)];
    if (!n.leaf) {
      stack.emplace_back(n.child[0], depth + 1);
      if (transaction[depth] == 1) stack.emplace_back(n.child[1], depth + 1);
      continue;
    }
    for (const Entry& e : n.entries) {
      const int32_t* p = pool_.data() + e.offset;
      const int32_t* end = p + e.length;
      while (p != end && transaction[static_cast<size_t>(*p)] == 1) ++p;
      if (p == end) found(e.ordinal);
    }
  }
}

size_t CandidateTree::Depth() const {
  if (nodes_.empty()) return 0;
  size_t deepest = 0;
  std::vector<std::pair<int32_t, size_t>> stack{{0, 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, depth);
    const Node& n = nodes_[static_cast<size_t>(node)];
    if (!n.leaf) {
      stack.emplace_back(n.child[0], depth + 1);
      stack.emplace_back(n.child[1], depth + 1);
    }
  }
  return deepest;
}

}  // namespace quarry::assoc
