#include "core/treefiles/decision_rules_writer.h"

#include <string>
#include <vector>

#include "core/common/fcvt.h"
#include "core/common/text_util.h"
#include "core/data/result_file_stream.h"
#include "core/treefiles/tree_file_names.h"

namespace quarry::treefiles {

namespace {

using dtree::AttributeTable;
using dtree::TreeNode;

constexpr int kThresholdDecimals = 10;

std::string Condition(const TreeNode& node, int v, const AttributeTable& att) {
  const int a = node.Tested();
  const std::string& name = att.AttName[static_cast<size_t>(a)];
  const std::vector<std::string>& values = att.ValueName[static_cast<size_t>(a)];
  switch (node.NodeType) {
    case dtree::kDiscreteTest:
      return name + " = " + values[static_cast<size_t>(v)];
    case dtree::kCutTest:
      return " " + name + (v == 1 ? " <= " : " > ") +
             FixedDecimalText(static_cast<double>(node.Cont.Cut), kThresholdDecimals);
    case dtree::kSubsetTest: {
      std::string text = name + " in {";
      bool first = true;
      for (int value = 1; value <= att.ValueCount[static_cast<size_t>(a)]; ++value) {
        if (!dtree::InSet(node.Discr.Subset[static_cast<size_t>(v)], value)) continue;
        text += (first ? "" : ",") + values[static_cast<size_t>(value)];
        first = false;
      }
      return text + "}";
    }
    default:
      return std::string();
  }
}

class RulesWriter {
 public:
  // A stream, when given, takes the text as it grows.
  RulesWriter(const AttributeTable& att, std::string& text, ResultFileStream* stream)
      : att_(att), text_(text), stream_(stream) {}

  void Walk(const TreeNode& node, size_t depth) {
    if (node.IsLeaf()) {
      AppendRule(node);
      if (stream_ != nullptr) stream_->Drain(text_);
      return;
    }
    const size_t mark = path_.size();
    for (int v = 1; v <= node.Forks; ++v) {
      path_.resize(mark);
      path_ += depth == 0 ? "\n             " : " AND\n             ";
      path_ += Condition(node, v, att_);
      path_ += ' ';
      Walk(node.Child(v), depth + 1);
    }
    path_.resize(mark);
  }

 private:
  void AppendRule(const TreeNode& leaf) {
    const std::string& className = att_.ClassName[static_cast<size_t>(leaf.Leaf)];
    text_ += "\n";
    text_ += "-->  Rules";
    text_ += std::to_string(rule_++);
    text_ += ":\n             Number of cases: ";
    text_ += std::to_string(static_cast<int>(leaf.Items()));
    text_ += '\n';
    text_ += "             MOST FREQUENT CLASS: " + className + "\n";
    text_ += "             ERROR: " + Figure("%.1f", static_cast<double>(leaf.Errors())) + "\n";
    text_ += "     IF";
    text_ += path_;
    text_ += "\n     THEN\n";
    text_ +=
        "            " + att_.AttName[static_cast<size_t>(att_.MaxAtt + 1)] + " = " + className;
  }

  const AttributeTable& att_;
  std::string& text_;
  ResultFileStream* stream_;
  std::string path_;  // the conditions on the path to the current node, each with its blank
  int rule_ = 1;
};

std::string RulesHeader(const TreeNode& root, const AttributeTable& att) {
  return "Decision Tree\n" + Format("Read  %f cases, with %d  attributes.\n\n",
                                    static_cast<double>(root.Items()), att.MaxAtt + 1);
}

void AppendRulesSummary(std::string& text, const TreeNode& root) {
  text += "\n\n\nERROR = " + Figure("%f", static_cast<double>(root.Errors())) + "\n";
  text += "Errors/N = " + Figure("%f", static_cast<double>(root.Errors() / root.Items())) + "\n";
}

}  // namespace

std::string DecisionRulesText(const TreeNode& root, const AttributeTable& att) {
  std::string text = RulesHeader(root, att);
  RulesWriter(att, text, nullptr).Walk(root, 0);
  AppendRulesSummary(text, root);
  return text;
}

Status WriteDecisionRulesFile(const TreeNode& root, const AttributeTable& att,
                              const std::filesystem::path& path) {
  ResultFileStream stream(path);
  std::string text = RulesHeader(root, att);
  RulesWriter(att, text, &stream).Walk(root, 0);
  AppendRulesSummary(text, root);
  return stream.Finish(text);
}

Status WriteDecisionRules(const TreeNode& root, const AttributeTable& att,
                          const std::string& baseName) {
  return WriteDecisionRulesFile(root, att, RulesFilePath(baseName));
}

}  // namespace quarry::treefiles
