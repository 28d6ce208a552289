#include "core/dtree/case_set.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <ostream>
#include <sstream>
#include <unordered_set>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/grouped_values.h"
#include "core/data/sql_quote.h"
#include "core/data/sqlite_rows.h"
#include "core/data/two_half_read.h"
#include "core/dtree/kept_cases.h"

namespace quarry::dtree {

namespace {

// Appends each text of `texts` not yet in `names` from entry `from` on, nor "?" when
// `skipUnknown`; `names` ends with the room that growing it in steps of kAttributeGrowth gives,
// without the copies each step costs on a column of many values. Returns how many were appended.
size_t AppendDistinct(std::vector<std::string>& names, size_t from,
                      const std::vector<std::string>& texts, bool skipUnknown) {
  std::unordered_set<std::string_view> listed(names.begin() + static_cast<long>(from), names.end());
  std::vector<std::string_view> added;
  for (const std::string& text : texts) {
    if (!(skipUnknown && text == "?") && listed.insert(text).second) added.push_back(text);
  }
  const size_t size = names.size() + added.size();
  const size_t room = (size + kAttributeGrowth - 1) / kAttributeGrowth * kAttributeGrowth;
  names.reserve(std::max(room, names.capacity()));
  names.insert(names.end(), added.begin(), added.end());
  return added.size();
}

}  // namespace

CaseSet::CaseSet(std::ostream& report, TargetKind target) : report_(report), target_(target) {}

CaseSet::~CaseSet() = default;

void WriteInputError(std::ostream& out, int code, std::string_view name, std::string_view text,
                     long row) {
  out << "\nERROR:  ";
  switch (code) {
    case 0:
      out << "cannot open file " << name << " " << text;
      break;
    case 1:
      out << "colon expected after attribute name " << name;
      break;
    case 2:
      out << "unexpected eof while reading attribute " << name;
      break;
    case 3:
      out << "attribute  has only one value" << name;
      break;
    case 4:
      out << "case " << row << "'s value of " << text << " for attribute" << name
          << " is illegal\n";
      break;
    case 5:
      out << "case " << row << "'s class of " << text << "' is illegal\n";
      break;
    default:
      break;
  }
}

void CaseSet::ReportInputError(int code, std::string_view name, std::string_view text, long row) {
  WriteInputError(report_, code, name, text, row);
}

void CaseSet::SetAttributeColumns(const std::vector<std::string>& names,
                                  const std::vector<std::string>& types) {
  for (size_t i = 0; i < names.size(); ++i) {
    GrowInSteps(att_.AttName, kAttributeGrowth);
    GrowInSteps(att_.ValueCount, kAttributeGrowth);
    GrowInSteps(att_.ValueName, kAttributeGrowth);
    GrowInSteps(att_.Status, kAttributeGrowth);
    att_.AttName.push_back(names[i]);
    att_.Status.push_back(types[i] == "string" ? kDiscrete : kContinuous);
    att_.ValueCount.push_back(0);
    att_.ValueName.emplace_back();
  }
  att_.MaxAtt = static_cast<int16_t>(static_cast<int>(names.size()) - 2);
}

Status CaseSet::SetValueLists(const std::string& table, const std::vector<std::string>* classes,
                              const std::vector<const std::vector<std::string>*>& valuesOfColumn) {
  // Classes and values are told apart by 16-bit counts throughout the engine.
  constexpr size_t kMaxValues = INT16_MAX;
  // Two groups can read as one text (numbers equal to the digits shown, a text and a number in
  // one SQLite column): a second entry would be a value no case could ever take.
  if (classes) {
    const size_t count = AppendDistinct(att_.ClassName, 0, *classes, false);
    if (count > kMaxValues) {
      return InvalidArgument("the class column " + att_.AttName.back() + " of " + table + " has " +
                             std::to_string(count) + " values; at most " +
                             std::to_string(kMaxValues) + " classes can be told apart");
    }
    att_.MaxClass = static_cast<int16_t>(count - 1);
  }
  att_.ClassFreq.assign(static_cast<size_t>(att_.MaxClass + 1), 0.0f);
  for (size_t i = 0; i < valuesOfColumn.size(); ++i) {
    if (!valuesOfColumn[i]) continue;
    std::vector<std::string>& values = att_.ValueName[i];
    values.reserve(kAttributeGrowth);
    values.emplace_back();  // entry 0 holds nothing
    const size_t count = AppendDistinct(values, 1, *valuesOfColumn[i], true);
    if (count > kMaxValues) {
      return InvalidArgument("column " + att_.AttName[i] + " of " + table + " has " +
                             std::to_string(count) + " values; a text column may have at most " +
                             std::to_string(kMaxValues));
    }
    att_.ValueCount[i] = static_cast<int32_t>(count);
    att_.MaxDiscrVal =
        static_cast<int16_t>(std::max<int32_t>(att_.MaxDiscrVal, att_.ValueCount[i]));
  }
  return Status::Ok();
}

Status CaseSet::LoadAttributes(const std::string& table, DataSource& source) {
  kept_.reset();
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
  SetAttributeColumns(names, types);

  // The class column is written in double quotes, the attribute columns in brackets.
  const std::string& classColumn = names.back();
  std::string quotedClass = "\"";
  for (char c : classColumn) {
    quotedClass += c;
    if (c == '"') quotedClass += c;
  }
  quotedClass += "\"";
  // A numeric target has no class names.
  const bool readClasses = target_ == TargetKind::kClass;
  std::vector<std::string> grouped;
  std::vector<std::string> groupedNames;
  if (readClasses) {
    grouped.push_back(quotedClass);
    groupedNames.push_back(classColumn);
  }
  std::vector<size_t> queryOfColumn(names.size(), 0);
  for (size_t i = 0; i < names.size(); ++i) {
    if (types[i] != "string") continue;
    queryOfColumn[i] = grouped.size();
    grouped.push_back(QuoteIdent(names[i]));
    groupedNames.push_back(names[i]);
  }
  std::vector<std::vector<std::string>> results;
  std::unique_ptr<KeptCases> kept = ReadGatheringValues(table, source, groupedNames, results);
  const std::vector<Status> statuses =
      kept ? std::vector<Status>(grouped.size())
           : ReadGroupedValues(source, QuoteIdent(table), grouped, results);
  if (readClasses && !statuses[0].ok())
    return DatabaseError("cannot read the classes of " + table + ": " + statuses[0].message());
  std::vector<const std::vector<std::string>*> valuesOfColumn(names.size(), nullptr);
  for (size_t i = 0; i < names.size(); ++i) {
    if (types[i] != "string") continue;
    const size_t q = queryOfColumn[i];
    if (!statuses[q].ok())
      return DatabaseError("cannot read the values of " + names[i] + ": " + statuses[q].message());
    valuesOfColumn[i] = &results[q];
  }
  if (Status s = SetValueLists(table, readClasses ? &results[0] : nullptr, valuesOfColumn);
      !s.ok()) {
    return s;
  }
  if (kept && Renumber(*kept)) kept_ = std::move(kept);
  return Status::Ok();
}

void CaseSet::CaseArena::Release::operator()(AttValue* cells) const { std::free(cells); }

void CaseSet::CaseArena::Append(CaseArena&& other) {
  if (other.blocks.empty()) return;
  for (auto& block : other.blocks) blocks.push_back(std::move(block));
  // The last block is now the other arena's, filled as far as it was.
  casesInLastBlock = other.casesInLastBlock;
  usedInLastBlock = other.usedInLastBlock;
  casesInBlocks += other.casesInBlocks;
  other = CaseArena();
}

Case CaseSet::CaseArena::New(size_t width) {
  if (usedInLastBlock == casesInLastBlock) {
    const size_t caseBytes = width * sizeof(AttValue);
    const size_t largest = std::max<size_t>(kLargestCaseBlock / caseBytes, 1);
    size_t cases = std::min(std::max(casesInBlocks, kCaseGrowth), largest);
    size_t bytes = cases * caseBytes;
    // A block of a large page or more starts on one and fills whole ones; a smaller block starts
    // on a cache line, so that a case of 16 cells is one line.
    const size_t alignment = bytes >= kHugePage ? kHugePage : 64;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    cases = bytes / caseBytes;
    // Every cell of a case is written when it is parsed: zeroing the block first would only
    // double the writes.
    void* cells = std::aligned_alloc(alignment, bytes);
    if (cells == nullptr) throw std::bad_alloc();
    if (alignment == kHugePage) madvise(cells, bytes, MADV_HUGEPAGE);
    blocks.emplace_back(static_cast<AttValue*>(cells));
    casesInLastBlock = cases;
    casesInBlocks += cases;
    usedInLastBlock = 0;
  }
  return blocks.back().get() + (usedInLastBlock++) * width;
}

Case CaseSet::ParseCase(const std::vector<std::string>& values, long row) {
  caseWidth_ = static_cast<size_t>(std::max(att_.MaxAtt + 2, 1));
  return ParseCaseInto(values, row, arena_, report_);
}

Case CaseSet::ParseCaseInto(const std::vector<std::string>& values, long row, CaseArena& arena,
                            std::ostream& errors, GatheredValues* gathered) const {
  Case c = arena.New(caseWidth_);
  FillCase(values, row, c, errors, gathered);
  return c;
}

void CaseSet::ParseCaseInPlace(const std::vector<std::string>& values, long row, Case c) {
  FillCase(values, row, c, report_, nullptr);
}

void CaseSet::FillCase(const std::vector<std::string>& values, long row, Case c,
                       std::ostream& errors, GatheredValues* gathered,
                       const uint8_t* preset) const {
  const int maxAtt = att_.MaxAtt;
  for (int a = 0; a <= maxAtt; ++a) {
    if (preset && preset[a]) continue;
    const std::string& value =
        static_cast<size_t>(a) < values.size() ? values[a] : std::string("?");
    if (att_.Status[a] == kIgnored) {
      c[a].discr = 0;
    } else if (HoldsValueNumbers(att_, a)) {
      if (value == "?") {
        c[a].discr = kUnknownValue;
      } else if (gathered) {
        c[a].discr = gathered->numbers[static_cast<size_t>(a)].Number(value);
      } else if (!lookups_.empty()) {
        c[a].discr = lookups_[static_cast<size_t>(a)]->Find(value);
      } else {
        c[a].discr = FindName(value, att_.ValueName[a], 1, att_.ValueCount[a]);
      }
    } else {
      c[a].cont = ParseContinuous(value, a, row, errors);
    }
  }
  const size_t classIndex = static_cast<size_t>(maxAtt + 1);
  static const std::string kMissing = "?";
  const std::string& text = classIndex < values.size() ? values[classIndex] : kMissing;
  if (target_ == TargetKind::kNumber) {
    if (preset && preset[classIndex]) return;
    c[maxAtt + 1].cont = ParseContinuous(text, maxAtt + 1, row, errors);
    return;
  }
  if (gathered) {
    c[maxAtt + 1].discr = gathered->numbers[classIndex].Number(text);
    return;
  }
  // A class is looked up as the database holds it: a text class may hold a comma, and a number
  // class reads with a decimal point.
  int classNo = lookups_.empty() ? FindName(text, att_.ClassName, 0, att_.MaxClass)
                                 : lookups_[classIndex]->Find(text);
  if (classNo < 0) {
    WriteInputError(errors, 5, att_.AttName[classIndex], text, row);
    classNo = 0;
  }
  c[maxAtt + 1].discr = classNo;
  return;
}

float CaseSet::ParseContinuous(std::string_view text, int attribute, long row,
                               std::ostream& errors) const {
  std::string withPoints;  // "," reads as the decimal point; copied only when there is one
  if (text.find(',') != std::string_view::npos) {
    withPoints.assign(text);
    std::replace(withPoints.begin(), withPoints.end(), ',', '.');
    text = withPoints;
  }
  if (text == "?") return kUnknown;
  double number = 0.0;
  if (!ParseDecimal(text, number)) WriteInputError(errors, 4, att_.AttName[attribute], text, row);
  return static_cast<float>(number);
}

void CaseSet::ReadRows(DataSource& source, long limit, long firstRow, CaseArena& arena,
                       std::ostream& errors, std::vector<Case>& out,
                       GatheredValues* gathered) const {
  std::vector<std::string> row;
  long rowNumber = firstRow;
  for (bool more = limit != 0 && source.FirstRow(row); more;
       more = (limit < 0 || rowNumber - firstRow < limit) && source.NextRow(row)) {
    out.push_back(ParseCaseInto(row, rowNumber++, arena, errors, gathered));
    if (gathered && !gathered->classCells.empty()) gathered->NoteClasses(row, out.back());
  }
}

bool CaseSet::ReadTableRows(const std::string& table, DataSource& source, bool gather,
                            std::vector<std::unique_ptr<RowsRead>>& parts,
                            const std::string& classesOf,
                            const std::vector<size_t>& classCells) const {
  const int cells = static_cast<int>(caseWidth_);
  auto reader = [this, gather](RowsRead& part) {
    return [this, gather, &part](DataSource& connection, long limit, long firstRow) {
      ReadRows(connection, limit, firstRow, part.arena, part.errors, part.cases,
               gather ? &part.gathered : nullptr);
      return static_cast<long>(part.cases.size());
    };
  };
  // The halves join in the table's order, and the messages of the second half follow those of
  // the first. When two halves cannot be had, what they read is thrown away.
  parts.clear();
  if (classesOf.empty()) {
    parts.push_back(std::make_unique<RowsRead>(cells));
    parts.push_back(std::make_unique<RowsRead>(cells));
    if (ReadInTwoHalves(source, table, kTwoStreamRows, reader(*parts[0]), reader(*parts[1])))
      return true;
    parts.clear();
  }
  const auto startPart = [&] {
    parts.clear();
    parts.push_back(std::make_unique<RowsRead>(cells));
    if (!classesOf.empty()) {
      GatheredValues& gathered = parts[0]->gathered;
      gathered.classCells = classCells;
      gathered.classes.assign(static_cast<size_t>(cells), std::string());
    }
  };
  startPart();
  if (!(classesOf.empty() ? source.QueryTable(table)
                          : source.Query("select *, " + classesOf + " from " + QuoteIdent(table))))
    return false;
  {
    SqliteRows rows(source);
    if (rows.Active()) {
      if (ReadSqliteRows(rows, *parts[0], gather)) {
        rows.Finish();
        return true;
      }
      // What SQLite read is thrown away: read through the driver, the rows fail as it fails.
      startPart();
    }
  }
  const auto readWhole = reader(*parts[0]);
  readWhole(source, -1, 1);
  // A read that fails on the way must not pass for the whole table.
  return source.ResultAtEnd();
}

bool CaseSet::ReadSqliteRows(SqliteRows& rows, RowsRead& part, bool gather) const {
  const int maxAtt = att_.MaxAtt;
  const size_t cells = caseWidth_;
  // The cells parsed as numbers, of which a stored number may give the float at once.
  std::vector<uint8_t> numeric(cells, 0);
  for (int a = 0; a <= maxAtt; ++a) {
    numeric[static_cast<size_t>(a)] = att_.Status[a] != kIgnored && !HoldsValueNumbers(att_, a);
  }
  if (target_ == TargetKind::kNumber) numeric[cells - 1] = 1;
  std::vector<uint8_t> preset(cells, 0);
  std::vector<float> singles(cells, 0.0f);
  std::vector<std::string> row(static_cast<size_t>(rows.Columns()));
  GatheredValues* gathered = gather ? &part.gathered : nullptr;
  const bool noteClasses = gathered && !gathered->classCells.empty();
  long rowNumber = 1;
  while (rows.Next()) {
    for (int column = 0; column < rows.Columns(); ++column) {
      const size_t k = static_cast<size_t>(column);
      if (k < cells && numeric[k]) {
        if (const std::optional<float> single = rows.Single(column)) {
          preset[k] = 1;
          singles[k] = *single;
          continue;
        }
        preset[k] = 0;
      }
      rows.Text(column, row[k]);
    }
    Case c = part.arena.New(cells);
    for (size_t k = 0; k < cells; ++k) {
      if (preset[k]) c[k].cont = singles[k];
    }
    FillCase(row, rowNumber++, c, part.errors, gathered, preset.data());
    part.cases.push_back(c);
    if (noteClasses) gathered->NoteClasses(row, c);
  }
  return !rows.Failed();
}

std::vector<Case> CaseSet::JoinParts(std::vector<std::unique_ptr<RowsRead>>& parts,
                                     CaseArena& arena) {
  std::vector<Case> cases;
  for (auto& part : parts) {
    if (cases.empty()) {
      cases = std::move(part->cases);
    } else {
      cases.insert(cases.end(), part->cases.begin(), part->cases.end());
    }
    arena.Append(std::move(part->arena));
  }
  parts.clear();
  return cases;
}

CaseSet::LookupsWhileReading::LookupsWhileReading(CaseSet& cases) : cases_(cases) {
  const AttributeTable& att = cases.att_;
  cases.lookups_.assign(static_cast<size_t>(att.MaxAtt + 2), std::nullopt);
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (HoldsValueNumbers(att, a))
      cases.lookups_[static_cast<size_t>(a)].emplace(att.ValueName[a], 1, att.ValueCount[a]);
  }
  if (cases.target_ == TargetKind::kClass)
    cases.lookups_.back().emplace(att.ClassName, 0, att.MaxClass);
}

