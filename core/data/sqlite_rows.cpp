#include "core/data/sqlite_rows.h"

#include <sqlite3.h>

#include <atomic>
#include <cctype>
#include <cstring>

#include "core/data/cell_number_text.h"

namespace quarry {

namespace {

std::atomic<bool> readDirectly{true};
std::atomic<long> rowsReadDirectly{0};

// The driver's text of a blob: X'...' with the bytes in upper-case hexadecimal.
void BlobText(const unsigned char* bytes, int size, std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  text.assign("X'");
  for (int i = 0; i < size; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  text += '\'';
}

}  // namespace

void ReadSqliteRowsDirectly(bool on) { readDirectly = on; }

long SqliteRowsReadDirectly() { return rowsReadDirectly.load(); }

SqliteRows::SqliteRows(DataSource& source) : source_(source) {
  source_.Lock();
  sqlite3* connection = source_.sqliteConnection_;
  const std::string& sql = source_.resultSql_;
  // The statement must be the driver's as it stands: one statement, read only, none of the
  // escapes in braces a driver may rewrite, and giving the columns the driver described.
  if (!readDirectly || connection == nullptr || !source_.result_.valid() ||
      source_.resultFetched_ || !source_.recordCells_.empty() ||
      sql.find('{') != std::string::npos) {
    return;
  }
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size()), &statement,
                         &tail) != SQLITE_OK ||
      statement == nullptr) {
    sqlite3_finalize(statement);
    return;
  }
  while (tail != nullptr && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';'))
    ++tail;
  const int columns = sqlite3_column_count(statement);
  if ((tail != nullptr && *tail != '\0') || !sqlite3_stmt_readonly(statement) ||
      columns != source_.resultColumns_ ||
      static_cast<size_t>(columns) != source_.resultKinds_.size()) {
    sqlite3_finalize(statement);
    return;
  }
  statement_ = statement;
  columns_ = columns;
}

SqliteRows::~SqliteRows() {
  sqlite3_finalize(statement_);
  source_.Unlock();
}

bool SqliteRows::Next() {
  if (statement_ == nullptr || failed_) return false;
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    rowsReadDirectly.fetch_add(1, std::memory_order_relaxed);
    return true;
  }
  failed_ = rc != SQLITE_DONE;
  return false;
}

void SqliteRows::Finish() {
  if (statement_ != nullptr && !failed_) source_.EndResult();
}

// The cell's value is read through the value object the statement holds for it: one call into
// the statement (each takes the connection's mutex) instead of one for its type and one for its
// value. The value is only read here, on the thread that holds the data source, before the next
// step.
void SqliteRows::Text(int column, std::string& text) {
  sqlite3_value* value = sqlite3_column_value(statement_, column);
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      text.assign("?");
      return;
    case SQLITE_BLOB:
      BlobText(static_cast<const unsigned char*>(sqlite3_value_blob(value)),
               sqlite3_value_bytes(value), text);
      return;
    default:
      break;
  }
  const char* chars = reinterpret_cast<const char*>(sqlite3_value_text(value));
  size_t size = static_cast<size_t>(sqlite3_value_bytes(value));
  if (chars == nullptr) size = 0;
  // The driver's text ends at the first NUL.
  if (const void* nul = size > 0 ? std::memchr(chars, '\0', size) : nullptr; nul != nullptr)
    size = static_cast<size_t>(static_cast<const char*>(nul) - chars);
  text.assign(chars, size);
  DataSource::NormalizeCell(text, source_.resultKinds_[static_cast<size_t>(column)]);
}

std::optional<float> SqliteRows::Single(int column) {
  // A single-precision column's text has 7 digits, read only from the text.
  if (source_.resultKinds_[static_cast<size_t>(column)] == DataSource::CellKind::kSingle)
    return std::nullopt;
  sqlite3_value* value = sqlite3_column_value(statement_, column);
  switch (sqlite3_value_type(value)) {
    case SQLITE_FLOAT:
      return SingleOfStoredReal(sqlite3_value_double(value));
    case SQLITE_INTEGER:
      return SingleOfStoredInteger(sqlite3_value_int64(value));
    default:
      return std::nullopt;
  }
}

}  // namespace quarry
