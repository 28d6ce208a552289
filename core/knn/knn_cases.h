#pragma once
// The training cases of k-nearest-neighbour classification. They follow the case model of the
// decision-tree engine (attribute table, "string" columns discrete with numbered values, other
// columns continuous as 32-bit floats, -999 for an unknown value, the last column the class) but
// are held column by column, so that a distance loop streams one attribute of many cases, and
// are read with one pass over the table: values and classes are numbered as they first appear.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
}

namespace quarry::knn {

struct KnnCases {
  dtree::AttributeTable att;  // columns 0..MaxAtt are the attributes, MaxAtt + 1 the class
  // Per attribute, one value per case: cont for continuous attributes, discr for discrete ones
  // (the other stays empty).
  std::vector<std::vector<float>> cont;
  std::vector<std::vector<int32_t>> discr;
  std::vector<int32_t> classOf;    // class number per case (index into att.ClassName)
  bool numericClass = false;       // "integer" and "float" classes are predicted by a mean
  std::vector<double> classValue;  // numeric class: the value per case
  long withoutClass = 0;           // rows of the table left out: their class is NULL
  // Per attribute: value text -> value number, for reading test cases; class text -> number.
  std::vector<std::unordered_map<std::string, int32_t>> valueNumber;
  std::unordered_map<std::string, int32_t> classNumber;

  size_t Count() const { return classOf.size(); }
  long RowsRead() const { return static_cast<long>(Count()) + withoutClass; }
  int Attributes() const { return att.MaxAtt + 1; }
  bool IsDiscrete(int a) const { return att.Status[static_cast<size_t>(a)] == dtree::kDiscrete; }
  // The value number of a discrete test value that no training case has: it differs from every
  // training value, the unknown value 0 included.
  int32_t UnseenValue(int a) const { return att.ValueCount[static_cast<size_t>(a)] + 1; }
};

// Whether a class column of this type name is predicted by a (weighted) mean.
bool IsNumericClassType(const std::string& typeName);

// Reads every row of `table`, whose columns are `names` with type names `types`, except the
// rows whose class is NULL (counted in withoutClass). Continuous values and numeric classes that
// are not numbers are reported as input errors on `report` (and read as the number that could
// be parsed). A large SQLite table is read in two halves at once, on a second
// connection for the second half; the cases come out the same. Fails when the table cannot be
// read.
Expected<KnnCases> LoadKnnCases(DataSource& source, const std::string& table,
                                const std::vector<std::string>& names,
                                const std::vector<std::string>& types, std::ostream& report,
                                Progress& progress = NoProgress());

// A test row (attribute texts in column order; the class text is not read) as a case of
// Attributes() cells against the training cases.
void ParseTestCase(const KnnCases& cases, const std::vector<std::string>& row,
                   dtree::AttValue* out);

}  // namespace quarry::knn
