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

  void Vote(const TreeNode& leaf, float w) {
    Vote(leaf.Leaf, leaf.Items(), leaf.ClassDist.data(), w);
  }
  // The vote of a leaf of class `leafClass`, `items` and the class weights `dist`.
  void Vote(int leafClass, float items, const float* dist, float w) {
    if (items <= 0 || (vote_ == LeafVote::kWholeCase && w >= 1.0f)) {
      sum_[static_cast<size_t>(leafClass)] += w;
      return;
    }
    for (size_t c = 0; c < sum_.size(); ++c) {
      if (dist[c] != 0) sum_[c] += w * dist[c] / items;
    }
  }

 private:
  void SpreadAll(Case c, const TreeNode& node, float w) {
    for (int b = 1; b <= node.Forks; ++b) {
      const TreeNode& child = node.Child(b);
      Spread(c, child, w * child.Items() / node.Items());
    }
  }

  std::vector<float>& sum_;
  LeafVote vote_;
};

// The first class of the largest sum.
int LargestSum(const std::vector<float>& classSum) {
  int best = 0;
  for (size_t k = 1; k < classSum.size(); ++k) {
    if (classSum[k] > classSum[static_cast<size_t>(best)]) best = static_cast<int>(k);
  }
  return best;
}

// A tree laid out for taking many cases down it: a node in 16 bytes, the branches of a node side
// by side, the subtrees in the order a walk meets them. The nodes of a large grown tree lie all
// over memory, and reading them was most of the time classifying took; the cases taken one after
// the other mostly share their paths, which now share a few lines of the cache.
class RouteTable {
 public:
  RouteTable(const TreeNode& root, std::vector<float>& classSum, LeafVote vote)
      : sum_(classSum), vote_(vote) {
    steps_.push_back({});
    nodes_.push_back(&root);
    items_.push_back(root.Items());
    std::vector<uint32_t> open = {0};
    while (!open.empty()) {
      const uint32_t at = open.back();
      open.pop_back();
      const TreeNode& node = *nodes_[at];
      Step step;
      if (node.IsLeaf()) {
        // A case reaching a leaf whole gets the class it would get there from the full walk.
        step.kind = kWinner;
        std::fill(sum_.begin(), sum_.end(), 0.0f);
        CaseSpreader(sum_, vote_).Vote(node, 1.0f);
        step.next = static_cast<uint32_t>(LargestSum(sum_));
        // A case whose weight spreads votes here with a part of it: the leaf's figures are kept
        // beside the table.
        step.tested = node.Leaf;
        step.dist = static_cast<uint32_t>(dists_.size());
        dists_.insert(dists_.end(), node.ClassDist.begin(), node.ClassDist.end());
        dists_.resize(step.dist + sum_.size(), 0.0f);
      } else if ((node.NodeType == kCutTest && node.Forks == 2) || node.NodeType == kDiscreteTest) {
        step.kind = node.NodeType == kCutTest ? kCut : kValue;
        step.tested = static_cast<int16_t>(node.Tested());
        step.forks = node.Forks;
        step.cut = node.Cont.Cut;
        step.next = static_cast<uint32_t>(steps_.size());
        for (int b = 1; b <= node.Forks; ++b) {
          steps_.push_back({});
          nodes_.push_back(&node.Child(b));
          items_.push_back(node.Child(b).Items());
        }
        for (int b = node.Forks; b >= 1; --b)
          open.push_back(step.next + static_cast<uint32_t>(b - 1));
      }
      steps_[at] = step;
    }
  }

  int Class(Case c) {
    const uint32_t at = Follow(c, 0);
    if (steps_[at].kind == kWinner) return static_cast<int>(steps_[at].next);
    std::fill(sum_.begin(), sum_.end(), 0.0f);
    Spread(c, at, 1.0f);
    return LargestSum(sum_);
  }

 private:
  enum Kind : int16_t { kWalk, kWinner, kCut, kValue };
  struct Step {
    Kind kind = kWalk;   // kWalk: the case goes on by the tree itself from here
    int16_t tested = 0;  // a leaf's class at a leaf
    int16_t forks = 0;
    union {
      float cut = 0;
      uint32_t dist;  // a leaf's class weights in dists_
    };
    uint32_t next = 0;  // the first branch's step, or the class a leaf gives a whole case
  };
  static_assert(sizeof(Step) == 16);

  // Goes down from step `at` while the case's values decide the branch; the step where it stops
  // (a leaf, a test its value cannot decide, or a node the tree itself takes the case through).
  uint32_t Follow(Case c, uint32_t at) const {
    while (true) {
      const Step& step = steps_[at];
      if (step.kind == kCut) {
        const float v = CVal(c, step.tested);
        if (v == kUnknown) return at;
        at = step.next + (v <= step.cut ? 0 : 1);
      } else if (step.kind == kValue) {
        const int v = DVal(c, step.tested);
        if (v < 1 || v > step.forks) return at;
        at = step.next + static_cast<uint32_t>(v - 1);
      } else {
        return at;
      }
    }
  }

  // The tree's own spread of a case's weight from step `at`: the same sums in the same order.
  void Spread(Case c, uint32_t at, float w) {
    at = Follow(c, at);
    const Step& step = steps_[at];
    switch (step.kind) {
      case kWinner:
        CaseSpreader(sum_, vote_).Vote(step.tested, items_[at], &dists_[step.dist], w);
        return;
      case kWalk:
        CaseSpreader(sum_, vote_).Spread(c, *nodes_[at], w);
        return;
      default:
        for (uint32_t b = 0; b < static_cast<uint32_t>(step.forks); ++b) {
          const uint32_t child = step.next + b;
          Spread(c, child, w * items_[child] / items_[at]);
        }
    }
  }

  std::vector<Step> steps_;
  std::vector<const TreeNode*> nodes_;
  std::vector<float> items_;  // each step's node's items
  std::vector<float> dists_;  // the class weights of the leaves, one after the other
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
  return LargestSum(classSum);
}

int ClassifyCase(InductionEngine& engine, Case c, const TreeNode& tree) {
  return Classify(engine, c, tree, LeafVote::kDistribution);
}

int ClassifyCaseWhole(InductionEngine& engine, Case c, const TreeNode& tree) {
  return Classify(engine, c, tree, LeafVote::kWholeCase);
}

int CountTreeErrors(InductionEngine& engine, const TreeNode& tree, LeafVote vote) {
  const std::vector<Case>& items = engine.Cases.Item;
  const int classCell = engine.MaxAtt() + 1;
  RouteTable table(tree, engine.ClassSum, vote);
  int errors = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    // A case's cells span at most two lines.
    if (i + kCasesAhead < items.size()) PrefetchCells(items[i + kCasesAhead], 0, classCell);
    const Case c = items[i];
    if (table.Class(c) != engine.ClassOf(c)) ++errors;
  }
  return errors;
}

}  // namespace quarry::dtree
