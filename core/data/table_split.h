#pragma once
// Random table splitting: a percentage split into two tables, and a k-fold partition into K fold
// tables T0..T(K-1) and their complements T_escluso_0..T_escluso_(K-1). Targets have the
// source's columns and types; existing tables of those names are replaced.

#include <string>

#include "core/common/status.h"
#include "core/data/rand.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

// The first target receives N * percent / 100 rows (integer division), the second the rest.
Status SplitTable(DataSource& source, const std::string& table, const std::string& first,
                  const std::string& second, int percent, Rand& rand,
                  Progress& progress = NoProgress());

std::string FoldTableName(const std::string& table, int fold);
std::string ComplementTableName(const std::string& table, int fold);

// K fold tables of at most (N - 1) / K + 1 rows each, and their complements.
Status PartitionTable(DataSource& source, int k, const std::string& table, Rand& rand,
                      Progress& progress = NoProgress());

}  // namespace quarry
