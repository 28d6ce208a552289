#pragma once
// The model-tree engine's case store: the decision-tree case model loaded with a numeric target
// (the last column, a 32-bit float in cell MaxAtt + 1), the loaded-target array beside it, and
// the completion of unknown values the grower relies on (it sees no unknowns).

#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"

namespace quarry {
class DataSource;
}

namespace quarry::modeltree {

using dtree::AttributeTable;
using dtree::Case;

class ModelCaseStore {
 public:
  // `report` receives the loader's messages and the substitution lines.
  explicit ModelCaseStore(std::ostream& report);
  ModelCaseStore(const ModelCaseStore&) = delete;
  ModelCaseStore& operator=(const ModelCaseStore&) = delete;

  // The attribute table of `table`. Fails when the table has no attribute column or its last
  // column (the target) holds text. A text column without any value carries nothing and is
  // ignored.
  Status LoadAttributes(const std::string& table, DataSource& source);
  // Takes the attribute table another store loaded, so that tables of the same structure parse
  // against the attributes the tree was grown with.
  void CopyAttributes(const ModelCaseStore& other);

  // Every row of `table`, parsed against the current attribute table; unknown values are then
  // completed (SubstituteMissingValues) and LoadedTarget copied. Fails when the table cannot be
  // read or has no rows; the store is then empty.
  Status LoadCases(const std::string& table, DataSource& source);
  void FreeCases();
  // Rows read elsewhere, one at a time, parsed against the current attribute table; then
  // FinishCases completes them as LoadCases completes a table's rows.
  void AddCase(const std::vector<std::string>& values, long row);
  void FinishCases();

  // Each attribute with unknown values, the target included, gets its most frequent known value
  // (discrete; the first in value order among equally frequent ones) or the mean of its known
  // values (continuous), reported as "Missing values in att.NAME  substituted with VALUE".
  void SubstituteMissingValues();

  // Exchanges two cases, keeping LoadedTarget in step.
  void Exchange(int i, int j) {
    std::swap(Item[i], Item[j]);
    std::swap(LoadedTarget[i], LoadedTarget[j]);
  }

  AttributeTable& Att() { return cases_.Attributes(); }
  const AttributeTable& Att() const { return cases_.Attributes(); }
  int MaxAtt() const { return cases_.Attributes().MaxAtt; }
  int TargetCell() const { return MaxAtt() + 1; }
  int Count() const { return MaxItem + 1; }
  std::ostream& Report() { return cases_.Report(); }

 private:
  dtree::CaseSet cases_;

 public:
  std::vector<Case>& Item = cases_.Item;  // the cases; the grower permutes them in place
  int32_t& MaxItem = cases_.MaxItem;
  std::vector<float> LoadedTarget;  // each case's target as loaded, moved along with Item
};

}  // namespace quarry::modeltree
