#include "core/knn/knn_cases.h"

#include <algorithm>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/two_half_read.h"

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

namespace {

// Training cases of no rows, with the attribute table of the columns.
KnnCases EmptyCases(const std::vector<std::string>& names, const std::vector<std::string>& types) {
  KnnCases cases;
  dtree::AttributeTable& att = cases.att;
  const size_t columns = names.size();
  att.MaxAtt = static_cast<int16_t>(static_cast<int>(columns) - 2);
  att.AttName = names;
  att.Status.assign(columns, dtree::kContinuous);
  att.ValueCount.assign(columns, 0);
  att.ValueName.assign(columns, std::vector<std::string>(1));  // entry 0 holds nothing
  for (size_t a = 0; a < columns; ++a) {
    if (types[a] == "string") att.Status[a] = dtree::kDiscrete;
  }
  cases.cont.resize(columns - 1);
  cases.discr.resize(columns - 1);
  cases.valueNumber.resize(columns - 1);
  cases.numericClass = IsNumericClassType(types.back());
  return cases;
}

// The number of `text` in `numbers`, numbering it next (after `count`, into `names`) when new.
int32_t NumberOf(const std::string& text, std::unordered_map<std::string, int32_t>& numbers,
                 std::vector<std::string>& names, int32_t next) {
  auto [it, added] = numbers.try_emplace(text, next);
  if (added) names.push_back(text);
  return it->second;
}

// Appends the rows of the current result set (at most `limit` when not negative; `firstRow` is
// the 1-based number of the first) to `cases`. Returns false when reading failed.
bool ReadRows(DataSource& source, long limit, long firstRow, KnnCases& cases, std::ostream& errors,
              Progress* progress) {
  dtree::AttributeTable& att = cases.att;
  const size_t attributes = att.AttName.size() - 1;
  // Messages for values that are no numbers come in the case model's words.
  dtree::CaseSet messages(errors);
  std::vector<std::string> row;
  std::string scratch;
  long rowNumber = firstRow;
  for (bool more = limit != 0 && source.FirstRow(row); more;
       more = (limit < 0 || rowNumber - firstRow < limit) && source.NextRow(row)) {
    if (row.size() != attributes + 1) return false;
    const std::string& classText = row.back();
    // A row without a class has nothing to teach: it would vote for a class "?" or count as 0
    // in a mean.
    if (classText == "?") {
      ++cases.withoutClass;
      ++rowNumber;
      continue;
    }
    for (size_t a = 0; a < attributes; ++a) {
      const std::string& value = row[a];
      if (att.Status[a] == dtree::kDiscrete) {
        int32_t number = dtree::kUnknownValue;
        if (value != "?") {
          number = NumberOf(value, cases.valueNumber[a], att.ValueName[a], att.ValueCount[a] + 1);
          att.ValueCount[a] = static_cast<int32_t>(att.ValueName[a].size() - 1);
        }
        cases.discr[a].push_back(number);
      } else if (value == "?") {
        cases.cont[a].push_back(dtree::kUnknown);
      } else {
        double number = 0.0;
        if (!ReadNumber(value, scratch, number))
          messages.ReportInputError(4, att.AttName[a], scratch, rowNumber);
        cases.cont[a].push_back(static_cast<float>(number));
      }
    }
    cases.classOf.push_back(NumberOf(classText, cases.classNumber, att.ClassName,
                                     static_cast<int32_t>(att.ClassName.size())));
    if (cases.numericClass) {
      double value = 0.0;
      if (!ReadNumber(classText, scratch, value))
        messages.ReportInputError(4, att.AttName[attributes], scratch, rowNumber);
      cases.classValue.push_back(value);
    }
    ++rowNumber;
    if (progress && (rowNumber - firstRow) % kProgressRows == 0)
      progress->Update("knn: reading", rowNumber - 1, -1);
  }
  return true;
}

// Appends `tail`, read after `cases`, renumbering its values and classes as one read in order
// would have numbered them.
void Append(KnnCases& cases, KnnCases&& tail) {
  dtree::AttributeTable& att = cases.att;
  for (size_t a = 0; a < cases.discr.size(); ++a) {
    if (att.Status[a] != dtree::kDiscrete) {
      cases.cont[a].insert(cases.cont[a].end(), tail.cont[a].begin(), tail.cont[a].end());
      continue;
    }
    const std::vector<std::string>& names = tail.att.ValueName[a];
    std::vector<int32_t> renumber(names.size(), dtree::kUnknownValue);
    for (size_t v = 1; v < names.size(); ++v) {
      renumber[v] =
          NumberOf(names[v], cases.valueNumber[a], att.ValueName[a], att.ValueCount[a] + 1);
      att.ValueCount[a] = static_cast<int32_t>(att.ValueName[a].size() - 1);
    }
    for (int32_t v : tail.discr[a]) cases.discr[a].push_back(renumber[static_cast<size_t>(v)]);
  }
  std::vector<int32_t> renumber(tail.att.ClassName.size());
  for (size_t c = 0; c < renumber.size(); ++c) {
    renumber[c] = NumberOf(tail.att.ClassName[c], cases.classNumber, att.ClassName,
                           static_cast<int32_t>(att.ClassName.size()));
  }
  for (int32_t c : tail.classOf) cases.classOf.push_back(renumber[static_cast<size_t>(c)]);
  cases.classValue.insert(cases.classValue.end(), tail.classValue.begin(), tail.classValue.end());
  cases.withoutClass += tail.withoutClass;
}

// Reads a large PostgreSQL table as two halves at once. False (nothing read) when that cannot be
// done; the caller then reads the table in one stream.
bool ReadInTwoStreams(DataSource& source, const std::string& table,
                      const std::vector<std::string>& names, const std::vector<std::string>& types,
                      KnnCases& cases, std::ostream& report, Progress& progress) {
  constexpr long kTwoStreamRows = 20000;
  KnnCases tail = EmptyCases(names, types);
  std::ostringstream headErrors;
  std::ostringstream tailErrors;
  const bool read = ReadInTwoHalves(
      source, table, kTwoStreamRows,
      [&](DataSource& connection, long limit, long firstRow) {
        return ReadRows(connection, limit, firstRow, cases, headErrors, &progress)
                   ? cases.RowsRead()
                   : -1L;
      },
      [&](DataSource& connection, long limit, long firstRow) {
        return ReadRows(connection, limit, firstRow, tail, tailErrors, nullptr) ? tail.RowsRead()
                                                                                : -1L;
      });
  if (!read) return false;
  report << headErrors.str() << tailErrors.str();
  Append(cases, std::move(tail));
  return true;
}

}  // namespace

Expected<KnnCases> LoadKnnCases(DataSource& source, const std::string& table,
                                const std::vector<std::string>& names,
                                const std::vector<std::string>& types, std::ostream& report,
                                Progress& progress) {
  if (names.empty() || names.size() != types.size())
    return InvalidArgument("table " + table + " has no columns");
  ExclusiveUse exclusive(source);
  KnnCases cases = EmptyCases(names, types);
  if (!ReadInTwoStreams(source, table, names, types, cases, report, progress)) {
    cases = EmptyCases(names, types);
    if (!source.QueryTable(table) || !ReadRows(source, -1, 1, cases, report, &progress)) {
      return DatabaseError("cannot read table " + table + ": " + source.LastError());
    }
  }
  dtree::AttributeTable& att = cases.att;
  att.MaxClass = static_cast<int16_t>(std::min<size_t>(att.ClassName.size(), 32767) - 1);
  for (int32_t count : att.ValueCount) {
    att.MaxDiscrVal =
        static_cast<int16_t>(std::max<int32_t>(att.MaxDiscrVal, std::min(count, 32767)));
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
