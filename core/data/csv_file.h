#pragma once
// Plain CSV files: a header line of column names, then one line of values per row, separated by
// ",". A value may be quoted ("a, b"; "" inside quotes is one quote; a quoted value may run over
// several lines); lines may end in CRLF; an empty value is NULL. The file carries no types: they
// are guessed from the values (every value a number: "real", otherwise "string"), shown, and may
// be changed before the import.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/data/import_rows.h"
#include "core/jobs/progress.h"

namespace quarry {

// The rows whose values the type guess reads.
inline constexpr long kCsvGuessRows = 1000;

// Whether a file is imported as CSV when the user does not say: its name ends in ".csv" (any
// case).
bool IsCsvFileName(const std::string& path);

// The columns of a CSV file: the names its header line gives (an empty one becomes "columnN",
// N counted from 1) and the type each column's values suggest over the first `guessRows` rows:
// "real" when every value that is not empty reads as a number, "string" otherwise (and for a
// column with no value). kIo with kImportCannotOpen when the file cannot be opened, kParse when
// it is not text or has no header line. `examples`, when given, receives for each column its
// first kCsvExamples distinct values (NULL left out) in the order the file gives them, for a
// dialog to show beside the guess.
inline constexpr size_t kCsvExamples = 3;
Expected<DataFileHeader> GuessCsvColumns(const std::string& path, long guessRows = kCsvGuessRows,
                                         std::vector<std::vector<std::string>>* examples = nullptr);

// Imports the CSV file into the new table `table` with the columns `columns` (as
// GuessCsvColumns gives them, types and names possibly changed; one per column of the file),
// over a connection of its own opened with `connectString`. The header line is not imported.
// Rows with fewer or more values than columns, rows the database refuses and lines that cannot
// be read are counted in the result with their first line numbers.
Expected<ImportResult> ImportCsvFile(const std::string& connectString, const std::string& path,
                                     const std::string& table, const DataFileHeader& columns,
                                     Progress& progress = NoProgress());

}  // namespace quarry
