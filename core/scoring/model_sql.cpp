#include "core/scoring/model_sql.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/common/text_util.h"
#include "core/data/sql_quote.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::scoring {

namespace {

using dtree::AttributeTable;
using dtree::TreeNode;
using modeltree::ModelTreeNode;

std::string Number(double v) { return Format("%.17g", v); }

std::string Column(const AttributeTable& att, int a) {
  return QuoteIdent(att.AttName[static_cast<size_t>(a)]);
}

// The class a leaf gives a case that reaches it with its whole weight.
int LeafClass(const TreeNode& leaf, dtree::LeafVote vote) {
  if (leaf.Items() <= 0 || vote == dtree::LeafVote::kWholeCase) return leaf.Leaf;
  std::vector<float> classSum(leaf.ClassDist.size(), 0.0f);
  return dtree::Classify(classSum, nullptr, leaf, vote);
}

std::string CutTest(const std::string& value, float cut, bool below) {
  const CutBound b = FloatCutBound(cut);
  if (below) return value + (b.inclusive ? " <= " : " < ") + Number(b.bound);
  return value + (b.inclusive ? " > " : " >= ") + Number(b.bound);
}

std::string ValueList(const AttributeTable& att, int a, const std::vector<int>& values) {
  std::string list;
  for (int v : values) {
    list += list.empty() ? "(" : ", ";
    list += QuoteLiteral(att.ValueName[static_cast<size_t>(a)][static_cast<size_t>(v)]);
  }
  return list + ")";
}

std::string DecisionSql(const TreeNode& node, const treefiles::SavedTree& tree) {
  const AttributeTable& att = tree.att;
  if (node.IsLeaf()) {
    return QuoteLiteral(att.ClassName[static_cast<size_t>(LeafClass(node, tree.vote))]);
  }
  const int a = node.Tested();
  const std::string col = Column(att, a);
  std::string sql = "CASE";
  for (int b = 1; b <= node.Forks; ++b) {
    std::string test;
    switch (node.NodeType) {
      case dtree::kDiscreteTest:
        test = col + " = " +
               QuoteLiteral(att.ValueName[static_cast<size_t>(a)][static_cast<size_t>(b)]);
        break;
      case dtree::kCutTest:
        test = CutTest(col, node.Cont.Cut, b == 1);
        break;
      default: {
        std::vector<int> values;
        for (int v = 1; v <= att.ValueCount[a]; ++v) {
          if (dtree::InSet(node.Discr.Subset[static_cast<size_t>(b)], v)) values.push_back(v);
        }
        if (values.empty()) continue;
        test = col + " IN " + ValueList(att, a, values);
        break;
      }
    }
    sql += " WHEN " + test + " THEN " + DecisionSql(node.Child(b), tree);
  }
  return sql + " ELSE NULL END";
}

// Model trees: each attribute's value at a node as a linear expression in the table's columns.
struct Linear {
  std::vector<double> coefficient;  // by attribute
  double constant = 0.0;
};

std::string LinearSql(const Linear& e, const AttributeTable& att) {
  std::string sql;
  for (size_t k = 0; k < e.coefficient.size(); ++k) {
    const double c = e.coefficient[k];
    if (c == 0.0) continue;
    if (!sql.empty()) sql += " + ";
    sql += c == 1.0 ? Column(att, static_cast<int>(k))
                    : "(" + Number(c) + ") * " + Column(att, static_cast<int>(k));
  }
  if (sql.empty()) return Number(e.constant);
  if (e.constant != 0.0) sql += " + (" + Number(e.constant) + ")";
  return "(" + sql + ")";
}

class ModelSqlWriter {
 public:
  explicit ModelSqlWriter(const treefiles::SavedTree& tree) : tree_(tree), att_(tree.att) {
    const int n = att_.MaxAtt + 1;
    for (int j = 0; j < n; ++j) {
      Linear e;
      e.coefficient.assign(static_cast<size_t>(n), 0.0);
      e.coefficient[static_cast<size_t>(j)] = 1.0;
      rows_.push_back(e);
    }
  }

