#pragma once
// Data text files: a header line of column names, a types line ("real" or "string" per column)
// and one comma-separated line per row. Import reads one into a new table; export writes a
// table as one.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

// The messages the user sees.
inline constexpr const char* kImportNoDatabase = "Please,you must open the database!";
inline constexpr const char* kImportCannotOpen = "It's impossible to open the file!";
inline constexpr const char* kImportBadStructure = "Please,you must choose a file with correct struct!";
inline constexpr const char* kExportBadFileName = "please insert a correct filename";

// Longest line read at once; a longer line is read in pieces, each piece taken as a line.
inline constexpr size_t kMaxDataLine = 99999;

struct DataFileHeader {
  std::vector<std::string> names;
  std::vector<std::string> types;  // "real" or "string"
};

// Reads and checks the header and types lines: kIo with kImportCannotOpen when the file cannot
// be opened, kParse with kImportBadStructure when a type is not "real"/"string" or the counts
// differ.
Expected<DataFileHeader> ReadDataFileHeader(const std::string& path);

// The values of one data line, exactly as import splits it (at most `columns` values).
std::vector<std::string> SplitDataLine(std::string line, size_t columns);

struct ImportResult {
  DataFileHeader header;
  long rowsInserted = 0;
  long rowsSkipped = 0;  // rows the database refused
};

// Imports the file into a new table `table`, over a connection of its own opened with
// `connectString` (kImportNoDatabase when that fails). The table must not exist yet.
Expected<ImportResult> ImportDataFile(const std::string& connectString, const std::string& path,
                                      const std::string& table, Progress& progress = NoProgress());

// Writes every row of `table` to `path` (created or truncated). Returns the number of rows.
Expected<long> ExportDataFile(DataSource& source, const std::string& table, const std::string& path,
                              Progress& progress = NoProgress());

}  // namespace quarry
