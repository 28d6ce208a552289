#include "tests/core/pruning/pruning_test_support.h"

namespace quarry::pruning {

std::unique_ptr<TreeNode> Leaf(float a, float b, int leafClass) {
  auto node = std::make_unique<TreeNode>();
  const float items = a + b;
  node->MakeLeaf({a, b}, leafClass, items, leafClass == 0 ? b : a);
  return node;
}

std::unique_ptr<TreeNode> Cut(float cut, std::unique_ptr<TreeNode> low,
                              std::unique_ptr<TreeNode> high, float gainRatio) {
  auto node = std::make_unique<TreeNode>();
  const float a = low->ClassDist[0] + high->ClassDist[0];
  const float b = low->ClassDist[1] + high->ClassDist[1];
  const int leafClass = b > a ? 1 : 0;
  node->MakeLeaf({a, b}, leafClass, a + b, low->Errors() + high->Errors());
  node->NodeType = dtree::kCutTest;
  node->SetForks(2);
  node->Cont.Tested = 0;
  node->Cont.Cut = cut;
  node->GainRatio = gainRatio;
  node->Branch[1] = std::move(low);
  node->Branch[2] = std::move(high);
  return node;
}

void PruningTest::MakeCases(const std::string& name,
                            const std::vector<std::pair<std::string, std::string>>& rows) {
  std::vector<std::vector<std::string>> table;
  for (const auto& [x, c] : rows) table.push_back({x, c});
  MakeRows(name, {"x", "c"}, {"real", "string"}, table);
}

void PruningTest::LoadTraining(const std::vector<std::pair<std::string, std::string>>& rows) {
  MakeCases("t_data", rows);
  ASSERT_TRUE(engine_.LoadAttributes("t_data", source_).ok());
  ASSERT_EQ(engine_.LoadCases("t_data", source_), 0);
}

Status PruningTest::Prune(int method, const TreeNode& grown, const std::string& mValues,
                          const std::string& training) {
  report_.str("");
  result_ = std::make_unique<TreeNode>();
  return PruneTree(engine_, *result_, method, grown, training, source_, mValues);
}

}  // namespace quarry::pruning
