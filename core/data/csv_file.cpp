#include "core/data/csv_file.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "core/common/number_text.h"
#include "core/common/text_util.h"

namespace quarry {

namespace {

constexpr const char* kNull = "?";

// The records of a CSV file, one row each; blank lines are no record.
class CsvRecords {
 public:
  explicit CsvRecords(TextLines& lines) : lines_(lines) {}

  bool Next(FileRow& row) {
    std::string line;
    do {
      if (!lines_.Next(line)) return false;
    } while (Trim(line).empty());
    row.line = lines_.LineNumber();
    row.values.clear();
    row.unreadable = false;
    std::string field;
    bool quoted = false;      // inside quotes
    bool wasQuoted = false;   // the field began with a quote
    bool afterQuote = false;  // its closing quote came
    while (true) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (HoldsBinaryBytes(line)) row.unreadable = true;
      for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
          if (c != '"') {
            field += c;
          } else if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            quoted = false;
            afterQuote = true;
          }
        } else if (c == ',') {
          Push(row, field, wasQuoted);
          wasQuoted = afterQuote = false;
        } else if (afterQuote) {
          if (c != ' ' && c != '\t') row.unreadable = true;  // text after a closing quote
        } else if (c == '"' && Trim(field).empty()) {
          field.clear();
          quoted = wasQuoted = true;
        } else {
          field += c;
        }
      }
      if (!quoted) break;
      // A quoted value goes on over the line end.
      if (!lines_.Next(line)) {
        row.unreadable = true;  // its closing quote never comes
        break;
      }
      field += '\n';
    }
    Push(row, field, wasQuoted);
    return true;
  }

 private:
  static void Push(FileRow& row, std::string& field, bool wasQuoted) {
    const bool empty = wasQuoted ? field.empty() : Trim(field).empty();
    row.values.push_back(empty ? kNull : std::move(field));
    field.clear();
  }

  TextLines& lines_;
};

// The file opened and its header record read: the names, an empty one named by its position.
struct OpenedCsv {
  std::unique_ptr<TextLines> lines;
  std::unique_ptr<CsvRecords> records;
  std::vector<std::string> names;
};

Expected<OpenedCsv> OpenCsv(const std::string& path) {
  auto lines = TextLines::Open(path);
  if (!lines) return lines.status();
  OpenedCsv csv;
  csv.lines = std::move(lines.value());
  csv.records = std::make_unique<CsvRecords>(*csv.lines);
  FileRow header;
  if (!csv.records->Next(header) || header.unreadable) {
    return ParseError(path + " has no header line of column names");
  }
  for (size_t i = 0; i < header.values.size(); ++i) {
    const std::string_view name = Trim(header.values[i]);
    csv.names.push_back(name.empty() || name == kNull ? "column" + std::to_string(i + 1)
                                                      : std::string(name));
  }
  return csv;
}

class CsvRows : public RowSource {
 public:
  CsvRows(std::string path, DataFileHeader columns)
      : path_(std::move(path)), columns_(std::move(columns)) {}

  Expected<DataFileHeader> Open() override {
    auto csv = OpenCsv(path_);
    if (!csv) return csv.status();
    csv_ = std::move(csv.value());
    const size_t n = csv_.names.size();
    if (columns_.names.size() != n || columns_.types.size() != n) {
      return InvalidArgument(path_ + " has " + std::to_string(n) + " columns, " +
                             std::to_string(columns_.names.size()) + " were given");
    }
    for (const std::string& type : columns_.types) {
      if (type != "real" && type != "string") {
        return InvalidArgument("a column of a CSV file is real or string, not " + type);
      }
    }
    return columns_;
  }

  bool Next(FileRow& row) override { return csv_.records->Next(row); }

 private:
  std::string path_;
  DataFileHeader columns_;
  OpenedCsv csv_;
};

}  // namespace

bool IsCsvFileName(const std::string& path) {
  return EqualsIgnoreCase(std::filesystem::path(path).extension().string(), ".csv");
}

Expected<DataFileHeader> GuessCsvColumns(const std::string& path, long guessRows,
                                         std::vector<std::vector<std::string>>* examples) {
  auto csv = OpenCsv(path);
  if (!csv) return csv.status();
  const size_t n = csv->names.size();
  if (examples) examples->assign(n, {});
  std::vector<bool> anyValue(n, false);
  std::vector<bool> allNumbers(n, true);
  FileRow row;
  for (long read = 0; read < guessRows && csv->records->Next(row); ++read) {
    if (row.unreadable) continue;
    for (size_t i = 0; i < n && i < row.values.size(); ++i) {
      if (row.values[i] == kNull) continue;
      anyValue[i] = true;
      if (!ParseNumber(row.values[i])) allNumbers[i] = false;
      if (!examples) continue;
      std::vector<std::string>& seen = (*examples)[i];
      if (seen.size() < kCsvExamples &&
          std::find(seen.begin(), seen.end(), row.values[i]) == seen.end())
        seen.push_back(row.values[i]);
    }
  }
  DataFileHeader columns;
  columns.names = std::move(csv->names);
  for (size_t i = 0; i < n; ++i)
    columns.types.push_back(anyValue[i] && allNumbers[i] ? "real" : "string");
  return columns;
}

Expected<ImportResult> ImportCsvFile(const std::string& connectString, const std::string& path,
                                     const std::string& table, const DataFileHeader& columns,
                                     Progress& progress) {
  CsvRows file(path, columns);
  return ImportRows(connectString, table, file, progress);
}

}  // namespace quarry
