#pragma once
// The decision-tree rules file: "Decision Tree", the "Read" line, one rule per leaf (the tests on
// its path as conditions, its class as conclusion, thresholds in 10-decimal fixed text), and the
// root's errors. The shared rules reader reads it back.

#include <filesystem>
#include <string>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"

namespace quarry::treefiles {

std::string DecisionRulesText(const dtree::TreeNode& root, const dtree::AttributeTable& att);

// Writes the rules of `root` at `path`, whole or not at all, without holding their whole text.
Status WriteDecisionRulesFile(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                              const std::filesystem::path& path);

// Writes the rules of `root` for `baseName` into the working folder, whole or not at all.
Status WriteDecisionRules(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                          const std::string& baseName);

}  // namespace quarry::treefiles
