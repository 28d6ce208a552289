#pragma once
// What the file imports share: reading a text file line by line, however long its lines, the
// tally of the lines that did not import as they stand, and filling a new table with the rows a
// file reader hands over.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {

// Lines of one kind: how many, and the first few of their line numbers (1 is the file's first).
struct LineTally {
  static constexpr size_t kFirstLines = 5;
  long count = 0;
  std::vector<long> firstLines;
  void Add(long line);
};

// Column names and their types ("real" or "string"): a data text file's header, or the columns
// of a CSV file.
struct DataFileHeader {
  std::vector<std::string> names;
  std::vector<std::string> types;
};

struct ImportResult {
  DataFileHeader header;
  long rowsInserted = 0;
  LineTally refused;     // rows the database refused (a value that is not a number, say)
  LineTally shortRows;   // fewer values than columns: imported, the missing values NULL
  LineTally longRows;    // more values than columns: imported, the extra values dropped
  LineTally unreadable;  // binary bytes or an unfinished quote: not imported
};

// "N rows imported into TABLE", then one line for each kind of line that did not import as it
// stands: its count and its first line numbers.
std::string ImportSummary(const ImportResult& result, const std::string& table);

// The messages the user sees.
inline constexpr const char* kImportNoDatabase = "Please,you must open the database!";
inline constexpr const char* kImportCannotOpen = "It's impossible to open the file!";

// The message of a file that is not text.
std::string NotTextMessage(const std::string& path);

// Whether a line holds bytes no text line holds (NUL and the other control characters but tab;
// a CR ending the line is no part of it).
bool HoldsBinaryBytes(std::string_view line);

// A text file read line by line, a line whole however long it is. Opening refuses a file whose
// first block holds a NUL byte or is mostly control characters; a UTF-8 byte-order mark at its
// start is skipped.
class TextLines {
 public:
  // kIo with kImportCannotOpen when the file cannot be opened, kParse when it is not text.
  static Expected<std::unique_ptr<TextLines>> Open(const std::string& path);
  ~TextLines();
  TextLines(const TextLines&) = delete;
  TextLines& operator=(const TextLines&) = delete;

  // The next line without its "\n" (a "\r" before it stays); false at the end of the file.
  bool Next(std::string& line);
  // The number of the line Next gave last.
  long LineNumber() const { return lineNumber_; }

 private:
  explicit TextLines(FILE* file) : file_(file) {}
  FILE* file_;
  char* buffer_ = nullptr;
  size_t capacity_ = 0;
  long lineNumber_ = 0;
};

// One row a file reader hands over.
struct FileRow {
  long line = 0;  // the line it starts on
  std::vector<std::string> values;
  bool unreadable = false;
};

// A file an import reads: its columns, then its rows.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Opens the file and gives the columns of the new table.
  virtual Expected<DataFileHeader> Open() = 0;
  // The next row; false at the end of the file.
  virtual bool Next(FileRow& row) = 0;
};

// Imports the rows of `file` into the new table `table` over a connection of its own opened with
// `connectString` (kImportNoDatabase when that fails): short rows padded with NULL, long rows
// cut, unreadable ones left out, each kind tallied.
Expected<ImportResult> ImportRows(const std::string& connectString, const std::string& table,
                                  RowSource& file, Progress& progress);

}  // namespace quarry
