#include "core/data/import_rows.h"

#include <algorithm>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/transaction.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

constexpr size_t kSniffBytes = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\r') || c == 0x7F; }

// NUL anywhere, or more than one byte in twenty a control character (line ends aside).
bool LooksBinary(std::string_view block) {
  size_t controls = 0;
  for (char c : block) {
    if (c == '\0') return true;
    if (c != '\n' && c != '\f' && c != '\v' && IsControl(static_cast<unsigned char>(c))) {
      ++controls;
    }
  }
  return controls * 20 > block.size();
}

std::string TallyLine(const LineTally& tally, const std::string& what) {
  std::string text = std::to_string(tally.count) + " " + what + ": line";
  if (tally.count > 1) text += "s";
  for (size_t i = 0; i < tally.firstLines.size(); ++i) {
    text += (i ? ", " : " ") + std::to_string(tally.firstLines[i]);
  }
  if (tally.count > static_cast<long>(tally.firstLines.size())) text += ", ...";
  return text;
}

}  // namespace

void LineTally::Add(long line) {
  ++count;
  if (firstLines.size() < kFirstLines) firstLines.push_back(line);
}

std::string ImportSummary(const ImportResult& result, const std::string& table) {
  std::string text = std::to_string(result.rowsInserted) + " rows imported into " + table;
  const std::pair<const LineTally*, const char*> kinds[] = {
      {&result.refused, "rows refused by the database and skipped"},
      {&result.shortRows, "short rows (fewer values than columns) imported with NULL for the rest"},
      {&result.longRows, "long rows (more values than columns) imported without the extra values"},
      {&result.unreadable, "unreadable lines (binary bytes or an unfinished quote) left out"},
  };
  for (const auto& [tally, what] : kinds) {
    if (tally->count > 0) text += "\n" + TallyLine(*tally, what);
  }
  return text;
}

std::string NotTextMessage(const std::string& path) {
  return path + " is not a text file (it holds NUL bytes or other binary data)";
}

bool HoldsBinaryBytes(std::string_view line) {
  return std::any_of(line.begin(), line.end(),
                     [](char c) { return IsControl(static_cast<unsigned char>(c)); });
}

Expected<std::unique_ptr<TextLines>> TextLines::Open(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return IoError(kImportCannotOpen);
  std::unique_ptr<TextLines> lines(new TextLines(file));
  std::string block(kSniffBytes, '\0');
  block.resize(std::fread(block.data(), 1, block.size(), file));
  if (std::ferror(file)) return IoError(kImportCannotOpen);
  if (LooksBinary(block)) return ParseError(NotTextMessage(path));
  const bool marked = block.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0;
  std::fseek(file, marked ? static_cast<long>(kByteOrderMark.size()) : 0, SEEK_SET);
  return lines;
}

TextLines::~TextLines() {
  std::free(buffer_);
  std::fclose(file_);
}

bool TextLines::Next(std::string& line) {
  const ssize_t n = ::getline(&buffer_, &capacity_, file_);
  if (n < 0) return false;
  line.assign(buffer_, static_cast<size_t>(n));
  if (!line.empty() && line.back() == '\n') line.pop_back();
  ++lineNumber_;
  return true;
}

Expected<ImportResult> ImportRows(const std::string& connectString, const std::string& table,
                                  RowSource& file, Progress& progress) {
  if (Status s = CheckTableName(table); !s.ok()) return s;
  DataSource own;
  if (connectString.empty() || !own.Open(connectString)) {
    return Status(StatusCode::kDatabase, kImportNoDatabase);
  }
  auto header = file.Open();
  if (!header) return header.status();
  const Status exists = InvalidArgument("table " + table + " exists already");
  if (own.TableExists(table)) return exists;

  ImportResult result;
  result.header = std::move(header.value());
  const DataFileHeader& h = result.header;
  // The table is made and filled in one transaction: an import that fails, is stopped or is
  // killed leaves no table behind.
  Transaction transaction(own);
  if (!transaction.Begun().ok()) return transaction.Begun();
  if (own.TableExists(table)) return exists;
  if (!own.CreateTable(table, h.names, h.types)) {
    return DatabaseError("cannot create table " + table + ": " + own.LastError());
  }
  const size_t columns = h.names.size();
  FileRow row;
  long rows = 0;
  while (file.Next(row)) {
    if (progress.Cancelled())
      return Cancelled("import cancelled; table " + table + " was not created");
    if (row.unreadable) {
      result.unreadable.Add(row.line);
      continue;
    }
    if (row.values.size() < columns) {
      result.shortRows.Add(row.line);
    } else if (row.values.size() > columns) {
      // Empty values after the last column (a line ending in ",") lose nothing.
      if (std::any_of(row.values.begin() + static_cast<long>(columns), row.values.end(),
                      [](const std::string& v) { return !Trim(v).empty(); })) {
        result.longRows.Add(row.line);
      }
      row.values.resize(columns);
    }
    if (own.InsertRow(table, h.names, h.types, row.values)) {
      ++result.rowsInserted;
    } else {
      result.refused.Add(row.line);
    }
    if (++rows % 10000 == 0) progress.Update("import", rows, -1);
  }
  if (Status s = transaction.Commit(); !s.ok()) {
    return DatabaseError("cannot commit the import: " + own.LastError());
  }
  return result;
}

}  // namespace quarry
