#pragma once
// The model-tree file: a header, one four-line block per node (node line with the branch
// annotation its parent gives it, mean, deviance, number of items), depth first, then the error
// lines the evaluation appends.

#include <string>

#include "core/dtree/case_set.h"
#include "core/modeltree/model_tree_node.h"

namespace quarry::treefiles {

// "Regression tree", the "Read" line with the case and attribute counts, an empty line.
std::string ModelTreeHeader(int cases, int attributes);

// Appends the node blocks of the tree to `out`, counting the nodes of each kind it writes.
void WriteModelTree(std::string& out, const modeltree::ModelTreeNode& root,
                    const dtree::AttributeTable& att, modeltree::ModelTreeCounts& counts);

// "\n\nERROR = %f\n" and "SSres/Syy = %f\n": the end of a tree file and of a rules file.
std::string ModelErrorLines(double error, double ratio);

}  // namespace quarry::treefiles
