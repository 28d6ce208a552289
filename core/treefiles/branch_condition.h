#pragma once
// What a node line's branch annotation says about the cases that reach the node, read back from
// a tree file so a viewer can draw the branch and follow one case down the tree. Annotations of
// both kinds are understood:
//   decision trees  [case: A = v]  [case: A <= 35.5 ]  [case: A > 35.5 ]  [case: A in {v,w}]
//   model trees     [case: A <= 35.500000]  [case: A in { v, w}]  [case: A in { x , y }]
// Thresholds come back as the file prints them ("%g" in decision trees), so a value closer to a
// threshold than that precision may be sent the wrong way; the engines decide with full precision.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/treefiles/tree_file_reader.h"

namespace quarry::treefiles {

struct BranchCondition {
  enum class Op { kEquals, kLessEqual, kGreater, kIn };

  std::string attribute;
  Op op = Op::kEquals;
  double threshold = 0;
  std::vector<std::string> values;  // kEquals: one value; kIn: the subset

  // Whether a case with `value` for the attribute takes the branch. A missing value ("?" or
  // empty) takes none; a threshold test needs a number.
  bool Admits(std::string_view value) const;
};

// The text inside a label's "[case: ...]", without the brackets and the outer blanks; empty
// when the label has no annotation (the root, the child of a regression node).
std::string BranchText(std::string_view label);

// The label without its annotation (and anything after it): the split's attribute, the leaf's
// class or model, trimmed.
std::string NodeCaption(std::string_view label);

std::optional<BranchCondition> ParseBranchCondition(std::string_view label);

// The attributes the tree tests, in the order their tests first appear.
std::vector<std::string> TestedAttributes(const TreeFile& tree);

// An attribute the tree tests: discrete (its branches name values or value subsets) with the
// values its branches name, in the order they first appear; or continuous (thresholds).
struct TestedAttribute {
  std::string name;
  bool discrete = false;
  std::vector<std::string> values;
};
// Every attribute the tree tests, in the order their tests first appear.
std::vector<TestedAttribute> TestedAttributeValues(const TreeFile& tree);

// The nodes one case passes, from the root: to a leaf, or to the node where no branch takes the
// case (its value is missing or unknown there). A regression node passes every case to its
// child. `valueOf` gives the case's value of an attribute (nullopt: not given).
std::vector<int> FollowCase(
    const TreeFile& tree,
    const std::function<std::optional<std::string>(const std::string& attribute)>& valueOf);

}  // namespace quarry::treefiles
