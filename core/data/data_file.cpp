#include "core/data/data_file.h"

#include <memory>
#include <utility>

#include "core/common/text_util.h"
#include "core/data/column_types.h"
#include "core/data/data_source.h"
#include "core/data/result_file_stream.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Header and types lines: ";" separates like ","; empty entries (such as the one after the
// ";" that ends an exported header) are dropped.
std::vector<std::string> SplitHeaderLine(const std::string& line) {
  std::string text(TrimRight(line));
  ReplaceAllInPlace(text, ';', ',');
  std::vector<std::string> out;
  for (const std::string& field : SplitFields(text, ',')) {
    std::string_view name = Trim(field);
    if (!name.empty()) out.emplace_back(name);
  }
  return out;
}

Expected<DataFileHeader> ReadHeader(TextLines& lines) {
  std::string names;
  std::string types;
  if (!lines.Next(names) || !lines.Next(types)) return ParseError(kImportBadStructure);
  DataFileHeader header{SplitHeaderLine(names), SplitHeaderLine(types)};
  if (header.names.empty() || header.names.size() != header.types.size()) {
    return ParseError(kImportBadStructure);
  }
  for (const std::string& type : header.types) {
    if (type != "real" && type != "string") return ParseError(kImportBadStructure);
  }
  return header;
}

class DataTextRows : public RowSource {
 public:
  explicit DataTextRows(std::string path) : path_(std::move(path)) {}

  Expected<DataFileHeader> Open() override {
    auto lines = TextLines::Open(path_);
    if (!lines) return lines.status();
    lines_ = std::move(lines.value());
    return ReadHeader(*lines_);
  }

  bool Next(FileRow& row) override {
    std::string line;
    while (lines_->Next(line)) {
      // A blank line (often the last one of a file) is no row.
      if (Trim(line).empty()) continue;
      row.line = lines_->LineNumber();
      row.unreadable = HoldsBinaryBytes(TrimRight(line));
      row.values = row.unreadable ? std::vector<std::string>() : SplitDataLine(std::move(line));
      return true;
    }
    return false;
  }

 private:
  std::string path_;
  std::unique_ptr<TextLines> lines_;
};

}  // namespace

Expected<DataFileHeader> ReadDataFileHeader(const std::string& path) {
  auto lines = TextLines::Open(path);
  if (!lines) return lines.status();
  return ReadHeader(**lines);
}

std::vector<std::string> SplitDataLine(std::string line) {
  line = std::string(TrimRight(line));
  ReplaceAllInPlace(line, ';', ',');
  if (const size_t bar = line.find('|'); bar != std::string::npos) line.erase(bar);
  // The blank lets ". " remove a row's terminating "."; the blank itself is not data.
  line += ' ';
  line = ReplaceAll(line, ". ", "");
  if (!line.empty() && line.back() == ' ') line.pop_back();
  return SplitFields(line, ',');
}

Expected<ImportResult> ImportDataFile(const std::string& connectString, const std::string& path,
                                      const std::string& table, Progress& progress) {
  DataTextRows file(path);
  return ImportRows(connectString, table, file, progress);
}

Expected<long> ExportDataFile(DataSource& source, const std::string& table, const std::string& path,
                              Progress& progress) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> names;
  std::vector<std::string> types;
  if (!source.FieldTypes(SelectAllFrom(table), names, types)) {
    return NotFound("cannot read table " + table + ": " + source.LastError());
  }
  // Written under a temporary name: a failed or stopped export leaves no partial file under the
  // file's name, and an older file of that name as it was.
  ResultFileStream file(path, /*makeFolders=*/false);
  if (!file.status().ok()) return IoError(kExportBadFileName);
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i ? "," : "") + names[i];
  text += ";\n";
  for (size_t i = 0; i < types.size(); ++i)
    text += std::string(i ? "," : "") + (IsNumericTypeName(types[i]) ? "real" : "string");
  text += "\n";
  if (!source.Query("Select * From " + QuoteIdent(table))) {
    return DatabaseError("cannot read table " + table + ": " + source.LastError());
  }
  long rows = 0;
  std::vector<std::string> values;
  for (bool more = source.FirstRow(values); more; more = source.NextRow(values)) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) text += ',';
      std::string value = values[i];
      ReplaceAllInPlace(value, ',', '.');
      text += value;
    }
    text += '\n';
    file.Drain(text);
    if (++rows % 10000 == 0) progress.Update("export", rows, -1);
    if (progress.Cancelled()) return Cancelled("export cancelled; " + path + " was not written");
  }
  if (Status s = file.Finish(text); !s.ok()) return s;
  return rows;
}

}  // namespace quarry
