#pragma once
// Sampling: a random sample of a table's rows, of a given percentage, copied into a new table.

#include <string>

#include "core/common/status.h"
#include "core/data/rand.h"
#include "core/jobs/progress.h"
#include "core/transform/column_choice.h"

namespace quarry {

class DataSource;

inline constexpr const char* kBadPercent = "Please, insert a correct percent in [0,100]";
inline constexpr const char* kBadTableName = "Please, insert a correct name for the table";
inline constexpr const char* kSampleCreated = "The new table in created";

struct SamplingParams {
  std::string table;
  std::string percent;   // "Sampling Percent:" as typed; its integer part counts
  NameQuestion newName;  // asked once the percent and the table have passed
};

struct SamplingResult {
  std::string table;  // the new table
  long rows = 0;      // rows of the source
  long sampled = 0;   // rows the new table received
  long refused = 0;   // sampled rows the database refused to insert
};

// Copies (integer part of percent) * rows / 100 rows, chosen by reservoir sampling (Algorithm Z)
// with `rand`, into a new table with the source's columns, in the source's order. The source is
// read once. Failures carry kBadPercent, kSelectTable, kBadTableName or the database's message
// and leave no new table behind.
Expected<SamplingResult> SampleTable(DataSource& source, const SamplingParams& params, Rand& rand,
                                     Progress& progress = NoProgress());

}  // namespace quarry
