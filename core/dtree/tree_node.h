#pragma once
// A decision-tree node: its class distribution, its test and its branches. A node owns its
// subtree; deleting a node deletes everything below it.
//
// Items (training weight at the node) and errors (training errors of its subtree) are kept in
// each of the two test parts: they are read from the continuous part when the node tests a
// threshold and from the discrete part otherwise, and a leaf writes both alike; so a threshold
// node that a pruning method turns into a leaf without new figures shows the figures it had as a
// leaf when it was grown.
//
// A grown tree has about as many nodes as it has training cases on noisy data (a test on a
// many-valued attribute adds a branch per value, most of them empty leaves), so a node holds its
// parts in place where it can: the distribution of up to three classes, the branch slots in one
// block, and the subsets of a subset test behind one pointer that other nodes leave empty.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

namespace quarry::dtree {

enum NodeType : int16_t {
  kLeaf = 0,
  kDiscreteTest = 1,  // one branch per value of a discrete attribute
  kCutTest = 2,       // two branches: value <= cut, value > cut
  kSubsetTest = 3,    // one branch per subset of a discrete attribute's values
};

// What both test parts carry.
struct TestPart {
  float Errors = 0;
  int16_t Tested = 0;  // the tested attribute
  float Items = 0;
};

struct ContinuousTest : TestPart {
  float Cut = 0;
  float Lower = 0;  // soft-threshold bounds; equal to Cut until thresholds are softened
  float Upper = 0;
};

// A bit set over the values 1..n of a discrete attribute: (n >> 3) + 1 bytes, bit v of byte
// v >> 3 set when value v belongs to the set.
using ValueSet = std::vector<uint8_t>;
inline bool InSet(const ValueSet& set, int v) {
  return (set[static_cast<size_t>(v >> 3)] >> (v & 7)) & 1;
}
inline void AddToSet(ValueSet& set, int v) {
  set[static_cast<size_t>(v >> 3)] |= uint8_t(1u << (v & 7));
}
inline size_t ValueSetBytes(int valueCount) { return static_cast<size_t>(valueCount >> 3) + 1; }

// The value sets of a subset test, [1..Forks] (entry 0 unused); nothing but a null pointer on
// every other node. Copies are deep; an absent list equals an empty one.
class SubsetList {
 public:
  SubsetList() = default;
  SubsetList(const SubsetList& other);
  SubsetList& operator=(const SubsetList& other);
  SubsetList(SubsetList&&) noexcept = default;
  SubsetList& operator=(SubsetList&&) noexcept = default;
  SubsetList& operator=(std::initializer_list<ValueSet> sets);

  void assign(size_t count, const ValueSet& set);
  size_t size() const { return sets_ ? sets_->size() : 0; }
  bool empty() const { return size() == 0; }
  ValueSet& operator[](size_t v) { return (*sets_)[v]; }
  const ValueSet& operator[](size_t v) const { return (*sets_)[v]; }
  const ValueSet* begin() const { return sets_ ? sets_->data() : nullptr; }
  const ValueSet* end() const { return sets_ ? sets_->data() + sets_->size() : nullptr; }
  bool operator==(const SubsetList& other) const;

 private:
  std::unique_ptr<std::vector<ValueSet>> sets_;
};

struct DiscreteTest : TestPart {
  int16_t Kind = 0;   // kDiscreteTest or kSubsetTest
  SubsetList Subset;  // [1..Forks] for a subset test; entry 0 unused
};

// The weight of each class among a node's training cases: up to kInPlace classes inside the
// node, more in a block of their own.
class ClassDistribution {
 public:
  static constexpr size_t kInPlace = 3;
  using value_type = float;
  using iterator = float*;
  using const_iterator = const float*;

  ClassDistribution() = default;
  ClassDistribution(const ClassDistribution& other) { assign(other); }
  ClassDistribution& operator=(const ClassDistribution& other) {
    assign(other);
    return *this;
  }
  ClassDistribution(ClassDistribution&& other) noexcept { Take(other); }
  ClassDistribution& operator=(ClassDistribution&& other) noexcept;
  ClassDistribution& operator=(std::span<const float> weights) {
    assign(weights);
    return *this;
  }
  ~ClassDistribution() { Release(); }

