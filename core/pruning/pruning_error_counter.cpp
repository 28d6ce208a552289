#include "core/pruning/pruning_error_counter.h"

#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_node.h"

namespace quarry::pruning {

using dtree::Case;
using dtree::TreeNode;

namespace {

// The class a case reaching `node` with its whole weight gets there when the node is a leaf,
// computed as the classifier computes it.
int WholeCaseClass(const TreeNode& node, dtree::LeafVote vote, size_t classes) {
  const float items = node.Items();
  if (items <= 0 || vote == dtree::LeafVote::kWholeCase) return node.Leaf;
  int best = 0;
  float bestSum = 0;
  for (size_t c = 0; c < classes; ++c) {
    const float sum = node.ClassDist[c] != 0 ? 1.0f * node.ClassDist[c] / items : 0.0f;
    if (c == 0 || sum > bestSum) {
      best = static_cast<int>(c);
      bestSum = sum;
    }
  }
  return best;
}

bool SameTest(const TreeNode& a, const TreeNode& b) {
  if (a.NodeType != b.NodeType || a.Forks != b.Forks || a.Tested() != b.Tested() ||
      a.Items() != b.Items()) {
    return false;
  }
  if (a.NodeType == dtree::kCutTest) return a.Cont.Cut == b.Cont.Cut;
  if (a.NodeType == dtree::kSubsetTest) return a.Discr.Subset == b.Discr.Subset;
  return true;
}

bool SameLeaf(const TreeNode& a, const TreeNode& b) {
  return a.Items() == b.Items() && a.Leaf == b.Leaf && a.ClassDist == b.ClassDist;
}

}  // namespace

namespace {

// What following a case down a node needs, packed by node id for the walk (a case may pass
// hundreds of nodes of a deep tree).
struct RouteStep {
  int16_t type;
  int32_t att;
  float cut;
  int32_t high;  // a cut test's second branch (its first is the next id)
};

std::vector<RouteStep> RouteSteps(const IndexedTree& index) {
  std::vector<RouteStep> steps(static_cast<size_t>(index.Size()));
  for (int id = 0; id < index.Size(); ++id) {
    const TreeNode& node = index.Node(id);
    RouteStep& step = steps[static_cast<size_t>(id)];
    step.type = node.NodeType;
    step.att = node.IsLeaf() ? 0 : node.Tested();
    step.cut = node.NodeType == dtree::kCutTest ? node.Cont.Cut : 0;
    step.high = node.NodeType == dtree::kCutTest ? index.Child(id, 2) : 0;
  }
  return steps;
}

}  // namespace

PruningErrorCounter::PruningErrorCounter(dtree::InductionEngine& engine, const TreeNode& reference,
                                         const std::vector<Case>& cases, dtree::LeafVote vote)
    : engine_(engine), index_(reference), cases_(cases), vote_(vote) {
  const size_t nodes = static_cast<size_t>(index_.Size());
  const size_t classes = static_cast<size_t>(engine.MaxClass() + 1);
  const std::vector<RouteStep> steps = RouteSteps(index_);
  std::vector<int32_t> reached(nodes * classes, 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case c = cases[i];
    const size_t cls = static_cast<size_t>(engine.ClassOf(c));
    int id = 0;
    while (true) {
      ++reached[static_cast<size_t>(id) * classes + cls];
      const RouteStep& step = steps[static_cast<size_t>(id)];
      if (step.type == dtree::kLeaf) break;
      if (step.type == dtree::kCutTest) {
        // RouteBranch's cut test, inline.
        const float v = dtree::CVal(c, step.att);
        if (v != dtree::kUnknown) {
          id = v <= step.cut ? id + 1 : step.high;
          continue;
        }
      }
      const int branch = step.type == dtree::kCutTest ? 0 : dtree::RouteBranch(index_.Node(id), c);
      if (branch == 0) {
        spreaders_.push_back({static_cast<int32_t>(i), id});
        break;
      }
      id = index_.Child(id, branch);
    }
  }
  wrongAsLeaf_.assign(nodes, 0);
  for (size_t id = 0; id < nodes; ++id) {
    const int32_t* row = &reached[id * classes];
    int32_t total = 0;
    for (size_t c = 0; c < classes; ++c) total += row[c];
    const int cls = WholeCaseClass(index_.Node(static_cast<int>(id)), vote, classes);
    wrongAsLeaf_[id] = total - row[static_cast<size_t>(cls)];
  }
}

std::vector<int32_t> PruningErrorCounter::SetAsideSpreadCases() {
  std::vector<int32_t> spread;
  spread.reserve(spreaders_.size());
  const size_t classes = static_cast<size_t>(engine_.MaxClass() + 1);
  for (const Spreader& s : spreaders_) {
    spread.push_back(s.caseIndex);
    // Take the case back out of the nodes it reached whole on its way to s.node.
    const Case c = cases_[static_cast<size_t>(s.caseIndex)];
    const int cls = engine_.ClassOf(c);
    int id = 0;
    while (true) {
      wrongAsLeaf_[static_cast<size_t>(id)] -=
          WholeCaseClass(index_.Node(id), vote_, classes) != cls;
      if (id == s.node) break;
      id = index_.Child(id, dtree::RouteBranch(index_.Node(id), c));
    }
  }
  spreaders_.clear();
  return spread;
}

bool PruningErrorCounter::Wrong(dtree::InductionEngine& engine, const TreeNode& tree,
                                Case c) const {
  return dtree::Classify(engine, c, tree, vote_) != engine.ClassOf(c);
}

int PruningErrorCounter::Count(const std::vector<uint8_t>& cut, const TreeNode* pruned,
                               dtree::InductionEngine& engine, Scratch& scratch) const {
  const uint32_t mark = ++scratch.mark;
  scratch.innerMark.resize(static_cast<size_t>(index_.Size()), 0);
  int errors = 0;
  std::vector<int32_t> stack = {0};
  while (!stack.empty()) {
    const int id = stack.back();
    stack.pop_back();
    const TreeNode& node = index_.Node(id);
    if (node.IsLeaf() || cut[static_cast<size_t>(id)]) {
      errors += wrongAsLeaf_[static_cast<size_t>(id)];
      continue;
    }
    scratch.innerMark[static_cast<size_t>(id)] = mark;
    for (int v = 1; v <= node.Forks; ++v) stack.push_back(index_.Child(id, v));
  }
  // Cases that a kept test sends down every branch take their class from several leaves.
  std::unique_ptr<TreeNode> built;
  for (const Spreader& s : spreaders_) {
    if (scratch.innerMark[static_cast<size_t>(s.node)] != mark) continue;
    if (pruned == nullptr) {
      built = CopyWithCuts(index_, cut);
      pruned = built.get();
    }
    errors += Wrong(engine, *pruned, cases_[static_cast<size_t>(s.caseIndex)]);
  }
  return errors;
}

int PruningErrorCounter::Errors(const std::vector<uint8_t>& cut) {
  return Count(cut, nullptr, engine_, scratch_);
}

bool PruningErrorCounter::FindCuts(const TreeNode& pruned, int id,
                                   std::vector<uint8_t>& cut) const {
  const TreeNode& node = index_.Node(id);
  if (pruned.IsLeaf()) {
    cut[static_cast<size_t>(id)] = !node.IsLeaf();
    return SameLeaf(pruned, node);
  }
  if (!SameTest(pruned, node)) return false;
  for (int v = 1; v <= pruned.Forks; ++v) {
    if (!FindCuts(pruned.Child(v), index_.Child(id, v), cut)) return false;
  }
  return true;
}

int PruningErrorCounter::CountTree(const TreeNode& pruned, dtree::InductionEngine& engine,
                                   Scratch& scratch) const {
  scratch.cut.assign(static_cast<size_t>(index_.Size()), 0);
  if (FindCuts(pruned, 0, scratch.cut)) return Count(scratch.cut, &pruned, engine, scratch);
  int errors = 0;
  for (Case c : cases_) errors += Wrong(engine, pruned, c);
  return errors;
}

int PruningErrorCounter::Errors(const TreeNode& pruned) {
  return CountTree(pruned, engine_, scratch_);
}

int PruningErrorCounter::Errors(const TreeNode& pruned, dtree::InductionEngine& engine) const {
  Scratch scratch;
  return CountTree(pruned, engine, scratch);
}

}  // namespace quarry::pruning
