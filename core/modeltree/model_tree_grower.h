#pragma once
// Grows a model tree over the model-tree case store. At every node the grower weighs the best
// split against the best regression step, each found by evaluating the candidates (with a look
// ahead for the regression steps); F tests decide whether a step is worth taking. The grower
// permutes the store's cases and overwrites values with residuals below regression nodes, so
// the store must be reloaded before the tree is evaluated.

#include <memory>
#include <vector>

#include "core/jobs/progress.h"
#include "core/modeltree/distributions.h"
#include "core/modeltree/model_case_store.h"
#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"
#include "core/modeltree/split_evaluation.h"

namespace quarry::modeltree {

struct RegressionStepEvaluation {
  float score = FLT_MAX;
  std::unique_ptr<LinearModel> model;
  int reportedVariable = -1;   // the variable the best look-ahead split suggests, or -1
  double stepError = FLT_MAX;  // RMS error of the step's own line
};

class ModelTreeGrower {
 public:
  // Growing stops early (the tree stays valid) when `progress` is cancelled or the statistics
  // report a fatal error; the caller checks both.
  ModelTreeGrower(ModelCaseStore& store, Distributions& stats, const StrataParameters& params,
                  Progress& progress = NoProgress());

  // A tree over all cases of the store.
  std::unique_ptr<ModelTreeNode> Grow();

  void GrowNode(ModelTreeNode& node, int first, int last, double& rootError);
  RegressionStepEvaluation EvaluateRegressionStep(int variable, int first, int last);
  // R^2 of the model's prediction (the ancestors' part plus this line) against LoadedTarget;
  // 1 when the loaded target has no spread over the range.
  double Determination(const LinearModel& model, int first, int last) const;
  // Initialises `node` as a leaf with the best straight line over the usable continuous
  // attributes (errors compared as 32-bit floats, a later equal one wins), or the mean.
  void MakeModelLeaf(ModelTreeNode& node, int first, int last);

  int32_t NodeCounter = 0;

 private:
  CaseRange Range(int first, int last);
  void InitNode(ModelTreeNode& node, int first, int last);
  bool RegressionTestPasses(const LinearModel& model, int first, int last);
  bool Stopped() const { return stats_.Fatal() || progress_.Cancelled(); }

  ModelCaseStore& store_;
  AttributeTable& att_;
  Distributions& stats_;
  StrataParameters params_;
  Progress& progress_;
  SplitEvaluator splits_;
  std::vector<char> loaderKept_;  // per attribute: a split candidate wherever it is
  // The copy the look-ahead transforms: cells and the pointers into them.
  std::vector<dtree::AttValue> copyCells_;
  std::vector<Case> copyItems_;
};

}  // namespace quarry::modeltree
