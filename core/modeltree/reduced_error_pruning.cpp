#include "core/modeltree/reduced_error_pruning.h"

#include <limits>

#include "core/modeltree/tree_evaluation.h"

namespace quarry::modeltree {

double ReducedErrorPruneNode(ModelTreeNode& node, CaseRange pruneCases, AttributeTable& pruneAtt,
                             CaseRange labelCases, AttributeTable& labelAtt) {
  const int targetCell = pruneAtt.MaxAtt + 1;
  if (node.kind == kLeaf) return LeafSquares(*node.model, pruneCases, targetCell);

  // The node as a leaf is judged first, while the cases still hold this node's values.
  std::unique_ptr<LinearModel> leaf;
  double leafSquares = std::numeric_limits<double>::infinity();
  if (labelCases.count > 0) {
    leaf = FitBestModel(labelCases, labelAtt);
    leafSquares = LeafSquares(*leaf, pruneCases, targetCell);
  }

  double subtree = 0.0;
  if (node.kind == kRegression) {
    const uint8_t pruneStatus = ApplyStoredRegressionStep(*node.model, pruneCases, pruneAtt);
    const uint8_t labelStatus = ApplyStoredRegressionStep(*node.model, labelCases, labelAtt);
    subtree = ReducedErrorPruneNode(*node.left, pruneCases, pruneAtt, labelCases, labelAtt);
    pruneAtt.Status[node.model->variable] = pruneStatus;
    labelAtt.Status[node.model->variable] = labelStatus;
  } else {
    const int kp = Partition(*node.test, pruneCases);
    const int kl = Partition(*node.test, labelCases);
    subtree = ReducedErrorPruneNode(*node.left, pruneCases.Sub(0, kp), pruneAtt,
                                    labelCases.Sub(0, kl), labelAtt) +
              ReducedErrorPruneNode(*node.right, pruneCases.Sub(kp, pruneCases.count - kp),
                                    pruneAtt, labelCases.Sub(kl, labelCases.count - kl), labelAtt);
  }
  if (leaf && leafSquares < subtree) {
    node.MakeLeaf(std::move(leaf));
    return leafSquares;
  }
  return subtree;
}

}  // namespace quarry::modeltree
