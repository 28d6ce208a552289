#pragma once
// Binarization: one column of a table becomes one 0/1 column per distinct value, named column +
// "_Value_" + value, of SQL type integer: 1 where the column equals the value, 0 where it holds
// another value, NULL where it is NULL. It makes tables of attribute values into tables of items
// for the association miner.
//
// Names and values of any form are safe: every name goes into SQL bracketed, and rows are
// compared with each distinct value as the database holds it (read back by its place in value
// order), never with the value's text, which for a number may have fewer digits than the number
// stored. Values that read as one text share one column. A new name that a column of the table has
// already (compared without regard to case, as SQLite compares names) gets no column: it would
// update the old one; the value is reported as skipped. Each job runs in one transaction: it
// changes everything or nothing.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
class WorkTables;
}  // namespace quarry

namespace quarry::assoc {

inline constexpr const char* kBinTable = "BinTable";

struct BinarizeResult {
  std::string table;                 // the table that holds the new columns
  std::vector<std::string> columns;  // the columns added, in value order
  std::vector<std::string> skipped;  // one line per value left without a column, saying why
};

std::string BinaryColumnName(const std::string& column, const std::string& value);

// Adds the "_Value_" columns of `column` to `table`; the column itself stays.
Expected<BinarizeResult> BinarizeColumn(DataSource& source, const std::string& table,
                                        const std::string& column);

// The "Binarize Table" option of the association miner: a copy of `table` named "BinTable"
// (or "BinTable1", ... when a table has that name) with every column binarized and then dropped,
// so that only "_Value_" columns remain. The copy is a work table of `work`, which drops it; the
// copies that killed runs left are dropped first, and no other table is ever replaced.
Expected<BinarizeResult> BinarizeTable(DataSource& source, WorkTables& work,
                                       const std::string& table, Progress& progress = NoProgress());

}  // namespace quarry::assoc
