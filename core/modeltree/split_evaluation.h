#pragma once
// The three split evaluations of the model-tree grower: a threshold on a continuous attribute
// and a value subset of a discrete attribute, with straight-line children, and a value subset
// with constant children. Each returns the best split with its score, or FLT_MAX as the score
// when its acceptance test rejects it.

#include <memory>
#include <vector>

#include "core/modeltree/distributions.h"
#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::modeltree {

enum class SplitMode {
  kAccept,     // the acceptance test may reject the split
  kLookAhead,  // never reject; report the children's common variable when the test would
};

struct SplitCandidate {
  std::unique_ptr<SplitTest> test;  // null when the attribute offers no split
  float score = FLT_MAX;
  int reportedVariable = -1;

  bool Found() const { return test != nullptr; }
};

class SplitEvaluator {
 public:
  SplitEvaluator(Distributions& stats, const StrataParameters& params);

  // Sorts the cases by the attribute (loaded targets moved along) and scans every cut between
  // two clearly different values; a cut scores (nL * eL + nR * eR) / n with each side's best
  // straight line, and the first smallest score wins.
  SplitCandidate EvaluateContinuousSplit(CaseRange cases, const AttributeTable& att, int attribute,
                                         SplitMode mode);
  // Greedy forward selection of the left subset over the values ordered by their target mean.
  SplitCandidate EvaluateDiscreteSplit(CaseRange cases, const AttributeTable& att, int attribute,
                                       SplitMode mode);
  SplitCandidate EvaluateDiscreteSplitConstant(CaseRange cases, const AttributeTable& att,
                                               int attribute);

 private:
  // One side of a split as its best straight line saw it.
  struct Side {
    double n = 0;
    double error = 0;
    double slope = 0;
    int variable = -1;
  };
  // Sums of one group of cases: count, target sums, and per usable variable x, xy, x^2.
  struct Sums {
    double n = 0, sy = 0, syy = 0;
    std::vector<double> sx, sxy, sxx;
    void Resize(size_t p) { sx.assign(p, 0.0), sxy.assign(p, 0.0), sxx.assign(p, 0.0); }
    void Add(const Sums& o, double sign);
  };
  Side BestSide(const Sums& s) const;
  Side BestSideOf(double n, double sy, double syy, const double* sx, const double* sxy,
                  const double* sxx) const;

  // The F statistic of the straight-line acceptance test and its critical value at `level`;
  // applies `mode` to `candidate`.
  void StraightLineAcceptance(CaseRange cases, const AttributeTable& att, const Side& left,
                              const Side& right, double level, SplitMode mode,
                              SplitCandidate& candidate);
  SplitCandidate GreedySubset(CaseRange cases, const AttributeTable& att, int attribute,
                              bool constantChildren, Side& left, Side& right);

  Distributions& stats_;
  StrataParameters params_;
  std::vector<int> vars_;  // the usable continuous variables of the current evaluation
  // Buffers reused between evaluations.
  struct Key {
    float value;
    int index;
  };
  std::vector<Key> keys_;
  std::vector<Case> itemScratch_;
  std::vector<float> loadedScratch_;
  std::vector<float> columns_;  // x of variable k at [k * n + i], then y at [p * n + i]
  std::vector<double> rightError_, rightSlope_;
  std::vector<int> rightVariable_;
  std::vector<char> validCut_;
};

}  // namespace quarry::modeltree
