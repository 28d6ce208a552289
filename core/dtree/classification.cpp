#include "core/dtree/classification.h"

#include <algorithm>

#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

namespace {

class CaseSpreader {
 public:
  CaseSpreader(std::vector<float>& classSum, LeafVote vote) : sum_(classSum), vote_(vote) {}

  void Spread(Case c, const TreeNode& from, float w) {
    // Down the one branch a known value takes without a call a level: cases of deep trees
    // pass many levels.
    const TreeNode* node = &from;
    while (!node->IsLeaf()) {
      const int branch = RouteBranch(*node, c);
      if (branch <= 0) {
        SpreadAll(c, *node, w);
        return;
      }
      node = &node->Child(branch);
    }
    Vote(*node, w);
  }

 private:
  void SpreadAll(Case c, const TreeNode& node, float w) {
    for (int b = 1; b <= node.Forks; ++b) {
      const TreeNode& child = node.Child(b);
      Spread(c, child, w * child.Items() / node.Items());
    }
  }

  void Vote(const TreeNode& leaf, float w) {
    const float items = leaf.Items();
    if (items <= 0 || (vote_ == LeafVote::kWholeCase && w >= 1.0f)) {
      sum_[static_cast<size_t>(leaf.Leaf)] += w;
      return;
    }
    for (size_t c = 0; c < sum_.size(); ++c) {
      if (leaf.ClassDist[c] != 0) sum_[c] += w * leaf.ClassDist[c] / items;
    }
  }

  std::vector<float>& sum_;
  LeafVote vote_;
};

}  // namespace

int RouteBranch(const TreeNode& node, Case c) {
  switch (node.NodeType) {
    case kDiscreteTest: {
      const int v = DVal(c, node.Tested());
      return v >= 1 && v <= node.Forks ? v : 0;
    }
    case kCutTest: {
      const float v = CVal(c, node.Tested());
      if (v == kUnknown) return 0;
      return v <= node.Cont.Cut ? 1 : 2;
    }
    case kSubsetTest: {
      const int v = DVal(c, node.Tested());
      if (v == kUnknownValue) return 0;
      for (int b = 1; b <= node.Forks; ++b) {
        if (InSet(node.Discr.Subset[static_cast<size_t>(b)], v)) return b;
      }
      return 0;
    }
    default:
      return 0;
  }
}

int Classify(InductionEngine& engine, Case c, const TreeNode& tree, LeafVote vote) {
  return Classify(engine.ClassSum, c, tree, vote);
}

int Classify(std::vector<float>& classSum, Case c, const TreeNode& tree, LeafVote vote) {
  std::fill(classSum.begin(), classSum.end(), 0.0f);
  CaseSpreader(classSum, vote).Spread(c, tree, 1.0f);
  int best = 0;
  for (size_t k = 1; k < classSum.size(); ++k) {
    if (classSum[k] > classSum[static_cast<size_t>(best)]) best = static_cast<int>(k);
  }
  return best;
}

int ClassifyCase(InductionEngine& engine, Case c, const TreeNode& tree) {
  return Classify(engine, c, tree, LeafVote::kDistribution);
}

int ClassifyCaseWhole(InductionEngine& engine, Case c, const TreeNode& tree) {
  return Classify(engine, c, tree, LeafVote::kWholeCase);
}

int CountTreeErrors(InductionEngine& engine, const TreeNode& tree, LeafVote vote) {
  int errors = 0;
  for (Case c : engine.Cases.Item) {
    if (Classify(engine, c, tree, vote) != engine.ClassOf(c)) ++errors;
  }
  return errors;
}

}  // namespace quarry::dtree
