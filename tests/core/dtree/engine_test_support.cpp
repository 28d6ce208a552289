#include "tests/core/dtree/engine_test_support.h"

#include <sstream>

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

void EngineTest::MakeGolf(const std::string& table,
                          const std::vector<std::vector<std::string>>& rows) {
  MakeRows(table, {"outlook", "temperature", "humidity", "windy", "play"},
           {"string", "real", "real", "string", "string"}, rows);
}

void EngineTest::LoadGolf(const std::string& table,
                          const std::vector<std::vector<std::string>>& rows) {
  MakeGolf(table, rows);
  ASSERT_TRUE(engine_.LoadAttributes(table, source_).ok());
  ASSERT_EQ(engine_.LoadCases(table, source_), 0);
}

std::unique_ptr<TreeNode> Leaf(std::vector<float> dist, int leafClass) {
  auto leaf = std::make_unique<TreeNode>();
  float items = 0;
  for (float d : dist) items += d;
  leaf->MakeLeaf(dist, leafClass, items, items - dist[static_cast<size_t>(leafClass)]);
  return leaf;
}

namespace {

void DumpInto(const TreeNode& node, std::ostringstream& out) {
  out << node.NodeType << ' ' << node.Forks << ' ' << node.Leaf << ' ' << node.Fp << ' ' << node.Lp
      << ' ' << node.alfa << ' ' << node.GainRatio << " [";
  for (float w : node.ClassDist) out << w << ' ';
  out << "] " << node.Cont.Items << ' ' << node.Cont.Errors << ' ' << node.Cont.Tested << ' '
      << node.Cont.Cut << ' ' << node.Cont.Lower << ' ' << node.Cont.Upper << ' '
      << node.Discr.Items << ' ' << node.Discr.Errors << ' ' << node.Discr.Tested << ' '
      << node.Discr.Kind << " {";
  for (const ValueSet& set : node.Discr.Subset) {
    for (uint8_t byte : set) out << int{byte} << ',';
    out << ';';
  }
  out << "}\n";
  for (int v = 1; v <= node.Forks; ++v) DumpInto(node.Child(v), out);
}

}  // namespace

std::string DumpTree(const TreeNode& node) {
  std::ostringstream out;
  out.precision(9);  // every float exactly
  DumpInto(node, out);
  return out.str();
}

}  // namespace quarry::dtree
