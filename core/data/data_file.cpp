#include "core/data/data_file.h"

#include <cstdio>
#include <memory>

#include "core/common/text_util.h"
#include "core/data/column_types.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Reads the next line of at most kMaxDataLine characters, newline excluded; a longer line
// comes back in pieces.
bool ReadLine(FILE* file, std::string& line) {
  static thread_local std::vector<char> buffer(kMaxDataLine + 2);
  if (!std::fgets(buffer.data(), static_cast<int>(kMaxDataLine + 1), file)) return false;
  line.assign(buffer.data());
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return true;
}

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

}  // namespace

Expected<DataFileHeader> ReadDataFileHeader(const std::string& path) {
  File file(std::fopen(path.c_str(), "r"));
  if (!file) return IoError(kImportCannotOpen);
  std::string names;
  std::string types;
  if (!ReadLine(file.get(), names) || !ReadLine(file.get(), types)) return ParseError(kImportBadStructure);
  DataFileHeader header{SplitHeaderLine(names), SplitHeaderLine(types)};
  if (header.names.empty() || header.names.size() != header.types.size()) {
    return ParseError(kImportBadStructure);
  }
  for (const std::string& type : header.types) {
    if (type != "real" && type != "string") return ParseError(kImportBadStructure);
  }
  return header;
}

std::vector<std::string> SplitDataLine(std::string line, size_t columns) {
  line = std::string(TrimRight(line));
  ReplaceAllInPlace(line, ';', ',');
  if (const size_t bar = line.find('|'); bar != std::string::npos) line.erase(bar);
  // The blank lets ". " remove a row's terminating "."; the blank itself is not data.
  line += ' ';
  line = ReplaceAll(line, ". ", "");
  if (!line.empty() && line.back() == ' ') line.pop_back();
  std::vector<std::string> values = SplitFields(line, ',');
  if (values.size() > columns) values.resize(columns);
  return values;
}

Expected<ImportResult> ImportDataFile(const std::string& connectString, const std::string& path,
                                      const std::string& table, Progress& progress) {
  DataSource own;
  if (connectString.empty() || !own.Open(connectString)) return Status(StatusCode::kDatabase, kImportNoDatabase);
  auto header = ReadDataFileHeader(path);
  if (!header) return header.status();
  if (own.TableExists(table)) return InvalidArgument("table " + table + " exists already");

  ImportResult result;
  result.header = std::move(header.value());
  const DataFileHeader& h = result.header;
  if (!own.CreateTable(table, h.names, h.types)) {
    return DatabaseError("cannot create table " + table + ": " + own.LastError());
  }
  File file(std::fopen(path.c_str(), "r"));
  if (!file) return IoError(kImportCannotOpen);
  std::string line;
  ReadLine(file.get(), line);
  ReadLine(file.get(), line);
  own.BeginTransaction();
  long lineNumber = 0;
  while (ReadLine(file.get(), line)) {
    ++lineNumber;
    if (progress.Cancelled()) {
      own.Rollback();
      own.DropTable(table);
      return Cancelled("import cancelled; table " + table + " was not created");
    }
    // A blank line (often the last one of a file) is no row.
    if (Trim(line).empty()) continue;
    std::vector<std::string> values = SplitDataLine(line, h.names.size());
    if (own.InsertRow(table, h.names, h.types, values)) {
      ++result.rowsInserted;
    } else {
      ++result.rowsSkipped;
    }
    if (lineNumber % 10000 == 0) progress.Update("import", lineNumber, -1);
  }
  if (!own.Commit()) return DatabaseError("cannot commit the import: " + own.LastError());
  return result;
}

Expected<long> ExportDataFile(DataSource& source, const std::string& table, const std::string& path,
                              Progress& progress) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> names;
  std::vector<std::string> types;
  if (!source.FieldTypes(SelectAllFrom(table), names, types)) {
    return NotFound("cannot read table " + table + ": " + source.LastError());
  }
  File file(std::fopen(path.c_str(), "w"));
  if (!file) return IoError(kExportBadFileName);
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i ? "," : "") + names[i];
  text += ";\n";
  for (size_t i = 0; i < types.size(); ++i) text += std::string(i ? "," : "") + (IsNumericTypeName(types[i]) ? "real" : "string");
  text += "\n";
  std::fputs(text.c_str(), file.get());
  if (!source.Query("Select * From " + QuoteIdent(table))) {
    return DatabaseError("cannot read table " + table + ": " + source.LastError());
  }
  long rows = 0;
  std::vector<std::string> values;
  for (bool more = source.FirstRow(values); more; more = source.NextRow(values)) {
    text.clear();
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) text += ',';
      std::string value = values[i];
      ReplaceAllInPlace(value, ',', '.');
      text += value;
    }
    text += '\n';
    std::fputs(text.c_str(), file.get());
    if (++rows % 10000 == 0) progress.Update("export", rows, -1);
  }
  if (std::ferror(file.get()) || std::fclose(file.release()) != 0) return IoError("cannot write " + path);
  return rows;
}

}  // namespace quarry