CaseSet::LookupsWhileReading::~LookupsWhileReading() { cases_.lookups_.clear(); }

void CaseSet::SetItems(const std::vector<Case>& loaded) {
  // The array's room grows in steps of kCaseGrowth entries; it is made once, with the room that
  // growing it step by step while reading would have given it (and without the copy at every
  // step).
  Item.reserve((loaded.size() + kCaseGrowth - 1) / kCaseGrowth * kCaseGrowth);
  Item.assign(loaded.begin(), loaded.end());
  MaxItem = static_cast<int32_t>(Item.size()) - 1;
  Weight.assign(Item.size(), 1.0f);
}

int CaseSet::LoadCases(const std::string& table, DataSource& source) {
  std::unique_ptr<KeptCases> kept = std::move(kept_);
  FreeCases();
  lastLoadError_.clear();
  caseWidth_ = static_cast<size_t>(std::max(att_.MaxAtt + 2, 1));
  std::vector<Case> loaded;
  if (kept && kept->table == table && kept->source == &source && TakeKept(*kept)) {
    report_ << kept->errors;
    loaded = std::move(kept->cases);
    arena_ = std::move(kept->arena);
  } else {
    kept.reset();
    ExclusiveUse exclusive(source);
    const LookupsWhileReading lookups(*this);
    std::vector<std::unique_ptr<RowsRead>> parts;
    const bool read = ReadTableRows(table, source, false, parts);
    for (const auto& part : parts) report_ << part->errors.str();
    if (!read) {
      lastLoadError_ = source.LastError();
      return 2;
    }
    loaded = JoinParts(parts, arena_);
  }
  kept.reset();
  if (loaded.empty()) {
    MaxItem = -1;
    return 1;
  }
  SetItems(loaded);
  loaded = std::vector<Case>();
  // Reading leaves freed row texts and the reading thread's scraps in the allocator's pools,
  // several megabytes on a large table that a long job would otherwise hold to its end.
  malloc_trim(0);
  return 0;
}

