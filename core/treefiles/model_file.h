#pragma once
// The model file: beside a tree file "B.tree" a job writes "B.model", the same tree with every
// figure the engines classify and predict with, exactly: cuts, class weights and items as 32-bit
// floats, line coefficients as doubles, the attribute table with every value name. The tree file
// prints cuts with "%g" and items as whole numbers, too coarse to classify with; the model file
// is what makes a saved tree a model that can be applied to new rows.
//
// Layout: line 1 "QUARRY model 1", line 2 "decision tree" or "model tree", then tab-separated
// records, one a line, names escaped (backslash, tab, line ends as \\ \t \n \r):
//   vote\tdistribution|whole            (decision trees: how a leaf votes)
//   cases\tN                            (model trees: the "Read" line's case count)
//   attributes\tN
//   a\tSTATUS\tVALUECOUNT\tNAME[\tVALUE...]        N of them, attribute 0 first
//   target\tNAME[\tCLASS...]                         the class column (and its classes)
//   nodes
//   decision node: n TYPE FORKS LEAF  cont: TESTED ITEMS ERRORS CUT LOWER UPPER
//                  discr: TESTED ITEMS ERRORS KIND  CLASSES DIST...
//                  then for a subset test "s\tBRANCH[\tVALUE...]" per branch
//   model node:    n ID KIND MEAN DEVIANCE ITEMS, then "t\tc\tATT\tCUT" or "t\td\tATT[\tVALUE...]"
//                  for a split, "m\tVARIABLE\tCOUNT\tINTERCEPT\tSLOPE\tPAIRS\t(a b)..." for a model
//   end
// Nodes come depth first, children in branch order.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"
#include "core/modeltree/model_tree_node.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry::treefiles {

inline constexpr std::string_view kModelFileExtension = ".model";

// "B.model" for "B.tree" (or any other name: its extension replaced).
std::filesystem::path ModelFileFor(const std::filesystem::path& treeFile);

std::string DecisionModelText(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                              dtree::LeafVote vote);
std::string ModelTreeModelText(const modeltree::ModelTreeNode& root,
                               const dtree::AttributeTable& att, int cases);

// Writes the file whole or not at all.
Status WriteDecisionModelFile(const dtree::TreeNode& root, const dtree::AttributeTable& att,
                              dtree::LeafVote vote, const std::filesystem::path& path);
Status WriteModelTreeModelFile(const modeltree::ModelTreeNode& root,
                               const dtree::AttributeTable& att, int cases,
                               const std::filesystem::path& path);

struct SavedTree {
  TreeKind kind = TreeKind::kDecisionTree;
  dtree::AttributeTable att;  // the class column's name at MaxAtt + 1
  dtree::LeafVote vote = dtree::LeafVote::kDistribution;
  std::unique_ptr<dtree::TreeNode> decision;        // decision trees
  std::unique_ptr<modeltree::ModelTreeNode> model;  // model trees
  int cases = 0;                                    // model trees: the "Read" line's count
  std::filesystem::path treeFile;                   // the tree file it was checked against
};

// kParse with a message when the text is no model file.
Expected<SavedTree> ParseModelText(std::string_view text);

// The model of a tree file ("B.tree", whose "B.model" is read) or of a model file ("B.model").
// When the tree file is there, its node blocks must be those the model's tree writes: a model
// file left over from another tree is refused.
Expected<SavedTree> ReadSavedTree(const std::filesystem::path& file);

}  // namespace quarry::treefiles
