#include "core/dtree/induction_engine.h"

#include <ostream>

#include "core/dtree/split_evaluation.h"

namespace quarry::dtree {

InductionEngine::InductionEngine(std::ostream& report, Progress& progress)
    : Cases(report),
      report_(report),
      progress_(progress),
      split_(std::make_unique<SplitEvaluator>(*this)) {}

InductionEngine::~InductionEngine() = default;

Status InductionEngine::LoadAttributes(const std::string& table, DataSource& source) {
  return Cases.LoadAttributes(table, source);
}

int InductionEngine::LoadCases(const std::string& table, DataSource& source) {
  const int code = Cases.LoadCases(table, source);
  AllocateWorkArrays();
  return code;
}

void InductionEngine::AllocateWorkArrays() {
  Tested.assign(static_cast<size_t>(std::max(MaxAtt() + 1, 0)), 0);
  ClassSum.assign(static_cast<size_t>(std::max(MaxClass() + 1, 0)), 0.0f);
  split_->Allocate();
}

float InductionEngine::CountWeight(int fp, int lp) const {
  if (AllKnown) return static_cast<float>(lp - fp + 1);
  float sum = 0;
  for (int i = fp; i <= lp; ++i) sum += Cases.Weight[static_cast<size_t>(i)];
  return sum;
}

void InductionEngine::ResetWeights() { std::fill(Cases.Weight.begin(), Cases.Weight.end(), 1.0f); }

int InductionEngine::Outcome(const TreeNode& node, Case c) const {
  const int att = node.Tested();
  switch (node.NodeType) {
    case kDiscreteTest:
      return DVal(c, att);
    case kCutTest: {
      const float v = CVal(c, att);
      if (v == kUnknown) return 0;
      return v <= node.Cont.Cut ? 1 : 2;
    }
    case kSubsetTest: {
      const int v = DVal(c, att);
      if (v == kUnknownValue) return 0;
      for (int b = 1; b <= node.Forks; ++b) {
        if (InSet(node.Discr.Subset[static_cast<size_t>(b)], v)) return b;
      }
      return -1;
    }
    default:
      return 0;
  }
}

namespace {

// Moves the cases of fp..lp whose cell `att` satisfies `takes` to the front, each exchanged with
// the next front place; returns the place of the last one moved.
template <typename Takes>
int MoveToFront(InductionEngine& engine, int att, int fp, int lp, Takes takes) {
  const Case* item = engine.Cases.Item.data();
  int last = fp - 1;
  for (int i = fp; i <= lp; ++i) {
    if (i + kCasesAhead <= lp) PrefetchCells(item[i + kCasesAhead], att);
    if (takes(item[i][att])) {
      ++last;
      if (last != i) engine.SwapCases(last, i);
    }
  }
  return last;
}

}  // namespace

int InductionEngine::PartitionCases(const TreeNode& node, int v, int fp, int lp) {
  // Where the outcome follows from the tested cell alone, only that cell is read.
  const int att = node.Tested();
  switch (node.NodeType) {
    case kCutTest: {
      const float cut = node.Cont.Cut;
      if (v == 0) {
        return MoveToFront(*this, att, fp, lp, [](AttValue x) { return x.cont == kUnknown; });
      }
      return MoveToFront(*this, att, fp, lp, [cut, v](AttValue x) {
        return x.cont != kUnknown && (x.cont <= cut ? 1 : 2) == v;
      });
    }
    case kDiscreteTest:
      return MoveToFront(*this, att, fp, lp, [v](AttValue x) { return x.discr == v; });
    case kSubsetTest:
      if (v == 0) {
        return MoveToFront(*this, att, fp, lp, [](AttValue x) { return x.discr == kUnknownValue; });
      }
      break;
    default:
      break;
  }
  int last = fp - 1;
  for (int i = fp; i <= lp; ++i) {
    if (i + kCasesAhead <= lp) PrefetchCells(Cases.Item[static_cast<size_t>(i + kCasesAhead)], att);
    if (Outcome(node, Cases.Item[static_cast<size_t>(i)]) == v) {
      ++last;
      if (last != i) SwapCases(last, i);
    }
  }
  return last;
}

}  // namespace quarry::dtree
