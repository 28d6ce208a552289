#pragma once
// Data text files: a header line of column names, a types line ("real" or "string" per column)
// and one comma-separated line per row. Import reads one into a new table; export writes a
// table as one.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/data/import_rows.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

// The messages the user sees.
inline constexpr const char* kImportBadStructure =
    "Please,you must choose a file with correct struct!";
inline constexpr const char* kExportBadFileName = "please insert a correct filename";

// Reads and checks the header and types lines: kIo with kImportCannotOpen when the file cannot
// be opened, kParse when it is not text and kParse with kImportBadStructure when a type is not
// "real"/"string" or the counts differ. A UTF-8 byte-order mark before the names is skipped.
Expected<DataFileHeader> ReadDataFileHeader(const std::string& path);

// The values of one data line, exactly as import splits it (all of them; import keeps as many
// as there are columns).
std::vector<std::string> SplitDataLine(std::string line);

// Imports the file into a new table `table`, over a connection of its own opened with
// `connectString` (kImportNoDatabase when that fails). The table must not exist yet. A line is
// one row however long it is; lines holding binary bytes are left out and counted.
Expected<ImportResult> ImportDataFile(const std::string& connectString, const std::string& path,
                                      const std::string& table, Progress& progress = NoProgress());

// Writes every row of `table` to `path` (created or truncated). Returns the number of rows.
Expected<long> ExportDataFile(DataSource& source, const std::string& table, const std::string& path,
                              Progress& progress = NoProgress());

}  // namespace quarry
