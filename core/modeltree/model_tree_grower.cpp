#include "core/modeltree/model_tree_grower.h"

#include <cstring>

namespace quarry::modeltree {

namespace {

std::unique_ptr<ModelTreeNode> NewChild(const ModelTreeNode& parent) {
  auto child = std::make_unique<ModelTreeNode>();
  child->parameters = parent.parameters;
  return child;
}

// The better of the two best splits; the discrete one on a tie.
SplitCandidate* Better(SplitCandidate& discrete, SplitCandidate& continuous) {
  if (discrete.Found() && (!continuous.Found() || discrete.score <= continuous.score))
    return &discrete;
  return continuous.Found() ? &continuous : nullptr;
}

// Keeps the first split found and a later one only when it scores strictly better.
void KeepBest(SplitCandidate& best, SplitCandidate&& candidate) {
  if (candidate.Found() && (!best.Found() || candidate.score < best.score))
    best = std::move(candidate);
}

}  // namespace

ModelTreeGrower::ModelTreeGrower(ModelCaseStore& store, Distributions& stats,
                                 const StrataParameters& params, Progress& progress)
    : store_(store),
      att_(store.Att()),
      stats_(stats),
      params_(params),
      progress_(progress),
      splits_(stats, params) {
  // Statuses are as loaded here: what is unusable now the loader left out, for good. A variable
  // regressed on above a node stays a split candidate below it.
  loaderKept_.resize(static_cast<size_t>(att_.MaxAtt) + 1);
  for (int a = 0; a <= att_.MaxAtt; ++a) loaderKept_[a] = att_.Status[a] != dtree::kIgnored;
}

CaseRange ModelTreeGrower::Range(int first, int last) {
  return {store_.Item.data() + first, store_.LoadedTarget.data() + first, last - first + 1};
}

std::unique_ptr<ModelTreeNode> ModelTreeGrower::Grow() {
  auto root = std::make_unique<ModelTreeNode>();
  root->parameters = params_;
  double rootError = -1.0;
  GrowNode(*root, 0, store_.MaxItem, rootError);
  return root;
}

void ModelTreeGrower::InitNode(ModelTreeNode& node, int first, int last) {
  node.id = ++NodeCounter;
  node.first = first;
  node.last = last;
  node.kind = kLeaf;
  node.splitScore = FLT_MAX;
  const int targetCell = store_.TargetCell();
  const int n = last - first + 1;
  double sum = 0.0;
  for (int i = first; i <= last; ++i) sum += store_.Item[i][targetCell].cont;
  node.mean = static_cast<float>(sum / n);
  double squares = 0.0;
  for (int i = first; i <= last; ++i) {
    const double d = static_cast<double>(store_.Item[i][targetCell].cont) - node.mean;
    squares += d * d;
  }
  node.deviance = n > 2 ? squares / (n - 2) : (n == 2 ? squares : 0.0);
  progress_.Update("model tree nodes", NodeCounter, -1);
}

void ModelTreeGrower::GrowNode(ModelTreeNode& node, int first, int last, double& rootError) {
  InitNode(node, first, last);
  const int n = last - first + 1;
  const int targetCell = store_.TargetCell();
  const CaseRange all = Range(first, last);
  if (Stopped()) {
    node.model = std::make_unique<LinearModel>(att_.MaxAtt);
    ConstantModel(*node.model, all, targetCell);
    return;
  }

  // The best regression step: its score R, its model, the variable its look-ahead suggests
  // and its own error E.
  const std::vector<int> usable = UsableContinuous(att_);
  float r = FLT_MAX;
  std::unique_ptr<LinearModel> candidate;
  int reported = -1;
  double e = FLT_MAX;
  if (usable.empty()) {
    candidate = std::make_unique<LinearModel>(att_.MaxAtt);
    r = static_cast<float>(ConstantModel(*candidate, all, targetCell));
    e = r;
  } else {
    for (int v : usable) {
      RegressionStepEvaluation step = EvaluateRegressionStep(v, first, last);
      if (step.score <= r) {
        r = step.score;
        candidate = std::move(step.model);
        reported = step.reportedVariable;
        e = step.stepError;
      }
    }
  }
  if (rootError == -1.0) rootError = usable.empty() ? r : e;
  if (reported >= 0) {
    auto line = std::make_unique<LinearModel>(att_.MaxAtt);
    const double lineError = SimpleRegression(*line, all, reported, targetCell);
    if (lineError < e) {
      candidate = std::move(line);
      e = lineError;
    }
  }
  if (n <= 2 * params_.MinItems || Determination(*candidate, first, last) >= params_.RLevel) {
    node.model = std::move(candidate);
    return;
  }

  // The best split S.
  SplitCandidate bestDiscrete;
  SplitCandidate bestContinuous;
  for (int a = 0; a <= att_.MaxAtt; ++a) {
    if (!loaderKept_[a]) continue;
    if (usable.empty()) {
      if (att_.ValueCount[a] > 0)
        KeepBest(bestDiscrete, splits_.EvaluateDiscreteSplitConstant(all, att_, a));
    } else if (att_.ValueCount[a] > 0) {
      KeepBest(bestDiscrete, splits_.EvaluateDiscreteSplit(all, att_, a, SplitMode::kAccept));
    } else {
      KeepBest(bestContinuous, splits_.EvaluateContinuousSplit(all, att_, a, SplitMode::kAccept));
    }
  }
  if (usable.empty()) r = FLT_MAX;
  SplitCandidate* best = Better(bestDiscrete, bestContinuous);
  const float s = best ? best->score : FLT_MAX;

  const float w = params_.StepWeight;
  if ((1.0f - w) * s > w * r) {
    // A regression node.
    if (r == FLT_MAX || candidate->IsConstant()) {
      node.model = std::move(candidate);
      return;
    }
    const int v = candidate->variable;
    ApplyRegressionStep(*candidate, all, att_);
    node.model = std::move(candidate);
    node.kind = kRegression;
    if (UsableContinuous(att_).empty() || e < params_.ErrorLevel * rootError || e == FLT_MAX) {
      node.kind = kLeaf;  // a straight-line leaf
    } else {
      node.left = NewChild(node);
      GrowNode(*node.left, first, last, rootError);
    }
    att_.Status[v] = dtree::kContinuous;
    return;
  }

  // A split node.
  if (!best) {
    // Neither a split nor a regression step: the mean of the cases is all there is.
    node.model = std::make_unique<LinearModel>(att_.MaxAtt);
    ConstantModel(*node.model, all, targetCell);
    return;
  }
  const int k = Partition(*best->test, all);
  node.splitScore = s;
  if (k == 0 || k == n) {
    node.model = std::move(candidate);
    return;
  }
  node.kind =
      best->test->kindMarker == ContinuousSplit::kMarker ? kContinuousSplit : kDiscreteSplit;
  node.test = std::move(best->test);
  node.left = NewChild(node);
  node.right = NewChild(node);
  if (s < params_.ErrorLevel * rootError || s == FLT_MAX) {
    MakeModelLeaf(*node.left, first, first + k - 1);
    MakeModelLeaf(*node.right, first + k, last);
  } else {
    GrowNode(*node.left, first, first + k - 1, rootError);
    GrowNode(*node.right, first + k, last, rootError);
  }
}

RegressionStepEvaluation ModelTreeGrower::EvaluateRegressionStep(int variable, int first,
                                                                 int last) {
  RegressionStepEvaluation step;
  const CaseRange all = Range(first, last);
  const int n = all.count;
  step.model = std::make_unique<LinearModel>(att_.MaxAtt);
  const double e = SimpleRegression(*step.model, all, variable, store_.TargetCell());
  step.stepError = e;
  if (n < 2 * params_.MinItems || UsableContinuous(att_).size() == 1) {
    step.score = static_cast<float>(e);
    return step;
  }

  // Look ahead: the best split of the cases once the step has removed the line's effect.
  const size_t width = static_cast<size_t>(att_.MaxAtt) + 2;
  copyCells_.resize(static_cast<size_t>(n) * width);
  copyItems_.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    Case cell = copyCells_.data() + static_cast<size_t>(i) * width;
    std::memcpy(cell, all.item[i], width * sizeof(dtree::AttValue));
    copyItems_[i] = cell;
  }
  const CaseRange copy{copyItems_.data(), nullptr, n};
  ApplyRegressionStep(*step.model, copy, att_);
  SplitCandidate bestDiscrete;
  SplitCandidate bestContinuous;
  for (int a = 0; a <= att_.MaxAtt; ++a) {
    if (!loaderKept_[a]) continue;
    if (att_.ValueCount[a] > 0) {
      KeepBest(bestDiscrete, splits_.EvaluateDiscreteSplit(copy, att_, a, SplitMode::kLookAhead));
    } else {
      KeepBest(bestContinuous,
               splits_.EvaluateContinuousSplit(copy, att_, a, SplitMode::kLookAhead));
    }
  }
  att_.Status[variable] = dtree::kContinuous;

