#include "core/knn/knn_cases.h"

#include <algorithm>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry::knn {

namespace {

constexpr long kProgressRows = 100000;

// A continuous text as a number: decimal comma as point, whatever can be parsed (0 when
// nothing). Returns whether the whole text was a number.
bool ReadNumber(const std::string& value, std::string& scratch, double& number) {
  scratch = value;
  ReplaceAllInPlace(scratch, ',', '.');
  return ParseDecimal(scratch, number);
}

}  // namespace

bool IsNumericClassType(const std::string& typeName) {
  return typeName == "integer" || typeName == "float";
}

Expected<KnnCases> LoadKnnCases(DataSource& source, const std::string& table,
                                const std::vector<std::string>& names,
                                const std::vector<std::string>& types, std::ostream& report,
                                Progress& progress) {
  if (names.empty() || names.size() != types.size())
    return InvalidArgument("table " + table + " has no columns");
  KnnCases cases;
  dtree::AttributeTable& att = cases.att;
  const size_t columns = names.size();
  const int maxAtt = static_cast<int>(columns) - 2;
  att.MaxAtt = static_cast<int16_t>(maxAtt);
  att.AttName = names;
  att.Status.assign(columns, dtree::kContinuous);
  att.ValueCount.assign(columns, 0);
  att.ValueName.assign(columns, std::vector<std::string>(1));  // entry 0 holds nothing
  for (size_t a = 0; a < columns; ++a) {
    if (types[a] == "string") att.Status[a] = dtree::kDiscrete;
  }
  const size_t attributes = columns - 1;
  cases.cont.resize(attributes);
  cases.discr.resize(attributes);
  cases.valueNumber.resize(attributes);
  cases.numericClass = IsNumericClassType(types.back());
  std::unordered_map<std::string, int32_t> classNumber;

  // Messages for values that are no numbers come in the case model's words.
  dtree::CaseSet messages(report);
  ExclusiveUse exclusive(source);
  if (!source.Query(SelectAllFrom(table)))
    return DatabaseError("cannot read table " + table + ": " + source.LastError());
  std::vector<std::string> row;
  std::string scratch;
  long rowNumber = 0;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    ++rowNumber;
    if (row.size() != columns)
      return DatabaseError("table " + table + " gave a row of the wrong width");
    for (size_t a = 0; a < attributes; ++a) {
      const std::string& value = row[a];
      if (att.Status[a] == dtree::kDiscrete) {
        int32_t number = dtree::kUnknownValue;
        if (value != "?") {
          auto [it, added] = cases.valueNumber[a].try_emplace(value, att.ValueCount[a] + 1);
          if (added) {
            ++att.ValueCount[a];
            att.ValueName[a].push_back(value);
          }
          number = it->second;
        }
        cases.discr[a].push_back(number);
      } else if (value == "?") {
        cases.cont[a].push_back(dtree::kUnknown);
      } else {
        double number = 0.0;
        if (!ReadNumber(value, scratch, number))
          messages.ReportInputError(4, names[a], scratch, rowNumber);
        cases.cont[a].push_back(static_cast<float>(number));
      }
    }
    const std::string& classText = row.back();
    auto [it, added] =
        classNumber.try_emplace(classText, static_cast<int32_t>(att.ClassName.size()));
    if (added) att.ClassName.push_back(classText);
    cases.classOf.push_back(it->second);
    if (cases.numericClass) {
      double value = 0.0;
      ReadNumber(classText, scratch, value);
      cases.classValue.push_back(value);
    }
    if (rowNumber % kProgressRows == 0) progress.Update("knn: reading " + table, rowNumber, -1);
  }
  att.MaxClass = static_cast<int16_t>(std::min<size_t>(att.ClassName.size(), 32767) - 1);
  for (size_t a = 0; a < columns; ++a) {
    att.MaxDiscrVal = static_cast<int16_t>(
        std::max<int32_t>(att.MaxDiscrVal, std::min(att.ValueCount[a], 32767)));
  }
  return cases;
}

void ParseTestCase(const KnnCases& cases, const std::vector<std::string>& row,
                   dtree::AttValue* out) {
  static const std::string kMissing = "?";
  std::string scratch;
  for (int a = 0; a < cases.Attributes(); ++a) {
    const std::string& value =
        static_cast<size_t>(a) < row.size() ? row[static_cast<size_t>(a)] : kMissing;
    if (cases.IsDiscrete(a)) {
      if (value == "?") {
        out[a].discr = dtree::kUnknownValue;
        continue;
      }
      const auto& numbers = cases.valueNumber[static_cast<size_t>(a)];
      const auto it = numbers.find(value);
      out[a].discr = it == numbers.end() ? cases.UnseenValue(a) : it->second;
    } else if (value == "?") {
      // A missing test value is unknown, as it is in the training cases; read as a number it
      // would be 0 and pull the neighbours towards 0.
      out[a].cont = dtree::kUnknown;
    } else {
      double number = 0.0;
      ReadNumber(value, scratch, number);
      out[a].cont = static_cast<float>(number);
    }
  }
}

}  // namespace quarry::knn
