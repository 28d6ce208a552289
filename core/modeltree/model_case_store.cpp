#include "core/modeltree/model_case_store.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"

namespace quarry::modeltree {

ModelCaseStore::ModelCaseStore(std::ostream& report) : cases_(report, dtree::TargetKind::kNumber) {}

Status ModelCaseStore::LoadAttributes(const std::string& table, DataSource& source) {
  if (Status s = cases_.LoadAttributes(table, source); !s.ok()) return s;
  AttributeTable& att = Att();
  if (att.MaxAtt < 0) {
    return InvalidArgument("table " + table + " needs attribute columns before its target column");
  }
  const int target = att.MaxAtt + 1;
  if (att.Status[target] == dtree::kDiscrete) {
    return InvalidArgument("the target column " + att.AttName[target] + " of " + table +
                           " is not numeric");
  }
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.Status[a] == dtree::kDiscrete && att.ValueCount[a] == 0)
      att.Status[a] = dtree::kIgnored;
  }
  return Status::Ok();
}

void ModelCaseStore::CopyAttributes(const ModelCaseStore& other) {
  cases_.Attributes() = other.Att();
}

Status ModelCaseStore::LoadCases(const std::string& table, DataSource& source) {
  LoadedTarget.clear();
  const int rc = cases_.LoadCases(table, source);
  if (rc == 2) return DatabaseError("cannot read table " + table + ": " + cases_.LastLoadError());
  if (rc == 1) return InvalidArgument("table " + table + " has no rows");
  FinishCases();
  return Status::Ok();
}

void ModelCaseStore::AddCase(const std::vector<std::string>& values, long row) {
  Item.push_back(cases_.ParseCase(values, row));
  cases_.Weight.push_back(1.0f);
  MaxItem = static_cast<int32_t>(Item.size()) - 1;
}

void ModelCaseStore::FinishCases() {
  SubstituteMissingValues();
  LoadedTarget.resize(Item.size());
  const int target = TargetCell();
  for (size_t i = 0; i < Item.size(); ++i) LoadedTarget[i] = Item[i][target].cont;
}

void ModelCaseStore::FreeCases() {
  cases_.FreeCases();
  LoadedTarget.clear();
}

void ModelCaseStore::SubstituteMissingValues() {
  const AttributeTable& att = Att();
  std::ostream& report = Report();
  std::vector<long> frequency;
  for (int a = 0; a <= att.MaxAtt + 1; ++a) {
    if (att.Status[a] == dtree::kIgnored) continue;
    const std::string lead = "Missing values in att." + att.AttName[a] + " ";
    if (att.ValueCount[a] > 0) {
      frequency.assign(static_cast<size_t>(att.ValueCount[a]) + 1, 0);
      for (Case c : Item) ++frequency[static_cast<size_t>(c[a].discr)];
      if (frequency[0] == 0) continue;
      int mode = 0;
      long best = 0;
      for (int v = 1; v <= att.ValueCount[a]; ++v) {
        if (frequency[v] > best) {
          best = frequency[v];
          mode = v;
        }
      }
      // A table where the attribute is never known has nothing to substitute with.
      if (mode == 0) continue;
      for (Case c : Item) {
        if (c[a].discr == dtree::kUnknownValue) c[a].discr = mode;
      }
      report << lead << " substituted with " << att.ValueName[a][mode] << "\n";
    } else {
      double sum = 0.0;
      long known = 0;
      for (Case c : Item) {
        if (c[a].cont == dtree::kUnknown) continue;
        sum += c[a].cont;
        ++known;
      }
      if (known == static_cast<long>(Item.size())) continue;
      const double mean = known > 0 ? sum / known : 0.0;
      for (Case c : Item) {
        if (c[a].cont == dtree::kUnknown) c[a].cont = static_cast<float>(mean);
      }
      report << lead << " substituted with " << Figure("%f", mean) << "\n";
    }
  }
}

}  // namespace quarry::modeltree
