#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {

std::vector<std::vector<std::string>> GolfRows() {
  return {{"sunny", "85", "85", "false", "no"},     {"sunny", "80", "90", "true", "no"},
          {"overcast", "83", "86", "false", "yes"}, {"rainy", "70", "96", "false", "yes"},
          {"rainy", "68", "80", "false", "yes"},    {"rainy", "65", "70", "true", "no"},
          {"overcast", "64", "65", "true", "yes"},  {"sunny", "72", "95", "false", "no"},
          {"sunny", "69", "70", "false", "yes"},    {"rainy", "75", "80", "false", "yes"},
          {"sunny", "75", "70", "true", "yes"},     {"overcast", "72", "90", "true", "yes"},
          {"overcast", "81", "75", "false", "yes"}, {"rainy", "71", "91", "true", "no"}};
}

void EngineTest::LoadGolf(const std::string& table) {
  Load(table, {"outlook", "temperature", "humidity", "windy", "play"},
       {"string", "real", "real", "string", "string"}, GolfRows());
}

std::unique_ptr<TreeNode> Leaf(std::vector<float> dist, int leafClass) {
  auto leaf = std::make_unique<TreeNode>();
  float items = 0;
  for (float d : dist) items += d;
  leaf->MakeLeaf(dist, leafClass, items, items - dist[static_cast<size_t>(leafClass)]);
  return leaf;
}

}  // namespace quarry::dtree
