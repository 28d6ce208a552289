#include "core/treefiles/tree_file_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/data/working_folder.h"
#include "tests/support/temp_database.h"

namespace quarry::treefiles {
namespace {

// A decision tree as the engine writes it: every block line opens with "\n", the summary opens
// with "\n\n\n", and the evaluation appends its lines without a final line end.
constexpr std::string_view kDecisionTree =
    "Decision tree\n"
    "Read  14.000000 cases, with 4  attributes.\n"
    "\n-->DISCRETE NODE:  outlook "
    "\nMOST FREQUENT CLASS: yes"
    "\nERROR: 0.0"
    "\nNUMBER OF ITEMS: 14"
    "\n| -->CONTINUOUS NODE: humidity  [case: outlook = sunny]"
    "\n  MOST FREQUENT CLASS: no"
    "\n  ERROR: 0.0"
    "\n  NUMBER OF ITEMS: 5"
    "\n| | -->LEAF:  yes[case: humidity <= 70 ]"
    "\n    MOST FREQUENT CLASS: yes"
    "\n    ERROR: 0.0"
    "\n    NUMBER OF ITEMS: 2"
    "\n| | -->LEAF:  no[case: humidity > 70 ]"
    "\n    MOST FREQUENT CLASS: no"
    "\n    ERROR: 0.0"
    "\n    NUMBER OF ITEMS: 3"
    "\n| -->LEAF:  yes[case: outlook = overcast]"
    "\n  MOST FREQUENT CLASS: yes"
    "\n  ERROR: 0.0"
    "\n  NUMBER OF ITEMS: 4"
    "\n| -->DISCRETE NODE:  windy [case: outlook = rainy]"
    "\n  MOST FREQUENT CLASS: yes"
    "\n  ERROR: 0.0"
    "\n  NUMBER OF ITEMS: 5"
    "\n| | -->LEAF:  yes[case: windy = false]"
    "\n    MOST FREQUENT CLASS: yes"
    "\n    ERROR: 0.0"
    "\n    NUMBER OF ITEMS: 3"
    "\n| | -->LEAF:  no[case: windy = true]"
    "\n    MOST FREQUENT CLASS: no"
    "\n    ERROR: 0.0"
    "\n    NUMBER OF ITEMS: 2"
    "\n\n\nERROR = 0.000000\n"
    "Errors/N = 0.000000\n"
    "Number of collapsed leaves = 5\n"
    "Depth = 2\n"
    "\nerrors on test set:  2"
    "\nnumber of leaves:  5";

// A model tree: a regression node whose child carries no annotation, a split below it, a
// constant leaf (trailing space) and a straight-line leaf.
constexpr std::string_view kModelTree =
    "Regression tree\n"
    "Read  30 cases, with 3  attributes.\n\n"
    "-->REGRESS NODE: Price = 1.000000000000000 + 2.000000000000000 Size\n"
    "MEAN: 20.000000\n"
    "DEVIANCE: 4.500000\n"
    "NUMBER OF ITEMS: 30\n"
    "| -->CONTINUOUS NODE: Age \n"
    "  MEAN: 2.000000\n"
    "  DEVIANCE: 3.000000\n"
    "  NUMBER OF ITEMS: 30\n"
    "| | -->LEAF: Price = 12.500000000000000  [case: Age <= 35.500000]\n"
    "    MEAN: 12.500000\n"
    "    DEVIANCE: 1.000000\n"
    "    NUMBER OF ITEMS: 12\n"
    "| | -->LEAF: Price = 0.500000000000000 + 1.000000000000000 Rooms [case: Age > 35.500000]\n"
    "    MEAN: 14.000000\n"
    "    DEVIANCE: 2.000000\n"
    "    NUMBER OF ITEMS: 18\n"
    "\n\nERROR = 1.250000\n"
    "SSres/Syy = 0.125000\n";

TEST(TreeFileReader, ParsesADecisionTreeIntoLinkedRecords) {
  auto tree = ParseTreeText(kDecisionTree);
  ASSERT_TRUE(tree.ok()) << tree.status().message();
  EXPECT_FALSE(tree->IsModelTree());
  EXPECT_EQ(tree->readLine, "Read  14.000000 cases, with 4  attributes.");
  ASSERT_EQ(tree->nodes.size(), 8u);
  const ViewNode& root = tree->nodes[0];
  EXPECT_EQ(root.kind, kDiscreteNode);
  EXPECT_EQ(root.label, "  outlook ");
  EXPECT_EQ(root.detail1, " yes");
  EXPECT_EQ(root.detail3, " 14");
  EXPECT_EQ(root.children, (std::vector<int>{1, 4, 5}));
  EXPECT_EQ(tree->nodes[1].children, (std::vector<int>{2, 3}));
  EXPECT_EQ(tree->nodes[3].parent, 1);
  EXPECT_EQ(tree->nodes[3].depth, 2);
  EXPECT_TRUE(tree->nodes[3].IsLeaf());
  EXPECT_EQ(tree->nodes[3].label, "  no[case: humidity > 70 ]");
  EXPECT_EQ(tree->nodes[7].parent, 5);
  EXPECT_EQ(tree->errorLine, "ERROR = 0.000000");
  EXPECT_EQ(tree->measureLine, "Errors/N = 0.000000");
  EXPECT_EQ(tree->summary.back(), "number of leaves:  5");
  EXPECT_EQ(CheckTreeText(kDecisionTree).value(), 8);
}

TEST(TreeFileReader, ParsesAModelTree) {
  auto tree = ParseTreeText(kModelTree);
  ASSERT_TRUE(tree.ok()) << tree.status().message();
  EXPECT_TRUE(tree->IsModelTree());
  ASSERT_EQ(tree->nodes.size(), 4u);
  EXPECT_EQ(tree->nodes[0].kind, kRegressNode);
  EXPECT_EQ(tree->nodes[0].label, " Price = 1.000000000000000 + 2.000000000000000 Size");
  EXPECT_EQ(tree->nodes[1].label, " Age ");  // below a regression node: no annotation
  EXPECT_EQ(tree->nodes[1].parent, 0);
  EXPECT_EQ(tree->nodes[2].label, " Price = 12.500000000000000  [case: Age <= 35.500000]");
  EXPECT_EQ(tree->nodes[3].detail2, " 2.000000");
  EXPECT_EQ(tree->errorLine, "ERROR = 1.250000");
  EXPECT_EQ(tree->measureLine, "SSres/Syy = 0.125000");
  EXPECT_STREQ(TreeFile::DetailCaption(tree->kind, 0), "MEAN");
  // Line ends of two characters read alike.
  std::string text;
  for (char c : kModelTree) {
    if (c == '\n') text += '\r';
    text += c;
  }
  EXPECT_EQ(CheckTreeText(text).value(), 4);
}

TEST(TreeFileReader, ASingleLeafIsAWholeTree) {
  const std::string text =
      "Decision tree\nRead  3.000000 cases, with 1  attributes.\n"
      "\n-->LEAF:  a\nMOST FREQUENT CLASS: a\nERROR: 1.0\nNUMBER OF ITEMS: 3"
      "\n\n\nERROR = 1.000000\nErrors/N = 0.333333\nNumber of collapsed leaves = 0\nDepth = 0\n";
  auto tree = ParseTreeText(text);
  ASSERT_TRUE(tree.ok());
  ASSERT_EQ(tree->nodes.size(), 1u);
  EXPECT_TRUE(tree->nodes[0].children.empty());
  EXPECT_EQ(tree->summary.size(), 4u);
}

class TreeFileRejects : public ::testing::TestWithParam<std::string> {};

TEST_P(TreeFileRejects, WithTheViewersMessage) {
  auto count = CheckTreeText(GetParam());
  ASSERT_FALSE(count.ok());
  EXPECT_EQ(count.status().code(), StatusCode::kParse);
  EXPECT_EQ(count.status().message(), kBadTreeFileFormat);
  EXPECT_FALSE(ParseTreeText(GetParam()).ok());
}

std::string Without(std::string_view text, std::string_view part) {
  std::string out(text);
  out.erase(out.find(part), part.size());
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, TreeFileRejects,
    ::testing::Values(
        "", "Regression tree",  // the header without its line end: a truncated file
        "Decision Tree\n" + std::string(kDecisionTree.substr(14)),  // the rules header
        std::string(kModelTree.substr(0, 60)),                      // cut inside the root block
        std::string(kDecisionTree.substr(0, kDecisionTree.find("\n\n\nERROR"))),  // no empty line
        Without(kModelTree, "    DEVIANCE: 1.000000\n"),  // a block of three lines
        Without(kDecisionTree, "Read  14.000000 cases, with 4  attributes.\n"),
        std::string(kModelTree).replace(kModelTree.find("CONTINUOUS"), 10, "CONTINUOSU"),
        std::string(kModelTree).replace(kModelTree.find("| | -->LEAF: Price = 12"), 4, "| | | "),
        "Regression tree\nRead  1 cases, with 1  attributes.\n\n\n\nERROR = 0.000000\n"));

TEST(TreeFileReader, ReadsFilesAndFindsThemInTheWorkingFolder) {
  testing::TempFolder folder;
  const auto path = WorkingFile("golf_data.tree");
  std::ofstream(path, std::ios::binary) << kDecisionTree;
  EXPECT_EQ(CheckTreeFile(path).value(), 8);
  EXPECT_EQ(ReadTreeFile(path)->nodes.size(), 8u);
  EXPECT_EQ(FindResultFile("golf_data", ".tree"), path);
  EXPECT_EQ(FindResultFile(path.string(), ".tree"), path);
  auto missing = ReadTreeFile(WorkingFile("nothing.tree"));
  EXPECT_EQ(missing.status().message(), kBadTreeFileFormat);
}

}  // namespace
}  // namespace quarry::treefiles
