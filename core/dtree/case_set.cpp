#include "core/dtree/case_set.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry::dtree {

int FindName(std::string_view text, const std::vector<std::string>& names, int first, int last) {
  for (int k = first; k <= last; ++k) {
    if (names[static_cast<size_t>(k)] == text) return k;
  }
  return first - 1;
}

namespace {

// Parses a decimal floating-point number as strtod does (leading white space, sign, exponent),
// independent of the locale. Returns whether the whole text was consumed; `value` receives what
// could be parsed (0 when nothing).
bool ParseDecimal(std::string_view text, double& value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-') ++i;
  value = 0.0;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) return ptr == end;  // value is left as is
  if (ec != std::errc()) {
    value = 0.0;
    return false;
  }
  return ptr == end;
}

// Appends a copy of `text` to `names`, growing its room in steps of kAttributeGrowth.
void AppendName(std::vector<std::string>& names, std::string_view text) {
  GrowInSteps(names, kAttributeGrowth);
  names.emplace_back(text);
}

}  // namespace

CaseSet::CaseSet(std::ostream& report) : report_(report) {}

CaseSet::~CaseSet() = default;

void CaseSet::ReportInputError(int code, std::string_view name, std::string_view text, long row) {
  report_ << "\nERROR:  ";
  switch (code) {
    case 0: report_ << "cannot open file " << name << " " << text; break;
    case 1: report_ << "colon expected after attribute name " << name; break;
    case 2: report_ << "unexpected eof while reading attribute " << name; break;
    case 3: report_ << "attribute  has only one value" << name; break;
    case 4:
      report_ << "case " << row << "'s value of " << text << " for attribute" << name << " is illegal\n";
      break;
    case 5: report_ << "case " << row << "'s class of " << text << "' is illegal\n"; break;
    default: break;
  }
}

Status CaseSet::LoadAttributes(const std::string& table, DataSource& source) {
  att_ = AttributeTable();
  att_.MaxDiscrVal = 2;
  att_.MaxAtt = -1;
  att_.AttName.reserve(kAttributeGrowth);
  att_.ValueCount.reserve(kAttributeGrowth);
  att_.ValueName.reserve(kAttributeGrowth);
  att_.Status.reserve(kAttributeGrowth);
  att_.ClassName.reserve(kAttributeGrowth);

  // The grouped queries share the current result set, so the lock is held until the last
  // value is read.
  ExclusiveUse exclusive(source);
  std::vector<std::string> names;
  std::vector<std::string> types;
  if (!source.FieldTypes(SelectAllFrom(table), names, types) || names.empty()) {
    return NotFound("cannot read the columns of " + table + ": " + source.LastError());
  }

  std::vector<std::string> row;
  const std::string& classColumn = names.back();
  std::string quotedClass = "\"";
  for (char c : classColumn) {
    quotedClass += c;
    if (c == '"') quotedClass += c;
  }
  quotedClass += "\"";
  if (!source.Query("select " + quotedClass + " from " + QuoteIdent(table) + " group by " + quotedClass)) {
    return DatabaseError("cannot read the classes of " + table + ": " + source.LastError());
  }
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    AppendName(att_.ClassName, row.empty() ? "?" : row[0]);
    ++att_.MaxClass;
  }
  att_.ClassFreq.assign(static_cast<size_t>(att_.MaxClass + 1), 0.0f);

  for (size_t i = 0; i < names.size(); ++i) {
    GrowInSteps(att_.AttName, kAttributeGrowth);
    GrowInSteps(att_.ValueCount, kAttributeGrowth);
    GrowInSteps(att_.ValueName, kAttributeGrowth);
    GrowInSteps(att_.Status, kAttributeGrowth);
    att_.AttName.push_back(names[i]);
    att_.Status.push_back(kContinuous);
    att_.ValueCount.push_back(0);
    att_.ValueName.emplace_back();
    if (types[i] != "string") continue;
    att_.Status[i] = kDiscrete;
    std::vector<std::string>& values = att_.ValueName[i];
    values.reserve(kAttributeGrowth);
    values.emplace_back();  // entry 0 holds nothing
    const std::string column = QuoteIdent(names[i]);
    if (!source.Query("select " + column + " from " + QuoteIdent(table) + " group by " + column)) {
      return DatabaseError("cannot read the values of " + names[i] + ": " + source.LastError());
    }
    for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
      if (row.empty() || row[0] == "?") continue;
      AppendName(values, row[0]);
    }
    att_.ValueCount[i] = static_cast<int32_t>(values.size() - 1);
    att_.MaxDiscrVal = static_cast<int16_t>(std::max<int32_t>(att_.MaxDiscrVal, att_.ValueCount[i]));
  }
  att_.MaxAtt = static_cast<int16_t>(static_cast<int>(names.size()) - 2);
  return Status::Ok();
}

