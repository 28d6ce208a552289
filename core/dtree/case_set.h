#pragma once
// The decision-tree engine's case model: an attribute table saying what each column of a table
// means, and an array of cases, one per row, with a weight each. The model-tree engine keeps a
// second store of the same shape. Engine state lives in this object, never in globals; one job
// uses one CaseSet at a time.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/name_lookup.h"

namespace quarry {
class DataSource;
class SqliteRows;
}  // namespace quarry

namespace quarry::dtree {

// One 4-byte cell of a case: a continuous value or a discrete value number.
union AttValue {
  int32_t discr;
  float cont;
};
static_assert(sizeof(AttValue) == 4);

// A case: cells 0..MaxAtt are attribute values, cell MaxAtt+1 the class number.
using Case = AttValue*;

constexpr float kUnknown = -999.0f;   // a continuous cell whose value is unknown
constexpr int32_t kUnknownValue = 0;  // a discrete cell whose value is unknown

enum AttStatus : uint8_t { kIgnored = 1, kDiscrete = 2, kContinuous = 3 };

inline float CVal(Case c, int a) { return c[a].cont; }
inline int32_t DVal(Case c, int a) { return c[a].discr; }

// How many cases ahead a pass over Item asks for the cells it will read: the cases lie anywhere
// in memory once growing has reordered them, and a cell asked for early is read meanwhile.
constexpr int kCasesAhead = 16;
// Asks for cell `a` (and `b`) of `c`, to be read soon.
inline void PrefetchCells(Case c, int a) { __builtin_prefetch(c + a); }
inline void PrefetchCells(Case c, int a, int b) {
  __builtin_prefetch(c + a);
  __builtin_prefetch(c + b);
}

constexpr size_t kAttributeGrowth = 100;  // attribute arrays grow in steps of this many entries
constexpr size_t kCaseGrowth = 1024;      // the case array grows in steps of this many cases
constexpr size_t kHugePage = size_t{2} << 20;           // the processor's large page
constexpr size_t kLargestCaseBlock = size_t{64} << 20;  // bytes of cells in one block at most

struct AttributeTable {
  int16_t MaxAtt = -1;      // index of the last attribute
  int16_t MaxClass = -1;    // index of the last class
  int16_t MaxDiscrVal = 2;  // the largest value count of a discrete attribute
  // Per column, the class column included at MaxAtt + 1.
  std::vector<std::string> AttName;
  std::vector<int32_t> ValueCount;                  // 0 for continuous attributes
  std::vector<std::vector<std::string>> ValueName;  // [a][1..ValueCount[a]]; entry 0 unused
  std::vector<uint8_t> Status;                      // AttStatus
  std::vector<std::string> ClassName;               // [0..MaxClass]
  std::vector<float> ClassFreq;                     // work array of MaxClass + 1 entries
};

// Whether the cells of attribute `a` hold value numbers (a discrete attribute, or one given
// values), as the case parser reads them; ignored attributes aside.
inline bool HoldsValueNumbers(const AttributeTable& att, int a) {
  return att.ValueCount[static_cast<size_t>(a)] > 0 ||
         att.Status[static_cast<size_t>(a)] == kDiscrete;
}

// What the last column holds: a class (the decision-tree engine) or a number (the model-tree
// engine, which keeps the target as a 32-bit float in the class cell; "?" gives kUnknown).
enum class TargetKind { kClass, kNumber };

class CaseSet {
 public:
  // `report` receives the input error messages (standard output in the programs).
  explicit CaseSet(std::ostream& report, TargetKind target = TargetKind::kClass);
  ~CaseSet();
  CaseSet(const CaseSet&) = delete;
  CaseSet& operator=(const CaseSet&) = delete;

  // Builds the attribute table of `table`: the last column is the class, "string" columns are
  // discrete with the values the database groups (each text listed once), every other type
  // continuous. With a numeric target no class names are read.
  // On PostgreSQL the values are gathered from the rows themselves, and the cases read on the
  // way are kept for the LoadCases of the same table that follows.
  Status LoadAttributes(const std::string& table, DataSource& source);

