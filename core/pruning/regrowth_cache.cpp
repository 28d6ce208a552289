#include "core/pruning/regrowth_cache.h"

#include <algorithm>
#include <cstring>

#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"

namespace quarry::pruning {

namespace {

uint64_t Mix(uint64_t hash, uint64_t value) {
  hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
  return hash;
}

uint32_t Bits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

uint64_t RangeKey(const dtree::InductionEngine& engine, int first, int last) {
  const dtree::CaseSet& cases = engine.Cases;
  uint64_t key = Mix(static_cast<uint64_t>(first), static_cast<uint64_t>(last - first));
  key = Mix(key, engine.AllKnown ? 1 : 0);
  for (int i = first; i <= last; ++i) {
    const size_t at = static_cast<size_t>(i);
    key = Mix(key, reinterpret_cast<uintptr_t>(cases.Item[at]));
    key = Mix(key, Bits(cases.Weight[at]));
  }
  return key;
}

// Weights compared bit for bit: growing from them is only the same when they are.
bool SameWeights(const float* a, const float* b, size_t n) {
  return std::memcmp(a, b, n * sizeof(float)) == 0;
}

// Growing a leaf rewrites its distribution, figures, range, test and branches, but keeps what
// it has no use for: the pruning value, the gain ratio of a node that stays a leaf, and the
// test part its test does not read (or the subsets of a discrete test). A copy of a subtree
// grown elsewhere takes those from the node it replaces, as growing it there would have.
void CopyGrown(dtree::TreeNode& node, const dtree::TreeNode& grown) {
  const float alfa = node.alfa;
  const float gainRatio = node.GainRatio;
  const dtree::ContinuousTest cont = node.Cont;
  dtree::SubsetList subsets = std::move(node.Discr.Subset);
  const int16_t discrTested = node.Discr.Tested;
  const int16_t discrKind = node.Discr.Kind;
  dtree::ReplaceWithCopy(node, grown);
  node.alfa = alfa;
  if (node.IsLeaf()) node.GainRatio = gainRatio;
  if (node.NodeType != dtree::kCutTest) {
    node.Cont.Tested = cont.Tested;
    node.Cont.Cut = cont.Cut;
    node.Cont.Lower = cont.Lower;
    node.Cont.Upper = cont.Upper;
  }
  if (node.NodeType == dtree::kLeaf || node.NodeType == dtree::kCutTest) {
    node.Discr.Tested = discrTested;
    node.Discr.Kind = discrKind;
  }
  if (node.NodeType != dtree::kSubsetTest) node.Discr.Subset = std::move(subsets);
}

}  // namespace

RegrowthCache::Grown* RegrowthCache::Find(const dtree::InductionEngine& engine, uint64_t key,
                                          int first, int last) {
  const dtree::CaseSet& cases = engine.Cases;
  const size_t n = static_cast<size_t>(last - first + 1);
  const auto [from, to] = grown_.equal_range(key);
  for (auto it = from; it != to; ++it) {
    Grown& g = it->second;
    if (g.first != first || g.allKnown != engine.AllKnown || g.itemBefore.size() != n) continue;
    if (!std::equal(g.itemBefore.begin(), g.itemBefore.end(), cases.Item.begin() + first)) continue;
    if (!SameWeights(g.weightBefore.data(), cases.Weight.data() + first, n)) continue;
    return &g;
  }
  return nullptr;
}

void RegrowthCache::Grow(dtree::InductionEngine& engine, dtree::TreeNode& node, int first,
                         int last) {
  // Growing with a trace writes it into the report, which a copy would leave out.
  if (last - first + 1 < kSmallestRange || engine.Options.VERBOSITY > 0) {
    dtree::GrowTree(engine, node, first, last);
    return;
  }
  dtree::CaseSet& cases = engine.Cases;
  const uint64_t key = RangeKey(engine, first, last);
  if (Grown* g = Find(engine, key, first, last)) {
    CopyGrown(node, *g->tree);
    std::copy(g->itemAfter.begin(), g->itemAfter.end(), cases.Item.begin() + first);
    std::copy(g->weightAfter.begin(), g->weightAfter.end(), cases.Weight.begin() + first);
    g->lastUsed = step_;
    ++hits_;
    return;
  }

  Grown g;
  g.first = first;
  g.allKnown = engine.AllKnown;
  g.itemBefore.assign(cases.Item.begin() + first, cases.Item.begin() + last + 1);
  g.weightBefore.assign(cases.Weight.begin() + first, cases.Weight.begin() + last + 1);
  dtree::GrowTree(engine, node, first, last);
  // A stopped job leaves nodes ungrown: that subtree is no answer for later steps.
  if (engine.JobProgress().Cancelled()) return;
  const auto n = static_cast<size_t>(last - first + 1);
  g.bytes = n * 2 * (sizeof(dtree::Case) + sizeof(float)) +
            static_cast<size_t>(dtree::TreeSize(node)) * sizeof(dtree::TreeNode) * 2;
  if (bytes_ + g.bytes > kMaxBytes) return;
  g.itemAfter.assign(cases.Item.begin() + first, cases.Item.begin() + last + 1);
  g.weightAfter.assign(cases.Weight.begin() + first, cases.Weight.begin() + last + 1);
  g.tree = dtree::CopyTree(node);
  g.lastUsed = step_;
  bytes_ += g.bytes;
  grown_.emplace(key, std::move(g));
}

void RegrowthCache::EndStep() {
  ++step_;
  for (auto it = grown_.begin(); it != grown_.end();) {
    if (step_ - it->second.lastUsed > kKeptSteps) {
      bytes_ -= it->second.bytes;
      it = grown_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace quarry::pruning