void CaseSet::ExchangeCases(LoadedCases& other) {
  std::swap(Item, other.Item);
  std::swap(Weight, other.Weight);
  std::swap(MaxItem, other.MaxItem);
  std::swap(arena_, other.arena);
}

namespace {

CaseSet::LoadedCases CopyOf(const std::vector<Case>& items, const std::vector<float>& weights,
                            int32_t maxItem, size_t width) {
  CaseSet::LoadedCases copy;
  copy.Weight = weights;
  copy.MaxItem = maxItem;
  copy.Item.reserve(items.size());
  for (const Case c : items) {
    Case cells = copy.arena.New(width);
    std::copy(c, c + width, cells);
    copy.Item.push_back(cells);
  }
  return copy;
}

}  // namespace

CaseSet::LoadedCases CaseSet::CopyCases() const {
  return CopyOf(Item, Weight, MaxItem, caseWidth_);
}

void CaseSet::LoadCopy(const LoadedCases& cases) {
  FreeCases();
  caseWidth_ = static_cast<size_t>(std::max(att_.MaxAtt + 2, 1));
  LoadedCases copy = CopyOf(cases.Item, cases.Weight, cases.MaxItem, caseWidth_);
  ExchangeCases(copy);
}

void CaseSet::FreeCases() {
  kept_.reset();
  Item = std::vector<Case>();
  Weight = std::vector<float>();
  MaxItem = -1;
  arena_ = CaseArena();
}

}  // namespace quarry::dtree
