#pragma once
// Internal to the case set: what a read that gathers value texts keeps until the value lists are
// known, and the cases that LoadAttributes keeps for the LoadCases that follows.

#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/text_numbers.h"
#include "core/dtree/case_set.h"

namespace quarry::dtree {

// Tables of at least this many rows are read in two halves at once where the database allows.
constexpr long kTwoStreamRows = 20000;

// Writes input error `code` (see CaseSet::ReportInputError) to `out`.
void WriteInputError(std::ostream& out, int code, std::string_view name, std::string_view text,
                     long row);

struct CaseSet::GatheredValues {
  explicit GatheredValues(int cells);
  // By cell: numbers of discrete values from 1 (0 is the unknown value) and of class texts
  // from 0, in the order the texts first come.
  std::vector<TextNumbers> numbers;
  // SQLite: the cells whose storage classes a row's last column gives, one letter each (see
  // SqliteStorageClasses); by cell, the class of each numbered text; whether a text came in two
  // classes (a text '1' and an integer 1 in a column without type).
  std::vector<size_t> classCells;
  std::vector<std::string> classes;
  bool mixedClasses = false;
  // Records the storage classes of `row`'s texts numbered in `c`.
  void NoteClasses(const std::vector<std::string>& row, Case c);
};

// One reader's rows: the whole table, or one half of it.
struct CaseSet::RowsRead {
  explicit RowsRead(int cells) : gathered(cells) {}
  std::vector<Case> cases;
  CaseArena arena;
  std::ostringstream errors;
  GatheredValues gathered;  // filled when the read gathers value texts
};

struct CaseSet::KeptCases {
  std::string table;
  const DataSource* source = nullptr;
  // The attribute table the cases were numbered against.
  std::vector<uint8_t> status;
  std::vector<int32_t> valueCount;
  int16_t maxClass = -1;
  std::vector<std::unique_ptr<RowsRead>> parts;  // as read, in table order, until renumbered
  // Once renumbered: the cases, their cells and the input messages.
  std::vector<Case> cases;
  CaseArena arena;
  std::string errors;
};

}  // namespace quarry::dtree
