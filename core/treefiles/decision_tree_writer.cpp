#include "core/treefiles/decision_tree_writer.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "core/common/text_util.h"
#include "core/data/result_file_stream.h"
#include "core/treefiles/tree_file_names.h"

namespace quarry::treefiles {

namespace {

using dtree::AttributeTable;
using dtree::TreeNode;

const std::string& ValueName(const AttributeTable& att, int a, int v) {
  return att.ValueName[static_cast<size_t>(a)][static_cast<size_t>(v)];
}

// What the parent's test says of branch v.
void AppendAnnotation(std::string& text, const TreeNode& parent, int v, const AttributeTable& att) {
  const int a = parent.Tested();
  const std::string& name = att.AttName[static_cast<size_t>(a)];
  switch (parent.NodeType) {
    case dtree::kDiscreteTest:
      text += "[case: ";
      text += name.c_str();
      text += " = ";
      text += ValueName(att, a, v).c_str();
      text += ']';
      break;
    case dtree::kCutTest:
      text += "[case: " + name + (v == 1 ? " <= " : " > ") +
              Figure("%g", static_cast<double>(parent.Cont.Cut)) + " ]";
      // Softened thresholds show the range in which the test is doubtful.
      if (parent.Cont.Lower != parent.Cont.Upper) {
        text += "[" + Figure("%g", static_cast<double>(parent.Cont.Lower)) + "," +
                Figure("%g", static_cast<double>(parent.Cont.Upper)) + "]";
      }
      break;
    case dtree::kSubsetTest: {
      bool first = true;
      const dtree::ValueSet& set = parent.Discr.Subset[static_cast<size_t>(v)];
      for (int value = 1; value <= att.ValueCount[static_cast<size_t>(a)]; ++value) {
        if (!dtree::InSet(set, value)) continue;
        if (first) {
          text += "[case: ";
          text += name.c_str();
          text += " in {";
        } else {
          text += ',';
        }
        text += ValueName(att, a, value);
        first = false;
      }
      text += "}]";
      break;
    }
    default:
      break;
  }
}

// A new line indented for `depth`: "| " per level before a node, two blanks per level before
// its details.
void NewLine(std::string& text, int depth, bool nodeLine) {
  text += '\n';
  if (!nodeLine) {
    text.append(2 * static_cast<size_t>(depth), ' ');
    return;
  }
  // "| " for every level, many levels at a time.
  static constexpr std::string_view kBars =
      "| | | | | | | | | | | | | | | | | | | | | | | | | | | | | | | | ";
  for (size_t left = 2 * static_cast<size_t>(depth); left > 0;) {
    const size_t n = std::min(left, kBars.size());
    text.append(kBars.data(), n);
    left -= n;
  }
}

// Appends the blocks of `node` and its subtree; a stream takes the text as it grows.
void AppendNode(std::string& text, const TreeNode& node, const TreeNode* parent, int v, int depth,
                const AttributeTable& att, ResultFileStream* stream) {
  NewLine(text, depth, true);
  const std::string& name = att.AttName[static_cast<size_t>(node.Tested())];
  const std::string& mostFrequent = att.ClassName[static_cast<size_t>(node.Leaf)];
  switch (node.NodeType) {
    case dtree::kLeaf:
      text += "-->LEAF:  ";
      text += mostFrequent;
      break;
    case dtree::kCutTest:
      text += "-->CONTINUOUS NODE: ";
      text += name;
      text += "  ";
      break;
    default:
      text += "-->DISCRETE NODE:  ";
      text += name;
      text += ' ';
      break;
  }
  if (parent != nullptr) AppendAnnotation(text, *parent, v, att);
  NewLine(text, depth, false);
  text += "MOST FREQUENT CLASS: ";
  text += mostFrequent;
  NewLine(text, depth, false);
  text += "ERROR: " + Figure("%.1f", static_cast<double>(node.Errors()));
  NewLine(text, depth, false);
  text += "NUMBER OF ITEMS: ";
  text += std::to_string(static_cast<int>(node.Items()));
  if (stream != nullptr) stream->Drain(text);
  for (int b = 1; b <= node.Forks; ++b) {
    AppendNode(text, node.Child(b), &node, b, depth + 1, att, stream);
  }
}

void AppendSummary(std::string& text, const TreeNode& root, int minObjs) {
  text += "\n\n\nERROR = " + Figure("%f", static_cast<double>(root.Errors())) + "\n";
  text += "Errors/N = " + Figure("%f", static_cast<double>(root.Errors() / root.Items())) + "\n";
  text += Format("Number of collapsed leaves = %d\n", dtree::CollapsedLeafCount(root, minObjs));
  text += Format("Depth = %d\n", dtree::TreeDepth(root));
}

}  // namespace

std::string DecisionTreeHeader(const TreeNode& root, const AttributeTable& att) {
  return "Decision tree\n" + Format("Read  %f cases, with %d  attributes.\n",
                                    static_cast<double>(root.Items()), att.MaxAtt + 1);
}

std::string DecisionTreeBlocks(const TreeNode& root, const AttributeTable& att) {
  std::string text;
  AppendNode(text, root, nullptr, 0, 0, att, nullptr);
  return text;
}

std::string DecisionTreeText(const TreeNode& root, const AttributeTable& att, int minObjs) {
  std::string text = DecisionTreeHeader(root, att);
  AppendNode(text, root, nullptr, 0, 0, att, nullptr);
  AppendSummary(text, root, minObjs);
  return text;
}

Status WriteDecisionTreeFile(const TreeNode& root, const AttributeTable& att, int minObjs,
                             const std::filesystem::path& path) {
  ResultFileStream stream(path);
  std::string text = DecisionTreeHeader(root, att);
  AppendNode(text, root, nullptr, 0, 0, att, &stream);
  AppendSummary(text, root, minObjs);
  return stream.Finish(text);
}

Status WriteDecisionTree(const TreeNode& root, const AttributeTable& att, int minObjs,
                         const std::string& baseName) {
  return WriteDecisionTreeFile(root, att, minObjs, TreeFilePath(baseName));
}

}  // namespace quarry::treefiles
