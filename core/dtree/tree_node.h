#pragma once
// A decision-tree node: its class distribution, its test and its branches. A node owns its
// subtree; deleting a node deletes everything below it.
//
// Items (training weight at the node) and errors (training errors of its subtree) are kept in
// each of the two test parts: they are read from the continuous part when the node tests a
// threshold and from the discrete part otherwise, and a leaf writes both alike; so a threshold
// node that a pruning method turns into a leaf without new figures shows the figures it had as a
// leaf when it was grown.

#include <cstdint>
#include <memory>
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

struct DiscreteTest : TestPart {
  int16_t Kind = 0;              // kDiscreteTest or kSubsetTest
  std::vector<ValueSet> Subset;  // [1..Forks] for a subset test; entry 0 unused
};

class TreeNode {
 public:
  TreeNode() = default;
  virtual ~TreeNode() = default;
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  int16_t NodeType = kLeaf;
  int16_t Forks = 0;
  std::vector<std::unique_ptr<TreeNode>> Branch;  // [1..Forks]; entry 0 unused
  int16_t Leaf = 0;              // the most frequent class, kept for inner nodes too
  std::vector<float> ClassDist;  // weight of each class among the node's training cases
  int32_t Fp = 0;                // the range of Item the node was grown from
  int32_t Lp = -1;
  ContinuousTest Cont;
  DiscreteTest Discr;
  float alfa = 0;       // cost-complexity value of the pruning methods
  float GainRatio = 0;  // gain / split information of the test when it was chosen

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
  void MakeLeaf(const std::vector<float>& classDist, int leafClass, float items, float errors);
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
