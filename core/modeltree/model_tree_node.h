#pragma once
// The model tree: split nodes (a continuous threshold or a discrete value subset), regression
// nodes (a straight line on one variable whose effect is removed before the single child) and
// leaves with a straight-line or constant model.

#include <cfloat>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/modeltree/strata_parameters.h"

namespace quarry::modeltree {

enum NodeKind : int32_t { kLeaf = 0, kDiscreteSplit = 2, kContinuousSplit = 3, kRegression = 4 };

struct CoefficientPair {
  double intercept = 0.0;
  double slope = 0.0;
};

// target = intercept + slope * x[variable], or the constant intercept when variable is -1.
struct LinearModel {
  // Per attribute, the line that predicts it from `variable` (filled by a regression step; the
  // pairs of discrete and unusable attributes stay 0).
  std::vector<CoefficientPair> coefficients;
  int32_t count = 0;  // cases the line was fitted on
  double intercept = 0.0;
  double slope = 0.0;
  int16_t variable = -1;

  explicit LinearModel(int maxAtt) : coefficients(static_cast<size_t>(maxAtt) + 2) {}
  bool IsConstant() const { return variable < 0; }
  double Predict(dtree::Case c) const {
    return IsConstant() ? intercept : intercept + slope * c[variable].cont;
  }
};

class SplitTest {
 public:
  virtual ~SplitTest() = default;
  virtual std::unique_ptr<SplitTest> Clone() const = 0;
  // Whether a case goes to the first child.
  virtual bool GoesLeft(dtree::Case c) const = 0;

  float score = FLT_MAX;
  int32_t kindMarker = 0;
  int16_t attribute = -1;
};

class ContinuousSplit : public SplitTest {
 public:
  static constexpr int32_t kMarker = 1;
  ContinuousSplit(int16_t att, float cut) : threshold(cut) {
    kindMarker = kMarker;
    attribute = att;
  }
  std::unique_ptr<SplitTest> Clone() const override {
    return std::make_unique<ContinuousSplit>(*this);
  }
  bool GoesLeft(dtree::Case c) const override { return c[attribute].cont <= threshold; }

  float threshold;
};

class DiscreteSplit : public SplitTest {
 public:
  static constexpr int32_t kMarker = 2;
  DiscreteSplit(int16_t att, std::vector<int16_t> values) : subset(std::move(values)) {
    kindMarker = kMarker;
    attribute = att;
  }
  std::unique_ptr<SplitTest> Clone() const override {
    return std::make_unique<DiscreteSplit>(*this);
  }
  bool GoesLeft(dtree::Case c) const override {
    for (int16_t v : subset) {
      if (c[attribute].discr == v) return true;
    }
    return false;
  }

  std::vector<int16_t> subset;  // value numbers, in the order they joined
};

struct ModelTreeNode {
  int32_t id = 0;
  StrataParameters parameters;
  std::unique_ptr<LinearModel> model;  // leaves and regression nodes
  std::unique_ptr<SplitTest> test;     // split nodes
  float splitScore = FLT_MAX;
  float mean = 0.0f;
  double deviance = 0.0;
  int32_t kind = kLeaf;
  int32_t first = 0;
  int32_t last = -1;
  std::unique_ptr<ModelTreeNode> left;  // the first child; the only child of a regression node
  std::unique_ptr<ModelTreeNode> right;

  int32_t Items() const { return last - first + 1; }
  // A deep copy of the subtree.
  std::unique_ptr<ModelTreeNode> Copy() const;
  // Turns the node into a leaf with `leafModel`, destroying its test and children.
  void MakeLeaf(std::unique_ptr<LinearModel> leafModel);
};

// Nodes of each kind in a subtree.
struct ModelTreeCounts {
  int splits = 0;
  int regressions = 0;
  int leaves = 0;
};
ModelTreeCounts CountNodes(const ModelTreeNode& root);

}  // namespace quarry::modeltree
