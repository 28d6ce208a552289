#pragma once
// Small hand-made trees over one continuous attribute x and the classes a, b, and the tables a
// pruning method reads, for following the methods by hand.

#include <memory>
#include <string>
#include <vector>

#include "core/dtree/tree_node.h"
#include "core/pruning/prune_tree.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::pruning {

using dtree::TreeNode;

// A leaf of class `leafClass` with class weights {a, b}.
std::unique_ptr<TreeNode> Leaf(float a, float b, int leafClass);
// The test x <= cut with two branches; its distribution is the sum of theirs.
std::unique_ptr<TreeNode> Cut(float cut, std::unique_ptr<TreeNode> low,
                              std::unique_ptr<TreeNode> high, float gainRatio = 0.5f);

class PruningTest : public dtree::EngineTest {
 protected:
  // Makes table `name` of (x, c) rows, "a"/"b" classes.
  void MakeCases(const std::string& name,
                 const std::vector<std::pair<std::string, std::string>>& rows);
  // Makes and loads t_data.
  void LoadTraining(const std::vector<std::pair<std::string, std::string>>& rows);
  // Runs `method` on `grown` with training table `training`; the pruned tree goes to result_.
  Status Prune(int method, const TreeNode& grown, const std::string& mValues = "",
               const std::string& training = "t_data");
  std::string Report() const { return report_.str(); }

  std::unique_ptr<TreeNode> result_;
};

}  // namespace quarry::pruning
