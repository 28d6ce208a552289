#include "core/pruning/error_complexity_family.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/pruning/subtree_removal.h"

namespace quarry::pruning {

using dtree::TreeNode;

int ComputeAlfas(TreeNode& a, const TreeNode& b, float n, float& minAlfa) {
  if (a.IsLeaf()) return 1;
  int leaves = 0;
  for (int v = 1; v <= a.Forks; ++v) leaves += ComputeAlfas(a.Child(v), b.Child(v), n, minAlfa);
  a.alfa = (a.Errors() - b.Errors()) / n / static_cast<float>(leaves - 1);
  if (a.alfa <= minAlfa) minAlfa = a.alfa;
  return leaves;
}

std::vector<uint8_t> TreeFamily::Cuts(int k) const {
  std::vector<uint8_t> cut(prunedAt_.size(), 0);
  for (size_t id = 0; id < prunedAt_.size(); ++id) cut[id] = prunedAt_[id] <= k;
  return cut;
}

std::unique_ptr<TreeNode> TreeFamily::Member(int k) const {
  return k == 0 ? dtree::CopyTree(*first_) : CopyWithCuts(*index_, Cuts(k));
}

class FamilyBuilder {
 public:
  FamilyBuilder(const PruningContext& ctx, const FamilySettings& settings, TreeFamily& family)
      : ctx_(ctx), settings_(settings), family_(family) {}

  // Prunes every node of alfa `minAlfa` in A and B, children first; the nodes become leaves
  // from member `next` on. Returns how many nodes it pruned.
  int PruneWeakestLinks(TreeNode& a, TreeNode& b, int id, float minAlfa, int number, int& counter,
                        int next);

 private:
  const PruningContext& ctx_;
  const FamilySettings& settings_;
  TreeFamily& family_;
};

int FamilyBuilder::PruneWeakestLinks(TreeNode& a, TreeNode& b, int id, float minAlfa, int number,
                                     int& counter, int next) {
  if (a.IsLeaf()) {
    --counter;
    return 0;
  }
  int pruned = 0;
  float sum = 0;
  for (int v = 1; v <= a.Forks; ++v) {
    ++counter;
    pruned += PruneWeakestLinks(a.Child(v), b.Child(v), family_.index_->Child(id, v), minAlfa,
                                counter, counter, next);
    sum += b.Child(v).Errors();
  }
  if (a.alfa != minAlfa) {
    b.SetErrors(sum);  // R(Tt) of the subtree as it now is
    return pruned;
  }
  if (ctx_.Verbose()) {
    ctx_.Report() << Format("PRUNED NODE NUMBER: %d \tR(t): %.2f \tR(Tt): %.2f \tAlfa: %.7f\n",
                            number, static_cast<double>(a.Errors() / settings_.n),
                            static_cast<double>(b.Errors() / settings_.n),
                            static_cast<double>(minAlfa));
  }
  b.BecomeLeaf(b.Items(), a.Errors());
  PruneToLeaf(a);
  family_.prunedAt_[static_cast<size_t>(id)] = next;
  return pruned + 1;
}

Expected<TreeFamily> BuildTreeFamily(const PruningContext& ctx, const TreeNode& grown,
                                     std::unique_ptr<TreeNode> recounted,
                                     const FamilySettings& settings) {
  TreeFamily family;
  family.first_ = dtree::CopyTree(grown);
  family.reference_ = dtree::CopyTree(*recounted);
  family.index_ = std::make_unique<IndexedTree>(*family.reference_);
  family.prunedAt_.assign(static_cast<size_t>(family.index_->Size()), INT_MAX);
  family.alfa_.push_back(0);
  family.leaves_.push_back(dtree::LeafCount(grown));
  if (ctx.Verbose()) {
    ctx.Report() << "\n\n\nTREE NUMBER 1 \tAlfa=0.0\n\n";
    ctx.PrintTree(grown);
  }

  TreeNode& a = *recounted;
  std::unique_ptr<TreeNode> b = dtree::CopyTree(grown);
  FamilyBuilder builder(ctx, settings, family);
  while (dtree::LeafCount(a) > 1) {
    float minAlfa = 1000.0f;
    ComputeAlfas(a, *b, settings.n, minAlfa);
    const int next = family.Size();
    int counter = 1;
    if (settings.skipNonPositive && minAlfa <= 0) {
      // Links that cost nothing go without making a member of their own.
      if (builder.PruneWeakestLinks(a, *b, 0, minAlfa, 1, counter, next) == 0) break;
      continue;
    }
    if (ctx.Verbose()) {
      ctx.Report() << Format("\n\n\nTREE NUMBER %d \tAlfa=%.6f\n\n", next + 1,
                             static_cast<double>(minAlfa));
    }
    // Every step prunes the node of least alfa; an alfa that is no number would loop forever.
    if (builder.PruneWeakestLinks(a, *b, 0, minAlfa, 1, counter, next) == 0) break;
    if (settings.printMembers && ctx.Verbose()) ctx.PrintTree(a);
    if (next >= settings.maxMembers) {
      ctx.Report() << settings.overflowReport;
      return FatalError(std::string(Trim(settings.overflowReport)));
    }
    family.alfa_.push_back(minAlfa);
    family.leaves_.push_back(dtree::LeafCount(a));
  }
  return family;
}

}  // namespace quarry::pruning
