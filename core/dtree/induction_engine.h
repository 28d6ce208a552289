#pragma once
// The decision-tree engine's state: the case set, the settings of the current job and the work
// arrays that growing, evaluation and pruning share. One job uses one engine at a time; the
// pruning methods receive it to swap case sets, recount and classify.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/dtree/induction_options.h"
#include "core/dtree/tree_node.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
}

namespace quarry::dtree {

class SplitEvaluator;

class InductionEngine {
 public:
  // `report` receives the engine's report lines; `progress` hears about long work and may stop it.
  explicit InductionEngine(std::ostream& report, Progress& progress = NoProgress());
  ~InductionEngine();
  InductionEngine(const InductionEngine&) = delete;
  InductionEngine& operator=(const InductionEngine&) = delete;

  CaseSet Cases;
  InductionOptions Options;  // the settings the evaluators read: MINOBJS, GAINRATIO, SUBSET...
  bool AllKnown = true;      // no unknown value met on the current path: weights are all 1
  bool Windowing = false;    // growing trees on windows, which draw cases by their order
  // Set while GrowNewTree grows from cases whose results cannot depend on the order among
  // equal values (every weight 1, no unknown value, no windowing): sorts may then leave equal
  // values in any order.
  bool AnyOrderAmongEquals = false;
  std::vector<uint8_t> Tested;  // [a]: tests on the path to the current node that use a
  std::vector<float> ClassSum;  // classification work array
  long GrownNodes = 0;          // nodes grown in this job, for progress reports

  std::ostream& Report() { return report_; }
  Progress& JobProgress() { return progress_; }
  SplitEvaluator& Split() { return *split_; }

  const AttributeTable& Att() const { return Cases.Attributes(); }
  int MaxAtt() const { return Cases.Attributes().MaxAtt; }
  int MaxClass() const { return Cases.Attributes().MaxClass; }
  int MaxItem() const { return Cases.MaxItem; }
  int ClassOf(Case c) const { return c[MaxAtt() + 1].discr; }
  int ClassOfItem(int i) const { return ClassOf(Cases.Item[static_cast<size_t>(i)]); }

  // Loads the attribute table of `table` (LoadAttributes).
  Status LoadAttributes(const std::string& table, DataSource& source);
  // Loads the cases of `table` against the current attributes and sizes the work arrays for
  // them; returns the loader's code (0 rows read, 1 no rows, 2 unreadable).
  int LoadCases(const std::string& table, DataSource& source);
  // Sizes and clears the work arrays for the loaded case set; called by LoadCases.
  void AllocateWorkArrays();

  // Lp - Fp + 1 while AllKnown, else the sum of the weights of Item[fp..lp].
  float CountWeight(int fp, int lp) const;
  // Exchanges two cases with their weights.
  void SwapCases(int i, int j) {
    std::swap(Cases.Item[static_cast<size_t>(i)], Cases.Item[static_cast<size_t>(j)]);
    std::swap(Cases.Weight[static_cast<size_t>(i)], Cases.Weight[static_cast<size_t>(j)]);
  }
  void ResetWeights();

  // The outcome of `node`'s test for a case: 0 for an unknown value, 1..Forks for a branch, -1
  // for a known value that no subset of a subset test holds.
  int Outcome(const TreeNode& node, Case c) const;
  // Moves the cases of outcome v in fp..lp to the front, keeping their order; returns the index
  // of the last one moved (fp - 1 when none).
  int PartitionCases(const TreeNode& node, int v, int fp, int lp);

 private:
  std::ostream& report_;
  Progress& progress_;
  std::unique_ptr<SplitEvaluator> split_;
};

}  // namespace quarry::dtree
