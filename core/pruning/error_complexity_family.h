#pragma once
// The nested family of cost-complexity (weakest-link) prunings of a tree. Two trees are pruned
// together node for node: A, whose node errors are R(t), the training errors of the node as a
// leaf, and B, whose node errors are R(Tt), those of the node's subtree. At each step every
// inner node gets alfa = (R(t) - R(Tt)) / N / (leaves below - 1), and the nodes of least alfa
// become leaves; the pruned tree is the family's next member, until only the root is left.
//
// Member 0 is the tree as grown; every later member is a pruning of the recounted tree A, so the
// family keeps that tree once, with the member from which each node is a leaf, instead of a
// copy per member.

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/indexed_tree.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

// Stores in every inner node of `a` its alfa and returns the leaves of `a`'s subtree; lowers
// `minAlfa` to the least alfa met. `b` is walked in parallel.
int ComputeAlfas(dtree::TreeNode& a, const dtree::TreeNode& b, float n, float& minAlfa);

struct FamilySettings;

class TreeFamily {
 public:
  int Size() const { return static_cast<int>(alfa_.size()); }
  float Alfa(int k) const { return alfa_[static_cast<size_t>(k)]; }
  int Leaves(int k) const { return leaves_[static_cast<size_t>(k)]; }
  const std::vector<int>& Leaves() const { return leaves_; }

  // Member 0, the tree as grown.
  const dtree::TreeNode& First() const { return *first_; }
  // The recounted, unpruned tree of which members 1.. are prunings, and its node ids.
  const dtree::TreeNode& Reference() const { return *reference_; }
  const IndexedTree& Index() const { return *index_; }
  // The nodes (by id) that member k >= 1 has made leaves.
  std::vector<uint8_t> Cuts(int k) const;
  // A copy of member k.
  std::unique_ptr<dtree::TreeNode> Member(int k) const;

 private:
  friend class FamilyBuilder;
  friend Expected<TreeFamily> BuildTreeFamily(const PruningContext& ctx,
                                              const dtree::TreeNode& grown,
                                              std::unique_ptr<dtree::TreeNode> recounted,
                                              const FamilySettings& settings);
  std::unique_ptr<dtree::TreeNode> first_;
  std::unique_ptr<dtree::TreeNode> reference_;
  std::unique_ptr<IndexedTree> index_;
  std::vector<int> prunedAt_;  // by node id: the first member in which the node is a leaf
  std::vector<float> alfa_;    // by member: the alfa at which it was made; 0 for member 0
  std::vector<int> leaves_;    // by member
};

struct FamilySettings {
  float n = 1;                   // N of the alfa formula
  bool skipNonPositive = false;  // a step of alfa <= 0 prunes without making a member
  bool printMembers = false;     // print every member at verbosity 1 or more
  int maxMembers = 1000;         // a family that would need more fails
  std::string overflowReport;    // written to the report when it does
};

// Builds the family of `grown` (member 0) from `recounted`, a copy of it after RecountTree on
// its training cases. Fails with kFatal when the family outgrows settings.maxMembers.
Expected<TreeFamily> BuildTreeFamily(const PruningContext& ctx, const dtree::TreeNode& grown,
                                     std::unique_ptr<dtree::TreeNode> recounted,
                                     const FamilySettings& settings);

}  // namespace quarry::pruning