  void assign(std::span<const float> weights);
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  float* data() { return size_ <= kInPlace ? inPlace_ : Heap(); }
  const float* data() const { return size_ <= kInPlace ? inPlace_ : Heap(); }
  float* begin() { return data(); }
  float* end() { return data() + size_; }
  const float* begin() const { return data(); }
  const float* end() const { return data() + size_; }
  float& operator[](size_t c) { return data()[c]; }
  const float& operator[](size_t c) const { return data()[c]; }
  bool operator==(const ClassDistribution& other) const;

 private:
  // The block's address is kept as bytes so the node stays 4-byte aligned here and packs tight.
  float* Heap() const;
  void SetHeap(float* block);
  void Release();
  void Take(ClassDistribution& other) noexcept;

  union {
    float inPlace_[kInPlace] = {};
    unsigned char heap_[sizeof(float*)];
  };
  uint32_t size_ = 0;
};

class TreeNode {
 public:
  TreeNode() = default;
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  // Branch slots [0..Forks], entry 0 unused.
  using BranchSlots = std::unique_ptr<std::unique_ptr<TreeNode>[]>;

  int16_t NodeType = kLeaf;
  int16_t Forks = 0;
  int16_t Leaf = 0;  // the most frequent class, kept for inner nodes too
  int32_t Fp = 0;    // the range of Item the node was grown from
  int32_t Lp = -1;
  ClassDistribution ClassDist;  // weight of each class among the node's training cases
  ContinuousTest Cont;
  DiscreteTest Discr;
  float alfa = 0;       // cost-complexity value of the pruning methods
  float GainRatio = 0;  // gain / split information of the test when it was chosen
  BranchSlots Branch;   // [1..Forks]; entry 0 unused

  bool IsLeaf() const { return NodeType == kLeaf; }
  TestPart& Part() { return NodeType == kCutTest ? static_cast<TestPart&>(Cont) : Discr; }
  const TestPart& Part() const {
    return NodeType == kCutTest ? static_cast<const TestPart&>(Cont) : Discr;
  }
  float Items() const { return Part().Items; }
  float Errors() const { return Part().Errors; }
  int Tested() const { return Part().Tested; }
  // A leaf writes both parts, an inner node the part its test reads.
  void SetItems(float items) {
    if (IsLeaf()) Cont.Items = items;
    Part().Items = items;
  }
  void SetErrors(float errors) {
    if (IsLeaf()) Cont.Errors = errors;
    Part().Errors = errors;
  }

  TreeNode& Child(int v) { return *Branch[static_cast<size_t>(v)]; }
  const TreeNode& Child(int v) const { return *Branch[static_cast<size_t>(v)]; }

  // Turns the node into a leaf of class `leafClass` with the given distribution and figures,
  // written to both parts; its subtree is deleted.
  void MakeLeaf(std::span<const float> classDist, int leafClass, float items, float errors);
  void MakeLeaf(std::initializer_list<float> classDist, int leafClass, float items, float errors) {
    MakeLeaf(std::span<const float>(classDist.begin(), classDist.size()), leafClass, items, errors);
  }
  // The same keeping the node's distribution and class.
  void BecomeLeaf(float items, float errors);

  // Gives the node `forks` empty branch slots.
  void SetForks(int forks);
};

// A deep copy: distribution, both test parts, subsets and every subtree.
std::unique_ptr<TreeNode> CopyTree(const TreeNode& node);

// The node alone: its branch slots stay empty.
std::unique_ptr<TreeNode> CopyNode(const TreeNode& node);

// Makes `node` a deep copy of `source` (which may lie below `node`: it is copied first).
void ReplaceWithCopy(TreeNode& node, const TreeNode& source);

// Exchanges everything two nodes hold, subtrees included, without copying.
void SwapContents(TreeNode& a, TreeNode& b);

// Tree statistics.
int TreeSize(const TreeNode& node);   // nodes
int LeafCount(const TreeNode& node);  // leaves
int TreeDepth(const TreeNode& node);  // edges on the longest root-to-leaf path; 0 for a leaf
// For every leaf, 1 when its items are at most `minObjs` and another 1 when it has no errors.
int CollapsedLeafCount(const TreeNode& node, int minObjs);
inline float NodeErrors(const TreeNode& node) { return node.Errors(); }
inline float NodeItems(const TreeNode& node) { return node.Items(); }

}  // namespace quarry::dtree