  // Reads every row of `table` into cases against the current attribute table. Returns 0 when
  // at least one row was read, 1 when the table has no rows (no cases are then loaded and
  // MaxItem is -1), and 2 when the table cannot be read, or not to its end (see
  // LastLoadError()).
  int LoadCases(const std::string& table, DataSource& source);
  const std::string& LastLoadError() const { return lastLoadError_; }
  // Whether LoadAttributes read the cases on the way and keeps them for LoadCases.
  bool HasKeptCases() const { return kept_ != nullptr; }

  // A new case from one row's texts in column order (attributes, then the class). `row` is the
  // 1-based row number used in messages.
  Case ParseCase(const std::vector<std::string>& values, long row);
  // The same into the cells of `c` (MaxAtt + 2 of them), so that a caller scoring rows one at a
  // time keeps no case per row.
  void ParseCaseInPlace(const std::vector<std::string>& values, long row, Case c);

  // Hashes the value and class lists for a scope in which many rows are parsed; the attribute
  // table must not change meanwhile.
  class LookupsWhileReading {
   public:
    explicit LookupsWhileReading(CaseSet& cases);
    ~LookupsWhileReading();

   private:
    CaseSet& cases_;
  };

  // Releases every case, and the cases kept by LoadAttributes; MaxItem becomes -1.
  void FreeCases();

  // Writes input error `code` to the report stream: `name` is the attribute, `text` the value
  // and `row` the 1-based row number (the last two only for codes 4 and 5).
  void ReportInputError(int code, std::string_view name, std::string_view text, long row = 0);

  AttributeTable& Attributes() { return att_; }
  const AttributeTable& Attributes() const { return att_; }
  std::ostream& Report() { return report_; }

  std::vector<Case> Item;     // the cases; order is significant and permuted in place
  std::vector<float> Weight;  // one per case, kept in step with Item
  int32_t MaxItem = -1;       // index of the last case

  // Cells of cases, in blocks that never move, so that a case never moves once made. The first
  // block holds kCaseGrowth cases and each next one as many as the blocks before it, up to
  // kLargestCaseBlock bytes: few blocks for a large table, on whole cache lines and, from
  // kHugePage bytes on, on huge pages, since growing reads the cells of its cases in any order.
  struct CaseArena {
    struct Release {
      void operator()(AttValue* cells) const;
    };
    std::vector<std::unique_ptr<AttValue[], Release>> blocks;
    size_t casesInLastBlock = 0;
    size_t usedInLastBlock = 0;
    size_t casesInBlocks = 0;  // room in all blocks
    Case New(size_t width);
    // Takes over the other arena's blocks after its own; new cases go after the other's last.
    void Append(CaseArena&& other);
  };
  // Loaded cases held apart from the set, with the cells they point into.
  struct LoadedCases {
    std::vector<Case> Item;
    std::vector<float> Weight;
    int32_t MaxItem = -1;
    CaseArena arena;
  };
  // Exchanges the loaded cases with `other` (cases of a table loaded against the same
  // attributes), so that a job working on several tables in turn reads each one once.
  void ExchangeCases(LoadedCases& other);
  // A copy of the loaded cases in their present order, with their weights, in cells of its own.
  LoadedCases CopyCases() const;
  // Makes a copy of `cases` (read against this attribute table), in their order and with their
  // weights, the loaded cases, as if they had been read.
  void LoadCopy(const LoadedCases& cases);

 private:
  struct GatheredValues;
  struct RowsRead;
  struct KeptCases;