Case CaseSet::NewCase() {
  if (casesInLastBlock_ == kCaseGrowth) {
    blocks_.push_back(std::make_unique<AttValue[]>(kCaseGrowth * caseWidth_));
    casesInLastBlock_ = 0;
  }
  return blocks_.back().get() + (casesInLastBlock_++) * caseWidth_;
}

Case CaseSet::ParseCase(const std::vector<std::string>& values, long row) {
  const int maxAtt = att_.MaxAtt;
  Case c = NewCase();
  std::string text;
  for (int a = 0; a <= maxAtt; ++a) {
    const std::string& value = static_cast<size_t>(a) < values.size() ? values[a] : std::string("?");
    if (att_.Status[a] == kIgnored) {
      c[a].discr = 0;
    } else if (att_.ValueCount[a] > 0 || att_.Status[a] == kDiscrete) {
      c[a].discr = value == "?" ? kUnknownValue : FindName(value, att_.ValueName[a], 1, att_.ValueCount[a]);
    } else {
      text = value;
      std::replace(text.begin(), text.end(), ',', '.');
      if (text == "?") {
        c[a].cont = kUnknown;
        continue;
      }
      double number = 0.0;
      if (!ParseDecimal(text, number)) {
        ReportInputError(4, att_.AttName[a], text, row);
      }
      c[a].cont = static_cast<float>(number);
    }
  }
  const size_t classIndex = static_cast<size_t>(maxAtt + 1);
  text = classIndex < values.size() ? values[classIndex] : std::string("?");
  std::replace(text.begin(), text.end(), ',', '.');
  int classNo = FindName(text, att_.ClassName, 0, att_.MaxClass);
  if (classNo < 0) {
    ReportInputError(5, att_.AttName[classIndex], text, row);
    classNo = 0;
  }
  c[maxAtt + 1].discr = classNo;
  return c;
}

int CaseSet::LoadCases(const std::string& table, DataSource& source) {
  FreeCases();
  lastLoadError_.clear();
  caseWidth_ = static_cast<size_t>(std::max(att_.MaxAtt + 2, 1));
  ExclusiveUse exclusive(source);
  if (!source.Query(SelectAllFrom(table))) {
    lastLoadError_ = source.LastError();
    return 2;
  }
  std::vector<std::string> row;
  if (!source.FirstRow(row)) {
    MaxItem = -1;
    return 1;
  }
  Item.reserve(kCaseGrowth);
  long rowNumber = 1;
  do {
    GrowInSteps(Item, kCaseGrowth);
    Item.push_back(ParseCase(row, rowNumber++));
  } while (source.NextRow(row));
  MaxItem = static_cast<int32_t>(Item.size()) - 1;
  Weight.assign(Item.size(), 1.0f);
  return 0;
}

void CaseSet::FreeCases() {
  Item = std::vector<Case>();
  Weight = std::vector<float>();
  MaxItem = -1;
  blocks_.clear();
  casesInLastBlock_ = kCaseGrowth;
}

}  // namespace quarry::dtree
