#pragma once
// Minimum-description-length pruning of a model tree: bottom-up, a subtree gives way to a leaf
// with the node's best straight line when coding the subtree (its splits, models and the
// residuals of its cases) costs no fewer bits than coding that leaf.
//
// Residuals are coded as integers: |r| / precision * scale, with the precision the standard
// deviation of the target over the pruning table and the scale 100, so a residual is counted in
// hundredths of the target's spread, whatever unit the target is measured in.

#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::modeltree {

// Bits of the universal code of a positive integer v: 1 below 2, else 1 + log2(2.865064) +
// log2(v) + log2(log2(v)) + ..., adding logarithms while the last one added was at least 2.
double IntegerCode(double v);

struct DescriptionLengthCoding {
  double precision = 1.0;
  double scale = 100.0;
  int continuousAttributes = 0;
  int discreteAttributes = 0;
};

// The coding for a tree over `cases` (the target's spread and the attribute counts).
DescriptionLengthCoding MakeCoding(CaseRange cases, const AttributeTable& att);

// Prunes `node` in place; returns the coding cost of the pruned subtree over `cases`, which
// follow the tree.
double DescriptionLengthPruneNode(ModelTreeNode& node, CaseRange cases, AttributeTable& att,
                                  const DescriptionLengthCoding& coding);

}  // namespace quarry::modeltree