  // Parses one row into a new case of `arena`. With `gathered` the texts of discrete cells and
  // the class are numbered in the order they first come, to be renumbered once the value lists
  // are known; otherwise they are looked up in the attribute table.
  Case ParseCaseInto(const std::vector<std::string>& values, long row, CaseArena& arena,
                     std::ostream& errors, GatheredValues* gathered = nullptr) const;
  // Parses up to `limit` rows (all when negative) of the source's current result set, the
  // first numbered `firstRow`.
  void ReadRows(DataSource& source, long limit, long firstRow, CaseArena& arena,
                std::ostream& errors, std::vector<Case>& out,
                GatheredValues* gathered = nullptr) const;
  // Reads every row of `table` into `parts`, in table order: a large PostgreSQL table in two
  // halves at once, any other in one stream. With `gather`, discrete and class texts are
  // numbered as they come. False, with the source's error, when the table cannot be read to its
  // end; `parts` then holds what one stream read. With `classesOf` (an expression, see
  // SqliteStorageClasses), the table is read in one stream with that expression after its
  // columns, and the storage classes of the texts of `classCells` are noted as they come.
  bool ReadTableRows(const std::string& table, DataSource& source, bool gather,
                     std::vector<std::unique_ptr<RowsRead>>& parts,
                     const std::string& classesOf = "",
                     const std::vector<size_t>& classCells = {}) const;
  // Reads the rows of `rows` into `part` as ReadRows reads the data source's, numbers of
  // continuous cells taken from the stored numbers where they tell the same float as their text.
  // False when SQLite fails on the way (`part` then holds what was read).
  bool ReadSqliteRows(SqliteRows& rows, RowsRead& part, bool gather) const;
  // The cases of `parts`, in order, with their cells moved into `arena` after its own.
  static std::vector<Case> JoinParts(std::vector<std::unique_ptr<RowsRead>>& parts,
                                     CaseArena& arena);
  void SetItems(const std::vector<Case>& loaded);

  // The attribute table's columns and kinds, without values.
  void SetAttributeColumns(const std::vector<std::string>& names,
                           const std::vector<std::string>& types);
  // Fills the class names (when `classes` is given) and each discrete attribute's values from
  // texts in the database's order; "?" is no attribute value, and a text is listed once. Refuses
  // more classes or values of one attribute than the engine can count.
  Status SetValueLists(const std::string& table, const std::vector<std::string>* classes,
                       const std::vector<const std::vector<std::string>*>& valuesOfColumn);
  // Reads every row of `table` into cases while gathering the texts of the `grouped` columns,
  // which come back in the database's order (PostgreSQL and SQLite). nullptr when that cannot be
  // done; the caller then groups the values as on other databases.
  std::unique_ptr<KeptCases> ReadGatheringValues(const std::string& table, DataSource& source,
                                                 const std::vector<std::string>& grouped,
                                                 std::vector<std::vector<std::string>>& values);
  // Gives the kept cases their final value and class numbers, and their class messages.
  bool Renumber(KeptCases& kept) const;
  // Makes the kept cases the loaded ones, if they were read against this attribute table.
  bool TakeKept(KeptCases& kept);

  // Cells with `preset` set are filled already and their values are not read.
  void FillCase(const std::vector<std::string>& values, long row, Case c, std::ostream& errors,
                GatheredValues* gathered, const uint8_t* preset = nullptr) const;
  float ParseContinuous(std::string_view text, int attribute, long row, std::ostream& errors) const;

  std::ostream& report_;
  TargetKind target_;
  AttributeTable att_;
  CaseArena arena_;
  size_t caseWidth_ = 0;
  std::string lastLoadError_;
  std::unique_ptr<KeptCases> kept_;
  // By cell, lookups in the value and class lists while LoadCases reads rows; empty otherwise.
  std::vector<std::optional<NameLookup>> lookups_;
};

// Reserves room in steps of `step` entries, so that capacity grows 100, 200, 300 ... (or 1024,
// 2048, ...) as the model's arrays do.
template <typename T>
void GrowInSteps(std::vector<T>& v, size_t step) {
  if (v.size() == v.capacity()) v.reserve(v.capacity() + step);
}

}  // namespace quarry::dtree
