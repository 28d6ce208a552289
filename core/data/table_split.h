#pragma once
// Random table splitting: a percentage split into two tables, and a k-fold partition into K fold
// tables T0..T(K-1) and their complements T_escluso_0..T_escluso_(K-1). Targets have the
// source's columns and types. Each job makes and fills its tables in one transaction: one that
// fails leaves the database as it was, replaced tables included.

#include <string>

#include "core/common/status.h"
#include "core/data/rand.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

// What a split or a partition does with a target table that exists already.
enum class ExistingTargets { kRefuse, kReplace };

// The first target receives N * percent / 100 rows (integer division), the second the rest.
// A stop asked through `progress` ends it before its next row, with neither table made.
Status SplitTable(DataSource& source, const std::string& table, const std::string& first,
                  const std::string& second, int percent, Rand& rand,
                  Progress& progress = NoProgress(),
                  ExistingTargets existing = ExistingTargets::kRefuse);

std::string FoldTableName(const std::string& table, int fold);
std::string ComplementTableName(const std::string& table, int fold);

struct PartitionOptions {
  ExistingTargets existing = ExistingTargets::kRefuse;
  // The parts are named FoldTableName(parts, i) and ComplementTableName(parts, i); after the
  // source itself when empty.
  std::string parts;
  // Whether K may be more than the rows (some folds then stay empty).
  bool emptyFolds = false;
};

// K fold tables of at most (N - 1) / K + 1 rows each, and their complements. K is at least 2 (one
// fold would have an empty complement) and at most N unless `emptyFolds`.
Status PartitionTable(DataSource& source, int k, const std::string& table, Rand& rand,
                      Progress& progress = NoProgress(),
                      const PartitionOptions& options = PartitionOptions());

}  // namespace quarry