  SplitCandidate* best = Better(bestDiscrete, bestContinuous);
  if (!best) {
    step.score = RegressionTestPasses(*step.model, first, last) ? static_cast<float>(e) : FLT_MAX;
    return step;
  }
  const bool everyAbove = (!bestDiscrete.Found() || bestDiscrete.score > e) &&
                          (!bestContinuous.Found() || bestContinuous.score > e);
  if (everyAbove) {
    step.score = static_cast<float>(e);
    return step;
  }
  step.score = best->score;
  step.reportedVariable = best->reportedVariable;
  return step;
}

bool ModelTreeGrower::RegressionTestPasses(const LinearModel& model, int first, int last) {
  int k = 1;
  for (int a = 0; a <= att_.MaxAtt; ++a) k += att_.Status[a] == dtree::kIgnored ? 1 : 0;
  const int df = (last - first) - k;
  if (df <= 0) return false;
  const int targetCell = store_.TargetCell();
  double sum = 0.0;
  for (int i = first; i <= last; ++i) sum += store_.Item[i][targetCell].cont;
  const double mean = sum / (last - first + 1);
  double explained = 0.0;
  double residual = 0.0;
  for (int i = first; i <= last; ++i) {
    const Case c = store_.Item[i];
    const double fitted = model.Predict(c);
    explained += (fitted - mean) * (fitted - mean);
    residual += (c[targetCell].cont - fitted) * (c[targetCell].cont - fitted);
  }
  const double f = residual / df == 0.0 ? 0.0 : explained / (residual / df);
  return f >= stats_.CalcFI(1.0 - params_.Confidence, 1, df);
}

