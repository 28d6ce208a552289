#include "core/treefiles/model_rules_writer.h"

#include <cmath>
#include <vector>

#include "core/common/fcvt.h"
#include "core/common/text_util.h"

namespace quarry::treefiles {

using modeltree::LinearModel;
using modeltree::ModelTreeNode;

namespace {

constexpr const char* kFirstCondition = "\n             ";
constexpr const char* kNextCondition = " AND\n             ";

// Coefficients over the loaded attributes 0..MaxAtt and a constant at MaxAtt + 1.
using Row = std::vector<double>;

class ModelRulesWriter {
 public:
  ModelRulesWriter(std::string& out, const dtree::AttributeTable& att) : out_(out), att_(att) {
    const size_t width = static_cast<size_t>(att.MaxAtt) + 2;
    rows_.assign(static_cast<size_t>(att.MaxAtt) + 1, Row(width, 0.0));
    for (size_t j = 0; j < rows_.size(); ++j) rows_[j][j] = 1.0;
    predicted_.assign(width, 0.0);
  }

  void Write(const ModelTreeNode& node) {
    switch (node.kind) {
      case modeltree::kLeaf:
        WriteRule(node);
        break;
      case modeltree::kRegression: {
        const std::vector<Row> savedRows = rows_;
        const Row savedPredicted = predicted_;
        EnterRegression(*node.model);
        Write(*node.left);
        rows_ = savedRows;
        predicted_ = savedPredicted;
        break;
      }
      case modeltree::kContinuousSplit: {
        const auto& test = static_cast<const modeltree::ContinuousSplit&>(*node.test);
        const std::string expression = " ( " + Expression(rows_[test.attribute]) + " ) ";
        const std::string cut = " " + FixedDecimalText(test.threshold, 5);
        WriteChildren(node, expression + "<=" + cut, expression + ">" + cut);
        break;
      }
      default: {
        const auto& test = static_cast<const modeltree::DiscreteSplit&>(*node.test);
        std::string text = att_.AttName[test.attribute] + " in { ";
        for (size_t i = 0; i < test.subset.size(); ++i) {
          text += (i ? ", " : "") + att_.ValueName[test.attribute][test.subset[i]];
        }
        text += " }";
        // The whole text is rewritten, as a name containing " in " shows.
        WriteChildren(node, text, ReplaceAll(text, " in ", " not in "));
        break;
      }
    }
  }

 private:
  void WriteChildren(const ModelTreeNode& node, const std::string& first,
                     const std::string& second) {
    conditions_.push_back(first);
    Write(*node.left);
    conditions_.back() = second;
    Write(*node.right);
    conditions_.pop_back();
  }

  // Entering the child of a regression node on v: every attribute j lost the line a_j + b_j x_v,
  // and the target lost a + b x_v.
  void EnterRegression(const LinearModel& model) {
    const int m = att_.MaxAtt;
    const Row v = rows_[model.variable];
    for (int j = 0; j <= m; ++j) {
      const modeltree::CoefficientPair& pair = model.coefficients[j];
      for (int k = 0; k <= m + 1; ++k) rows_[j][k] -= pair.slope * v[k];
      rows_[j][m + 1] -= pair.intercept;
    }
    for (int k = 0; k <= m + 1; ++k) predicted_[k] += model.slope * v[k];
    predicted_[m + 1] += model.intercept;
  }

  std::string Expression(const Row& row) const {
    const int m = att_.MaxAtt;
    std::string text = row[m + 1] != 0.0 ? FixedDecimalText(row[m + 1], 5) : "";
    for (int k = 0; k <= m; ++k) {
      if (row[k] == 0.0) continue;
      const std::string coefficient = FixedDecimalText(row[k], 5);
      const bool negative = coefficient[0] == '-';
      text += negative ? " - " : " + ";
      text += coefficient.substr(negative ? 1 : 0) + " * " + att_.AttName[k];
    }
    return text;
  }

  void WriteRule(const ModelTreeNode& leaf) {
    out_ += "\n";
    out_ += Format("-->  Rule%d:\n", rule_++);
    out_ += Format("             Number of cases: %d\n", leaf.Items());
    out_ += "             Mean: " + Figure("%f", static_cast<double>(leaf.mean)) + "\n";
    out_ += "             Deviance: " + Figure("%f", leaf.deviance) + "\n";
    out_ += "     IF";
    for (size_t i = 0; i < conditions_.size(); ++i) {
      out_ += (i == 0 ? kFirstCondition : kNextCondition) + conditions_[i] + " ";
    }
    out_ += "\n     THEN\n";

    const int m = att_.MaxAtt;
    const LinearModel& model = *leaf.model;
    // The conclusion: what the regression nodes above predicted plus the leaf's own line.
    Row total = predicted_;
    std::vector<bool> term(static_cast<size_t>(m) + 1, false);
    for (int k = 0; k <= m; ++k) term[k] = predicted_[k] != 0.0;
    total[m + 1] += model.intercept;
    if (!model.IsConstant()) {
      const Row& v = rows_[model.variable];
      for (int k = 0; k <= m + 1; ++k) total[k] += model.slope * v[k];
      for (int k = 0; k <= m; ++k) term[k] = term[k] || v[k] != 0.0;
    }
    out_ += "             " + att_.AttName[m + 1] + " = " + Figure("%f", total[m + 1]) + " ";
    for (int k = 0; k <= m; ++k) {
      if (!term[k]) continue;
      // A negative coefficient carries its own minus sign.
      const std::string coefficient = Figure("%f", total[k]);
      out_ += (coefficient[0] == '-' ? " " : " + ") + coefficient + " * " + att_.AttName[k] + " ";
    }
  }

  std::string& out_;
  const dtree::AttributeTable& att_;
  std::vector<Row> rows_;
  Row predicted_;
  std::vector<std::string> conditions_;
  int rule_ = 1;
};

}  // namespace

void WriteModelRules(std::string& out, const ModelTreeNode& root, const dtree::AttributeTable& att,
                     int cases) {
  out += "Regression Tree\n";
  out += Format("Read  %d cases, with %d  attributes.\n\n", cases, att.MaxAtt + 1);
  ModelRulesWriter(out, att).Write(root);
}

}  // namespace quarry::treefiles
