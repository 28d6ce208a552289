#pragma once
// What several methods pruning the same grown tree can share, and what each one hands back
// besides its tree: tables read once and served from memory, the cross-validation fold trees
// grown once before the methods run, and the error the method estimated for the tree it chose.
// Everything shared is read only while the methods run, so they may run at once.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/pruning/error_complexity_cv.h"
#include "core/pruning/error_complexity_family.h"

namespace quarry::pruning {

// A table as reading it leaves the engine: its cases in the table's order with weight 1 (none
// when it has no rows), and what reading it wrote into the report.
struct TableRead {
  std::string table;
  dtree::CaseSet::LoadedCases cases;
  std::string messages;
};

// The ten fold trees and fold test cases, or why they could not be had, and what growing them
// wrote into the report (the first method to use them tells it where it would have grown them).
struct SharedFolds {
  std::vector<FoldTree> trees;
  Status status;
  std::string report;
};

// The error complexity family of the grown tree and each member's error rate on the pruning
// table, made by the first of the two methods that choose a member by them (with and without
// the one standard error rule) and taken by the other.
struct TestSetFamily {
  std::mutex lock;
  bool made = false;
  Status status;
  std::unique_ptr<TreeFamily> family;
  std::vector<float> rates;
  int cases = 0;       // in the pruning table
  std::string report;  // what making them wrote into the report
};

struct PruningShare {
  // Tables a method loads by name that are served from these copies instead of the database.
  const std::vector<TableRead>* tables = nullptr;
  // The fold trees, grown beforehand; without them a fold-table method grows its own.
  const SharedFolds* folds = nullptr;
  // Whether this method writes folds->report where it would have grown the folds.
  bool tellsFolds = false;
  // The error complexity family judged on the pruning table; without it each method makes its own.
  TestSetFamily* testSetFamily = nullptr;
  // Set by a method that chooses its tree by an error estimate: the chosen tree's, in percent.
  std::optional<double> estimate;
};

// The copy of `table` among `tables`; nullptr when it is not there.
const TableRead* FindTableRead(const std::vector<TableRead>* tables, const std::string& table);

}  // namespace quarry::pruning
