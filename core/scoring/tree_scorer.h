#pragma once
// A saved tree applied to rows of text cells, exactly as the engines apply it: cells are parsed
// as the case loader parses them (an unknown or never-seen discrete value becomes the unknown
// value), a decision tree spreads a case over the branches a test cannot decide, and a model
// tree completes unknown values over the rows it is given (most frequent value, mean) and
// follows its regression steps with the stored lines.

#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/modeltree/model_case_store.h"
#include "core/treefiles/model_file.h"

namespace quarry::scoring {

struct RowScore {
  std::string value;      // the class name, or the predicted number as text ("%.17g")
  int classNumber = -1;   // decision trees
  double number = 0.0;    // model trees
  double share = 1.0;     // the winning class's share of the summed weight (decision trees)
  int leaf = 0;           // the leaf the row reached, numbered as the rules file numbers its
                          // rules; 0 when the row was spread over several leaves
  double residual = 0.0;  // model trees: the target's residual as the engine computes it
};

// Leaves numbered 1, 2, ... depth first, as the rules files number their rules.
std::unordered_map<const void*, int> NumberLeaves(const treefiles::SavedTree& tree);

class DecisionScorer {
 public:
  // `report` receives the loader's messages about illegal values.
  DecisionScorer(const treefiles::SavedTree& tree, std::ostream& report);
  ~DecisionScorer();

  // `cells` holds MaxAtt + 1 attribute texts in the model's order ("?" for NULL); `row` is the
  // 1-based row number used in messages.
  RowScore Score(std::vector<std::string>& cells, long row);
  // The class number of a class text as the loader looks it up (as the database holds it); -1
  // for one the model does not know.
  int ClassNumber(std::string text) const;

 private:
  const treefiles::SavedTree& tree_;
  dtree::CaseSet cases_;
  std::unique_ptr<dtree::CaseSet::LookupsWhileReading> lookups_;
  std::vector<dtree::AttValue> cells_;
  std::vector<float> classSum_;
  std::unordered_map<const void*, int> leaves_;
};

// Model trees need every row before the first prediction: unknown values are completed from the
// rows' own most frequent values and means, as the job completes the table it evaluates.
class ModelTreeScorer {
 public:
  ModelTreeScorer(const treefiles::SavedTree& tree, std::ostream& report);

  // `cells`: MaxAtt + 1 attribute texts and the target text ("?" when unknown).
  void AddRow(const std::vector<std::string>& cells, long row);
  // Completes unknown values; the messages go to the report.
  void Finish();
  int Rows() const { return store_.Count(); }
  RowScore Score(int i);
  // Syy of the completed targets, as the job's error lines take it.
  double TotalSquares();

 private:
  const treefiles::SavedTree& tree_;
  modeltree::ModelCaseStore store_;
  dtree::AttributeTable att_;  // statuses change along a path and are restored
  std::vector<dtree::AttValue> cells_;
  std::unordered_map<const void*, int> leaves_;
};

}  // namespace quarry::scoring
