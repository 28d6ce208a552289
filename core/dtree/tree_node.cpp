#include "core/dtree/tree_node.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quarry::dtree {

SubsetList::SubsetList(const SubsetList& other)
    : sets_(other.sets_ ? std::make_unique<std::vector<ValueSet>>(*other.sets_) : nullptr) {}

SubsetList& SubsetList::operator=(const SubsetList& other) {
  if (this != &other) *this = SubsetList(other);
  return *this;
}

SubsetList& SubsetList::operator=(std::initializer_list<ValueSet> sets) {
  sets_ = std::make_unique<std::vector<ValueSet>>(sets);
  return *this;
}

void SubsetList::assign(size_t count, const ValueSet& set) {
  sets_ = std::make_unique<std::vector<ValueSet>>(count, set);
}

bool SubsetList::operator==(const SubsetList& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

float* ClassDistribution::Heap() const {
  float* block;
  std::memcpy(&block, heap_, sizeof block);
  return block;
}

void ClassDistribution::SetHeap(float* block) { std::memcpy(heap_, &block, sizeof block); }

void ClassDistribution::Release() {
  if (size_ > kInPlace) delete[] Heap();
  size_ = 0;
}

void ClassDistribution::Take(ClassDistribution& other) noexcept {
  static_assert(sizeof inPlace_ >= sizeof heap_);
  std::memcpy(inPlace_, other.inPlace_, sizeof inPlace_);
  size_ = other.size_;
  other.size_ = 0;
}

ClassDistribution& ClassDistribution::operator=(ClassDistribution&& other) noexcept {
  if (this != &other) {
    Release();
    Take(other);
  }
  return *this;
}

void ClassDistribution::assign(std::span<const float> weights) {
  const size_t n = weights.size();
  if (n == size_) {  // also safe when `weights` are this distribution's own
    std::copy(weights.begin(), weights.end(), data());
    return;
  }
  float* block = n > kInPlace ? new float[n] : nullptr;
  if (block != nullptr) std::copy(weights.begin(), weights.end(), block);
  float kept[kInPlace];
  if (block == nullptr) std::copy(weights.begin(), weights.end(), kept);
  Release();
  size_ = static_cast<uint32_t>(n);
  if (block != nullptr) {
    SetHeap(block);
  } else {
    std::copy(kept, kept + n, inPlace_);
  }
}

bool ClassDistribution::operator==(const ClassDistribution& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

void TreeNode::MakeLeaf(std::span<const float> classDist, int leafClass, float items,
                        float errors) {
  ClassDist.assign(classDist);
  Leaf = static_cast<int16_t>(leafClass);
  BecomeLeaf(items, errors);
}

void TreeNode::BecomeLeaf(float items, float errors) {
  NodeType = kLeaf;
  SetForks(0);
  Cont.Items = Discr.Items = items;
  Cont.Errors = Discr.Errors = errors;
}

void TreeNode::SetForks(int forks) {
  Forks = static_cast<int16_t>(forks);
  // A leaf keeps no slots at all; slots start empty.
  Branch = forks > 0 ? std::make_unique<std::unique_ptr<TreeNode>[]>(static_cast<size_t>(forks) + 1)
                     : nullptr;
}

namespace {

void CopyFields(TreeNode& to, const TreeNode& from, bool subtrees) {
  to.NodeType = from.NodeType;
  to.Leaf = from.Leaf;
  to.ClassDist = from.ClassDist;
  to.Fp = from.Fp;
  to.Lp = from.Lp;
  to.Cont = from.Cont;
  to.Discr = from.Discr;
  to.alfa = from.alfa;
  to.GainRatio = from.GainRatio;
  to.SetForks(from.Forks);
  if (!subtrees) return;
  for (int v = 1; v <= from.Forks; ++v) {
    const size_t at = static_cast<size_t>(v);
    if (from.Branch[at]) to.Branch[at] = CopyTree(*from.Branch[at]);
  }
}

}  // namespace

std::unique_ptr<TreeNode> CopyTree(const TreeNode& node) {
  auto copy = std::make_unique<TreeNode>();
  CopyFields(*copy, node, true);
  return copy;
}

std::unique_ptr<TreeNode> CopyNode(const TreeNode& node) {
  auto copy = std::make_unique<TreeNode>();
  CopyFields(*copy, node, false);
  return copy;
}

void ReplaceWithCopy(TreeNode& node, const TreeNode& source) {
  std::unique_ptr<TreeNode> copy = CopyTree(source);
  SwapContents(node, *copy);  // the node's former subtree goes with `copy`
}

void SwapContents(TreeNode& a, TreeNode& b) {
  std::swap(a.NodeType, b.NodeType);
  std::swap(a.Forks, b.Forks);
  std::swap(a.Branch, b.Branch);
  std::swap(a.Leaf, b.Leaf);
  std::swap(a.ClassDist, b.ClassDist);
  std::swap(a.Fp, b.Fp);
  std::swap(a.Lp, b.Lp);
  std::swap(a.Cont, b.Cont);
  std::swap(a.Discr, b.Discr);
  std::swap(a.alfa, b.alfa);
  std::swap(a.GainRatio, b.GainRatio);
}

int TreeSize(const TreeNode& node) {
  int size = 1;
  for (int v = 1; v <= node.Forks; ++v) size += TreeSize(node.Child(v));
  return size;
}

int LeafCount(const TreeNode& node) {
  if (node.IsLeaf()) return 1;
  int leaves = 0;
  for (int v = 1; v <= node.Forks; ++v) leaves += LeafCount(node.Child(v));
  return leaves;
}

int TreeDepth(const TreeNode& node) {
  if (node.IsLeaf()) return 0;
  int deepest = 0;
  for (int v = 1; v <= node.Forks; ++v) deepest = std::max(deepest, TreeDepth(node.Child(v)));
  return deepest + 1;
}

int CollapsedLeafCount(const TreeNode& node, int minObjs) {
  if (node.IsLeaf()) {
    return (node.Items() <= static_cast<float>(minObjs) ? 1 : 0) + (node.Errors() == 0 ? 1 : 0);
  }
  int count = 0;
  for (int v = 1; v <= node.Forks; ++v) count += CollapsedLeafCount(node.Child(v), minObjs);
  return count;
}

}  // namespace quarry::dtree
