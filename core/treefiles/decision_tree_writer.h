#pragma once
// The decision-tree file: "Decision tree", the "Read" line, one four-line block per node (every
// line opened by "\n"), and the summary with the root's errors, the error ratio, the collapsed
// leaves and the depth. The shared tree-file reader reads it back line for line.

#include <filesystem>
#include <string>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"

namespace quarry::treefiles {

// "Decision tree" and the "Read" line.
std::string DecisionTreeHeader(const dtree::TreeNode& root, const dtree::AttributeTable& att);

// The node blocks alone, as reports print a tree.
std::string DecisionTreeBlocks(const dtree::TreeNode& root, const dtree::AttributeTable& att);

// The whole file text. `minObjs` decides which leaves count as collapsed.
std::string DecisionTreeText(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                             int minObjs);

// Writes the file at `path`, whole or not at all, without holding its whole text.
Status WriteDecisionTreeFile(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                             int minObjs, const std::filesystem::path& path);

// Writes the file for `baseName` into the working folder, whole or not at all.
Status WriteDecisionTree(const dtree::TreeNode& root, const dtree::AttributeTable& att, int minObjs,
                         const std::string& baseName);

}  // namespace quarry::treefiles