double ModelTreeGrower::Determination(const LinearModel& model, int first, int last) const {
  const int targetCell = store_.TargetCell();
  const double n = last - first + 1;
  double so = 0.0;
  double soo = 0.0;
  for (int i = first; i <= last; ++i) {
    const double o = store_.LoadedTarget[i];
    so += o;
    soo += o * o;
  }
  const double spread = soo - so * so / n;
  // Nothing left to explain: a further split or step cannot do better.
  if (!(spread > 0.0)) return 1.0;
  const double mean = so / n;
  double explained = 0.0;
  for (int i = first; i <= last; ++i) {
    const Case c = store_.Item[i];
    const double fitted = (store_.LoadedTarget[i] - c[targetCell].cont) + model.Predict(c);
    explained += (fitted - mean) * (fitted - mean);
  }
  return explained / spread;
}

void ModelTreeGrower::MakeModelLeaf(ModelTreeNode& node, int first, int last) {
  InitNode(node, first, last);
  const CaseRange all = Range(first, last);
  const int targetCell = store_.TargetCell();
  node.model = std::make_unique<LinearModel>(att_.MaxAtt);
  const std::vector<int> usable = UsableContinuous(att_);
  if (usable.empty()) {
    ConstantModel(*node.model, all, targetCell);
    return;
  }
  float best = FLT_MAX;
  LinearModel trial(att_.MaxAtt);
  for (int v : usable) {
    const float error = static_cast<float>(SimpleRegression(trial, all, v, targetCell));
    if (error <= best) {
      best = error;
      *node.model = trial;
    }
  }
}

}  // namespace quarry::modeltree
