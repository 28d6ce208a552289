#include "core/treefiles/model_tree_writer.h"

#include <algorithm>
#include <vector>

#include "core/common/text_util.h"

namespace quarry::treefiles {

using modeltree::ModelTreeNode;

namespace {

constexpr int kNotExcluded = -1;

class ModelTreeWriter {
 public:
  ModelTreeWriter(std::string& out, const dtree::AttributeTable& att,
                  modeltree::ModelTreeCounts& counts)
      : out_(out), att_(att), counts_(counts), excludedBy_(static_cast<size_t>(att.MaxAtt) + 1) {}

  void Write(const ModelTreeNode& node, int depth, const std::string& annotation) {
    for (int d = 0; d < depth; ++d) out_ += "| ";
    out_ += NodeLine(node);
    out_ += annotation;
    out_ += "\n";
    const std::string detail(static_cast<size_t>(depth) * 2, ' ');
    out_ += detail + "MEAN: " + Figure("%f", static_cast<double>(node.mean)) + "\n";
    out_ += detail + "DEVIANCE: " + Figure("%f", node.deviance) + "\n";
    out_ += detail + Format("NUMBER OF ITEMS: %d\n", node.Items());
    switch (node.kind) {
      case modeltree::kLeaf:
        ++counts_.leaves;
        break;
      case modeltree::kRegression:
        ++counts_.regressions;
        Write(*node.left, depth + 1, "");
        break;
      case modeltree::kContinuousSplit: {
        ++counts_.splits;
        const auto& test = static_cast<const modeltree::ContinuousSplit&>(*node.test);
        const std::string& name = att_.AttName[test.attribute];
        const std::string threshold = Figure("%f", test.threshold);
        Write(*node.left, depth + 1, " [case: " + name + " <= " + threshold + "]");
        Write(*node.right, depth + 1, " [case: " + name + " > " + threshold + "]");
        break;
      }
      default:
        ++counts_.splits;
        WriteDiscreteChildren(node, depth);
        break;
    }
  }

 private:
  std::string NodeLine(const ModelTreeNode& node) const {
    const std::string& target = att_.AttName[att_.MaxAtt + 1];
    switch (node.kind) {
      case modeltree::kContinuousSplit:
        return Format("-->CONTINUOUS NODE: %s ", att_.AttName[node.test->attribute].c_str());
      case modeltree::kDiscreteSplit:
        return "-->DISCRETE NODE: " + Format(" %s ", att_.AttName[node.test->attribute].c_str());
      default:
        break;
    }
    const modeltree::LinearModel& model = *node.model;
    const char* lead = node.kind == modeltree::kRegression ? "-->REGRESS NODE: " : "-->LEAF: ";
    const std::string intercept = Figure("%15.15f", model.intercept);
    if (model.IsConstant()) return lead + target + " = " + intercept + " ";
    return lead + target + " = " + intercept + " + " + Figure("%15.15f", model.slope) + " " +
           att_.AttName[model.variable];
  }

  // The second child of a discrete split lists only the values no ancestor split on the same
  // attribute has excluded: each value remembers the node that excluded it.
  void WriteDiscreteChildren(const ModelTreeNode& node, int depth) {
    const auto& test = static_cast<const modeltree::DiscreteSplit&>(*node.test);
    const int a = test.attribute;
    const std::string& name = att_.AttName[a];
    const std::vector<std::string>& values = att_.ValueName[a];
    std::vector<int>& excluded = excludedBy_[a];
    excluded.resize(static_cast<size_t>(att_.ValueCount[a]) + 1, kNotExcluded);
    auto inSubset = [&test](int v) {
      return std::find(test.subset.begin(), test.subset.end(), v) != test.subset.end();
    };

    for (int v = 1; v <= att_.ValueCount[a]; ++v) {
      if (!inSubset(v) && excluded[v] == kNotExcluded) excluded[v] = node.id;
    }
    std::string first = " [case: " + name + " in {";
    for (size_t i = 0; i < test.subset.size(); ++i) {
      first += " " + values[test.subset[i]] + (i + 1 < test.subset.size() ? "," : "}");
    }
    Write(*node.left, depth + 1, first + "]");

    for (int v = 1; v <= att_.ValueCount[a]; ++v) {
      if (inSubset(v)) {
        if (excluded[v] == kNotExcluded) excluded[v] = node.id;
      } else if (excluded[v] == node.id) {
        excluded[v] = kNotExcluded;
      }
    }
    std::string second = " [case: " + name + " in {";
    bool any = false;
    for (int v = 1; v <= att_.ValueCount[a]; ++v) {
      if (excluded[v] != kNotExcluded) continue;
      second += (any ? ", " : " ") + values[v] + " ";
      any = true;
    }
    Write(*node.right, depth + 1, second + "}]");
    for (int& mark : excluded) {
      if (mark == node.id) mark = kNotExcluded;
    }
  }

  std::string& out_;
  const dtree::AttributeTable& att_;
  modeltree::ModelTreeCounts& counts_;
  std::vector<std::vector<int>> excludedBy_;  // [attribute][value] -> node id or kNotExcluded
};

}  // namespace

std::string ModelTreeHeader(int cases, int attributes) {
  return Format("Regression tree\nRead  %d cases, with %d  attributes.\n\n", cases, attributes);
}

void WriteModelTree(std::string& out, const ModelTreeNode& root, const dtree::AttributeTable& att,
                    modeltree::ModelTreeCounts& counts) {
  ModelTreeWriter(out, att, counts).Write(root, 0, "");
}

std::string ModelErrorLines(double error, double ratio) {
  return "\n\nERROR = " + Figure("%f", error) + "\nSSres/Syy = " + Figure("%f", ratio) + "\n";
}

}  // namespace quarry::treefiles
