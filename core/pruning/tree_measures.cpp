#include "core/pruning/tree_measures.h"

#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

int CountTreeErrorsByLeaf(dtree::InductionEngine& engine, const dtree::TreeNode& root) {
  return dtree::CountTreeErrors(engine, root, dtree::LeafVote::kWholeCase);
}

float ErrorPercent(int errors, int cases) {
  return static_cast<float>(errors) * 100.0f / static_cast<float>(cases);
}

TreeMeasure MeasureTree(dtree::InductionEngine& engine, const dtree::TreeNode& root) {
  return {dtree::LeafCount(root),
          ErrorPercent(dtree::CountTreeErrors(engine, root), engine.MaxItem() + 1)};
}

bool BeatsBest(float errorRate, int leaves, float bestErrorRate, int bestLeaves) {
  return errorRate < bestErrorRate || (errorRate == bestErrorRate && leaves <= bestLeaves);
}

int PickBestTree(const std::vector<float>& errorRates, const std::vector<int>& leaves, int last) {
  int best = 0;
  for (int k = 1; k <= last; ++k) {
    const size_t at = static_cast<size_t>(k);
    const size_t b = static_cast<size_t>(best);
    if (BeatsBest(errorRates[at], leaves[at], errorRates[b], leaves[b])) best = k;
  }
  return best;
}

}  // namespace quarry::pruning
