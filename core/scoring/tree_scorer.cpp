#include "core/scoring/tree_scorer.h"

#include <algorithm>

#include "core/common/text_util.h"
#include "core/dtree/classification.h"
#include "core/modeltree/regression_fit.h"
#include "core/modeltree/tree_evaluation.h"

namespace quarry::scoring {

namespace {

void NumberDecision(const dtree::TreeNode& node, std::unordered_map<const void*, int>& out) {
  if (node.IsLeaf()) {
    out.emplace(&node, static_cast<int>(out.size()) + 1);
    return;
  }
  for (int b = 1; b <= node.Forks; ++b) NumberDecision(node.Child(b), out);
}

void NumberModel(const modeltree::ModelTreeNode& node, std::unordered_map<const void*, int>& out) {
  if (node.kind == modeltree::kLeaf) {
    out.emplace(&node, static_cast<int>(out.size()) + 1);
    return;
  }
  if (node.left) NumberModel(*node.left, out);
  if (node.right) NumberModel(*node.right, out);
}

}  // namespace

std::unordered_map<const void*, int> NumberLeaves(const treefiles::SavedTree& tree) {
  std::unordered_map<const void*, int> leaves;
  if (tree.decision) NumberDecision(*tree.decision, leaves);
  if (tree.model) NumberModel(*tree.model, leaves);
  return leaves;
}

DecisionScorer::DecisionScorer(const treefiles::SavedTree& tree, std::ostream& report)
    : tree_(tree), cases_(report) {
  cases_.Attributes() = tree.att;
  cells_.resize(static_cast<size_t>(tree.att.MaxAtt) + 2);
  classSum_.assign(static_cast<size_t>(tree.att.MaxClass) + 1, 0.0f);
  leaves_ = NumberLeaves(tree);
  lookups_ = std::make_unique<dtree::CaseSet::LookupsWhileReading>(cases_);
}

DecisionScorer::~DecisionScorer() = default;

RowScore DecisionScorer::Score(std::vector<std::string>& cells, long row) {
  // The class cell is not the scorer's business: a known class keeps the loader quiet.
  cells.resize(static_cast<size_t>(tree_.att.MaxAtt) + 2);
  cells.back() = tree_.att.ClassName[0];
  dtree::Case c = cells_.data();
  cases_.ParseCaseInPlace(cells, row, c);
  RowScore score;
  score.classNumber = dtree::Classify(classSum_, c, *tree_.decision, tree_.vote);
  score.value = tree_.att.ClassName[static_cast<size_t>(score.classNumber)];
  double total = 0.0;
  for (float w : classSum_) total += w;
  score.share = total > 0 ? classSum_[static_cast<size_t>(score.classNumber)] / total : 0.0;
  const dtree::TreeNode* node = tree_.decision.get();
  while (!node->IsLeaf()) {
    const int branch = dtree::RouteBranch(*node, c);
    if (branch == 0) break;
    node = &node->Child(branch);
  }
  score.leaf = node->IsLeaf() ? leaves_.at(node) : 0;
  return score;
}

int DecisionScorer::ClassNumber(std::string text) const {
  const auto& names = tree_.att.ClassName;
  const auto found = std::find(names.begin(), names.end(), text);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

ModelTreeScorer::ModelTreeScorer(const treefiles::SavedTree& tree, std::ostream& report)
    : tree_(tree), store_(report), att_(tree.att) {
  store_.Att() = tree.att;
  cells_.resize(static_cast<size_t>(tree.att.MaxAtt) + 2);
  leaves_ = NumberLeaves(tree);
}

void ModelTreeScorer::AddRow(const std::vector<std::string>& cells, long row) {
  store_.AddCase(cells, row);
}

void ModelTreeScorer::Finish() { store_.FinishCases(); }

double ModelTreeScorer::TotalSquares() {
  return modeltree::TotalSquares({store_.Item.data(), nullptr, store_.Count()},
                                 store_.TargetCell());
}

RowScore ModelTreeScorer::Score(int i) {
  std::copy_n(store_.Item[static_cast<size_t>(i)], cells_.size(), cells_.begin());
  dtree::Case c = cells_.data();
  const modeltree::CaseRange one{&c, nullptr, 1};
  const int target = tree_.att.MaxAtt + 1;
  // The regression steps mark their variables unusable below them; the marks are undone after.
  std::vector<std::pair<int, uint8_t>> marked;
  RowScore score;
  const modeltree::ModelTreeNode* node = tree_.model.get();
  double sum = 0.0;
  while (node->kind != modeltree::kLeaf) {
    if (node->kind == modeltree::kRegression) {
      const modeltree::LinearModel& line = *node->model;
      sum += line.slope * c[line.variable].cont + line.intercept;
      marked.emplace_back(line.variable, modeltree::ApplyStoredRegressionStep(line, one, att_));
      node = node->left.get();
    } else {
      node = node->test->GoesLeft(c) ? node->left.get() : node->right.get();
    }
  }
  for (auto it = marked.rbegin(); it != marked.rend(); ++it) att_.Status[it->first] = it->second;
  score.number = sum + node->model->Predict(c);
  score.residual = c[target].cont - node->model->Predict(c);
  score.value = Format("%.17g", score.number);
  score.leaf = leaves_.at(node);
  return score;
}

}  // namespace quarry::scoring