  // `sum` is the part of the prediction the regression steps above have given.
  std::string Node(const ModelTreeNode& node, const Linear& sum) {
    const int maxAtt = att_.MaxAtt;
    if (node.kind == modeltree::kLeaf) {
      const modeltree::LinearModel& m = *node.model;
      Linear total = sum;
      total.constant += m.intercept;
      if (!m.IsConstant()) Add(total, rows_[static_cast<size_t>(m.variable)], m.slope);
      return LinearSql(total, att_);
    }
    if (node.kind == modeltree::kRegression) {
      const modeltree::LinearModel& m = *node.model;
      const int v = m.variable;
      const std::vector<Linear> saved = rows_;
      const uint8_t status = att_.Status[static_cast<size_t>(v)];
      Linear total = sum;
      total.constant += m.intercept;
      const Linear x = rows_[static_cast<size_t>(v)];
      Add(total, x, m.slope);
      for (int j = 0; j <= maxAtt; ++j) {
        if (j == v || !modeltree::IsUsableContinuous(att_, j)) continue;
        const auto& pair = m.coefficients[static_cast<size_t>(j)];
        Add(rows_[static_cast<size_t>(j)], x, -pair.slope);
        rows_[static_cast<size_t>(j)].constant -= pair.intercept;
      }
      att_.Status[static_cast<size_t>(v)] = dtree::kIgnored;
      std::string sql = Node(*node.left, total);
      att_.Status[static_cast<size_t>(v)] = status;
      rows_ = saved;
      return sql;
    }
    const int a = node.test->attribute;
    std::string left;
    std::string right;
    if (node.kind == modeltree::kContinuousSplit) {
      const float cut = static_cast<const modeltree::ContinuousSplit&>(*node.test).threshold;
      const std::string value = LinearSql(rows_[static_cast<size_t>(a)], att_);
      left = CutTest(value, cut, true);
      right = CutTest(value, cut, false);
    } else {
      const auto& subset = static_cast<const modeltree::DiscreteSplit&>(*node.test).subset;
      std::vector<int> in;
      std::vector<int> out;
      for (int v = 1; v <= att_.ValueCount[a]; ++v) {
        const bool inSubset = std::find(subset.begin(), subset.end(), v) != subset.end();
        (inSubset ? in : out).push_back(v);
      }
      const std::string col = Column(att_, a);
      left = in.empty() ? "1 = 0" : col + " IN " + ValueList(att_, a, in);
      right = out.empty() ? "1 = 0" : col + " IN " + ValueList(att_, a, out);
    }
    return "CASE WHEN " + left + " THEN " + Node(*node.left, sum) + " WHEN " + right + " THEN " +
           Node(*node.right, sum) + " ELSE NULL END";
  }

 private:
  static void Add(Linear& to, const Linear& e, double factor) {
    for (size_t k = 0; k < to.coefficient.size(); ++k)
      to.coefficient[k] += factor * e.coefficient[k];
    to.constant += factor * e.constant;
  }

  const treefiles::SavedTree& tree_;
  AttributeTable att_;
  std::vector<Linear> rows_;
};

}  // namespace

CutBound FloatCutBound(float cut) {
  const float next = std::nextafter(cut, std::numeric_limits<float>::infinity());
  if (std::isinf(next)) return {static_cast<double>(cut), true};
  // Numbers between cut and the next float round to the nearer; the midpoint goes to the one
  // with an even last bit.
  const double mid = (static_cast<double>(cut) + static_cast<double>(next)) / 2;
  return {mid, static_cast<float>(mid) == cut};
}

std::string PredictionExpression(const treefiles::SavedTree& tree) {
  if (tree.decision) return DecisionSql(*tree.decision, tree);
  Linear zero;
  zero.coefficient.assign(static_cast<size_t>(tree.att.MaxAtt) + 1, 0.0);
  return ModelSqlWriter(tree).Node(*tree.model, zero);
}

std::string PredictionSql(const treefiles::SavedTree& tree, const SqlDialect& dialect) {
  return dialect.Rewrite(PredictionExpression(tree));
}

std::vector<std::string> ApplySqlStatements(const treefiles::SavedTree& tree,
                                            const SqlDialect& dialect, const std::string& table,
                                            const std::string& column) {
  const std::string type = tree.decision ? " string" : " float";
  return {dialect.Rewrite("ALTER TABLE " + QuoteIdent(table) + " ADD COLUMN " + QuoteIdent(column) +
                          type),
          dialect.Rewrite("UPDATE " + QuoteIdent(table) + " SET " + QuoteIdent(column) + " = " +
                          PredictionExpression(tree))};
}

}  // namespace quarry::scoring
