#include "core/data/data_source.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sqlite3.h>

#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/cell_number_text.h"
#include "core/data/column_types.h"
#include "core/data/connect_string.h"
#include "core/data/fault_injection.h"
#include "core/data/postgres_session.h"
#include "core/data/record_text.h"
#include "core/data/sql_lexer.h"
#include "core/data/sql_quote.h"
#include "core/data/sqlite_library.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

using Guard = std::lock_guard<SourceLock>;

// Type names that stand for no SQL type would make CREATE TABLE fail; such columns hold text.
std::string SqlTypeOfTypeName(const std::string& type) {
  static const char* const kNoSqlType[] = {"",
                                           "No value specified",
                                           "Unknown type!!",
                                           "Ole pointer",
                                           "Ole automation",
                                           "User defined type"};
  for (const char* n : kNoSqlType) {
    if (type == n) return "string";
  }
  return type;
}

// Whether the first word of the statement (after blanks and comments) is `word`.
bool StartsWithWord(const std::string& sql, std::string_view word) {
  for (const SqlToken& token : LexSql(sql)) {
    if (token.IsSignificant()) return token.IsWord(word);
  }
  return false;
}

constexpr const char* kLostTransaction = "the database rolled the transaction back: ";

// SQLite's word for a lock another connection holds past the wait.
bool IsBusyText(const std::string& message) {
  return message.find("database is locked") != std::string::npos;
}

// How long an SQLite connection waits for another one's lock.
long BusyWaitMilliseconds() {
  const char* text = std::getenv("QUARRY_BUSY_WAIT");
  const double seconds = text != nullptr && *text != '\0' ? std::atof(text) : kBusyWaitSeconds;
  return seconds > 0 ? static_cast<long>(seconds * 1000) : 0;
}

uint32_t BigEndian(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// Why an SQLite database file cannot be whole, by its header and its size; empty when it may
// be. SQLite would take a cut file for a smaller database and show no tables, or fail late.
std::string SqliteFileDamage(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size == 0) return std::string();  // an empty file is an empty database
  const std::string notWhole = path + " is not a whole SQLite database file";
  unsigned char header[100] = {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::string();  // the driver says why it cannot be read
  const size_t read = std::fread(header, 1, sizeof(header), file);
  std::fclose(file);
  static const char kMagic[] = "SQLite format 3";  // and its terminating zero
  if (read < sizeof(header) || std::memcmp(header, kMagic, sizeof(kMagic)) != 0) return notWhole;
  uint32_t pageSize = BigEndian(header + 16, 2);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || size % pageSize != 0)
    return notWhole + " (" + std::to_string(size) + " bytes)";
  // The page count in the header holds where the counter it was written with is the file's.
  const bool countValid = BigEndian(header + 92, 4) == BigEndian(header + 24, 4);
  const uint64_t pages = BigEndian(header + 28, 4);
  if (countValid && pages * pageSize > size && !std::filesystem::exists(path + "-wal", ec)) {
    return notWhole + " (" + std::to_string(size) + " of " + std::to_string(pages * pageSize) +
           " bytes)";
  }
  return std::string();
}

// Catalog column types that describe an SQLite expression without a declared type.
constexpr const char* kUndeclaredSqliteType = "varchar";

// Room for a bound cell's text: most cells fit at once; a column whose cells are longer gets room
// for the longest it has met, up to the most; longer cells are read in pieces.
constexpr size_t kBoundCellBytes = 256;
constexpr size_t kBoundRowValueBytes = 4096;  // a row value text of PostgreSQL
constexpr size_t kMostBoundCellBytes = 65536;

std::atomic<bool> bindResultCells{true};

}  // namespace

DataSource::DataSource() : cellBuffer_(1024) {}

DataSource::~DataSource() { Close(); }

bool DataSource::Fail(const std::string& message) {
  lastError_ = message;
  return false;
}

std::string DataSource::LastError() const {
  Guard guard(mutex_);
  return lastError_;
}

bool DataSource::IsOpen() const { return open_.load(); }

std::string DataSource::ConnectString() const {
  std::lock_guard<std::mutex> state(stateMutex_);
  return connectString_;
}

void DataSource::SetCurrentTable(const std::string& table) {
  std::lock_guard<std::mutex> state(stateMutex_);
  currentTable_ = table;
}

std::string DataSource::CurrentTable() const {
  std::lock_guard<std::mutex> state(stateMutex_);
  return currentTable_;
}

void BindResultCells(bool on) { bindResultCells = on; }

void DataSource::ResetResult() {
  // The statement goes first: its bindings point into the buffers.
  result_ = odbc::Statement();
  boundCells_.clear();
  boundLengths_.clear();
  resultKinds_.clear();
  recordCells_.clear();
  plainCells_.clear();
  resultSql_.clear();
  resultColumns_ = 0;
  resultFetched_ = false;
  resultAtEnd_ = false;
}

bool DataSource::Open(const std::string& connectString) {
  Guard guard(mutex_);
  Close();
  // The connect string is kept in the working folder for the record, never with its password.
  if (EnsureWorkingFolder().ok()) {
    WriteResultFile(WorkingFile("prova.txt"), MaskPassword(connectString), /*privateFile=*/true);
  }
  return Connect(connectString);
}

bool DataSource::Connect(const std::string& connectString) {
  if (auto file = SqliteDatabaseFile(connectString)) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*file, ec)) return Fail("no database file " + *file);
    if (std::string damage = SqliteFileDamage(*file); !damage.empty()) return Fail(damage);
  }
  if (!env_) {
    auto env = odbc::Environment::Create();
    if (!env) return Fail(env.status().message());
    env_ = std::make_unique<odbc::Environment>(std::move(env.value()));
  }
  // SQLite's driver waits for another connection's lock as long as its Timeout says (its own
  // busy handler, which no pragma replaces); the user's own Timeout stands.
  std::string driverString = connectString;
  if (SqliteDatabaseFile(connectString) && !ConnectStringValue(connectString, "Timeout")) {
    driverString =
        WithConnectValue(connectString, "Timeout", std::to_string(BusyWaitMilliseconds()));
  }
  // The connection SQLite opens for the driver is noted on this thread
  // (core/data/sqlite_library.h): reading a table's rows through SQLite itself on that connection
  // spares the driver's text of every cell.
  ForgetSqliteOpens();
  auto connection = odbc::Connection::Connect(*env_, driverString);
  sqlite3* sqlite = OnlySqliteOpenSinceForget();
  ForgetSqliteOpens();
  if (!connection) return Fail(MaskPassword(connection.status().message()));
  const DbmsKind kind = DbmsKindFromName(connection->DbmsName());
  if (kind == DbmsKind::kPostgres) {
    // The driver options only take effect at connect time; the kind of database is known only
    // once connected (a DSN names no database kind), so the first connection is replaced.
    if (!HasPostgresDriverOptions(connectString)) {
      connection = odbc::Connection::Connect(*env_, WithPostgresDriverOptions(connectString));
      if (!connection) return Fail(MaskPassword(connection.status().message()));
    }
    for (const std::string& setting : PostgresSessionSettings()) {
      auto statement = odbc::Statement::Allocate(*connection);
      if (!statement) return Fail(statement.status().message());
      if (Status status = statement->ExecDirect(setting); !status.ok())
        return Fail(status.message());
    }
  }
  connection_ = std::move(connection.value());
  dialect_ = SqlDialect(kind);
  sqliteConnection_ = nullptr;
  if (auto file = SqliteDatabaseFile(connectString); file && sqlite && kind == DbmsKind::kSqlite) {
    // Only the file this data source names: anything else opened meanwhile is not its own.
    const char* opened = sqlite3_db_filename(sqlite, "main");
    std::error_code ec;
    if (opened != nullptr && *opened != '\0' && std::filesystem::equivalent(opened, *file, ec))
      sqliteConnection_ = sqlite;
  }
  SQLUINTEGER getDataExtensions = 0;
  driverReadsBoundCells_ =
      odbc::Succeeded(SQLGetInfo(connection_.get(), SQL_GETDATA_EXTENSIONS, &getDataExtensions,
                                 sizeof(getDataExtensions), nullptr)) &&
      (getDataExtensions & SQL_GD_BOUND) != 0;
  {
    std::lock_guard<std::mutex> state(stateMutex_);
    connectString_ = connectString;
  }
  open_.store(true);
  return true;
}

std::unique_ptr<DataSource> DataSource::OpenSibling() {
  Guard guard(mutex_);
  // An SQLite file or a PostgreSQL database is the same database seen from a second
  // connection (elsewhere the connect string may not name one database), and only committed
  // data is: the sibling would not see this connection's open transaction.
  if (!connection_.valid() || inTransaction_) return nullptr;
  const bool postgres = dialect_.kind() == DbmsKind::kPostgres;
  if (!postgres && !SqliteDatabaseFile(connectString_)) return nullptr;
  auto sibling = std::make_unique<DataSource>();
  // Known to be PostgreSQL already: connected once, with the driver options, not twice.
  if (!sibling->Connect(postgres ? WithPostgresDriverOptions(connectString_) : connectString_))
    return nullptr;
  return sibling;
}

void DataSource::CloseResult() {
  Guard guard(mutex_);
  ResetResult();
}

void DataSource::Close() {
  Guard guard(mutex_);
  if (inTransaction_) Rollback();
  ResetResult();
  open_.store(false);
  sqliteConnection_ = nullptr;
  connection_ = odbc::Connection();
  ++connectionSerial_;
  std::lock_guard<std::mutex> state(stateMutex_);
  connectString_.clear();
}

bool DataSource::CreateSqliteFile(const std::string& path, std::string* error) {
  auto env = odbc::Environment::Create();
  if (!env) {
    if (error) *error = env.status().message();
    return false;
  }
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    if (error) *error = "file exists already: " + path;
    return false;
  }
  // Without NoCreat the driver creates the file; a first statement makes it a real database.
  auto connection = odbc::Connection::Connect(*env, "DRIVER=SQLite3;Database=" + path);
  if (!connection) {
    if (error) *error = connection.status().message();
    return false;
  }
  auto statement = odbc::Statement::Allocate(*connection);
  if (!statement) return false;
  Status status = statement->ExecDirect("PRAGMA user_version = 0");
  if (!status.ok() && error) *error = status.message();
  return status.ok();
}

bool DataSource::ListTables(std::vector<std::string>& names) {
  if (!ListAllTables(names)) return false;
  std::erase_if(
      names, [this](const std::string& name) { return dialect_.SameName(name, kWorkTableLedger); });
  return true;
}

bool DataSource::ListAllTables(std::vector<std::string>& names) {
  Guard guard(mutex_);
  names.clear();
  if (!connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  SQLRETURN rc = SQLTables(statement->get(), nullptr, 0, nullptr, 0, nullptr, 0,
                           reinterpret_cast<SQLCHAR*>(const_cast<char*>("TABLE")), SQL_NTS);
  if (!odbc::Succeeded(rc)) return Fail(statement->Diagnostics());
  char name[1024];
  char type[256];
  while (odbc::Succeeded(SQLFetch(statement->get()))) {
    SQLLEN nameLength = 0;
    SQLLEN typeLength = 0;
    if (!odbc::Succeeded(
            SQLGetData(statement->get(), 3, SQL_C_CHAR, name, sizeof(name), &nameLength)) ||
        !odbc::Succeeded(
            SQLGetData(statement->get(), 4, SQL_C_CHAR, type, sizeof(type), &typeLength))) {
      continue;
    }
    if (nameLength == SQL_NULL_DATA || typeLength == SQL_NULL_DATA) continue;
    if (std::string_view(type) == "TABLE") names.emplace_back(name);
  }
  return true;
}

bool DataSource::TableExists(const std::string& name) {
  std::vector<std::string> names;
  if (!ListTables(names)) return false;
  for (const std::string& n : names) {
    if (dialect_.SameName(n, name)) return true;
  }
  return false;
}

bool DataSource::DescribeColumns(odbc::Statement& statement, std::vector<std::string>* names,
                                 std::vector<std::string>* types,
                                 std::vector<std::string>* declared) {
  SQLSMALLINT count = 0;
  if (!odbc::Succeeded(SQLNumResultCols(statement.get(), &count)))
    return Fail(statement.Diagnostics());
  for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(count); ++column) {
    SQLCHAR name[1024] = {0};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    if (!odbc::Succeeded(SQLDescribeCol(statement.get(), column, name, sizeof(name), &nameLength,
                                        &sqlType, &size, &digits, &nullable))) {
      return Fail(statement.Diagnostics());
    }
    if (names) names->emplace_back(reinterpret_cast<char*>(name));
    if (types) types->push_back(TypeNameOfSqlType(sqlType));
    if (declared) {
      char typeName[256] = {0};
      SQLSMALLINT typeLength = 0;
      SQLColAttribute(statement.get(), column, SQL_DESC_TYPE_NAME, typeName, sizeof(typeName),
                      &typeLength, nullptr);
      declared->emplace_back(typeName);
    }
  }
  return true;
}

bool DataSource::FieldNames(const std::string& query, std::vector<std::string>& names) {
  std::vector<std::string> types;
  return FieldTypes(query, names, types);
}

bool DataSource::FieldTypes(const std::string& query, std::vector<std::string>& names,
                            std::vector<std::string>& types) {
  Guard guard(mutex_);
  names.clear();
  types.clear();
  if (!connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  // Only the description is needed: wrapping the query keeps a large table from being read.
  std::string inner(TrimRight(query));
  while (!inner.empty() && inner.back() == ';') inner.pop_back();
  Status status = statement->ExecDirect(
      dialect_.Rewrite("select * from (" + inner + ") quarry_columns where 1=0"));
  if (!status.ok()) {
    statement->CloseCursor();
    status = statement->ExecDirect(dialect_.Rewrite(query));
    if (!status.ok()) return Fail(status.message());
  }
  const bool ok = DescribeColumns(*statement, &names, &types, nullptr);
  statement->CloseCursor();
  return ok;
}

DataSource::CellKind DataSource::CellKindOf(odbc::Statement& statement, int column) {
  SQLLEN sqlType = 0;
  SQLColAttribute(statement.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_DESC_CONCISE_TYPE,
                  nullptr, 0, nullptr, &sqlType);
  if (sqlType == SQL_DOUBLE || sqlType == SQL_FLOAT) return CellKind::kDouble;
  if (sqlType == SQL_REAL) return CellKind::kSingle;
  if (sqlType == SQL_DECIMAL || sqlType == SQL_NUMERIC) return CellKind::kDecimal;
  if (sqlType == SQL_BIT) return CellKind::kBoolean;
  return CellKind::kText;
}

bool DataSource::StartResult(odbc::Statement statement, const std::string& nativeSql) {
  SQLSMALLINT count = 0;
  if (!odbc::Succeeded(SQLNumResultCols(statement.get(), &count)))
    return Fail(statement.Diagnostics());
  if (recordCells_.empty()) {
    resultKinds_.assign(static_cast<size_t>(count), CellKind::kText);
    for (int column = 0; column < count; ++column) {
      const CellKind kind = CellKindOf(statement, column);
      // The driver itself writes a boolean as 1 or 0.
      if (kind != CellKind::kBoolean) resultKinds_[static_cast<size_t>(column)] = kind;
    }
  }
  result_ = std::move(statement);
  resultSql_ = nativeSql;
  resultColumns_ = count;
  resultFetched_ = false;
  resultAtEnd_ = false;
  if (!BindCells()) {
    SQLFreeStmt(result_.get(), SQL_UNBIND);
    boundCells_.clear();
    boundLengths_.clear();
  }
  return true;
}

bool DataSource::BindCells() {
  boundCells_.clear();
  boundLengths_.clear();
  if (!driverReadsBoundCells_ || !bindResultCells || resultColumns_ == 0) return false;
  boundLengths_.assign(static_cast<size_t>(resultColumns_), 0);
  for (int column = 0; column < resultColumns_; ++column) {
    const bool rowValue = column == 0 && !recordCells_.empty();
    std::vector<char>& buffer =
        boundCells_.emplace_back(rowValue ? kBoundRowValueBytes : kBoundCellBytes);
    if (!odbc::Succeeded(SQLBindCol(result_.get(), static_cast<SQLUSMALLINT>(column + 1),
                                    SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()),
                                    &boundLengths_[static_cast<size_t>(column)]))) {
      return false;
    }
  }
  return true;
}

bool DataSource::Query(const std::string& sql) {
  Guard guard(mutex_);
  ResetResult();
  if (!connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  const std::string native = dialect_.Rewrite(sql);
  Status status = statement->ExecDirect(native);
  if (!status.ok()) return Fail(status.message());
  return StartResult(std::move(statement.value()), native);
}

bool DataSource::QueryTable(const std::string& table, long skip) {
  std::string tail;
  if (skip > 0) {
    tail = (dialect_.kind() == DbmsKind::kSqlite ? " limit -1 offset " : " offset ") +
           std::to_string(skip);
  }
  if (dialect_.kind() != DbmsKind::kPostgres) return Query(SelectAllFrom(table) + tail);
  Guard guard(mutex_);
  ResetResult();
  if (!connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  Status status = statement->ExecDirect(dialect_.Rewrite(SelectAllFrom(table) + " where 1=0"));
  if (!status.ok()) return Fail(status.message());
  std::vector<std::string> names;
  std::vector<std::string> typeNames;
  if (!DescribeColumns(*statement, &names, nullptr, &typeNames)) return false;
  // The fields of a row value text are the server's texts: columns whose text the driver
  // rewrites are read as cells, booleans only where the driver takes them for bits, whose 1 and
  // 0 the data source writes in their place.
  std::string record;
  std::string plain;
  for (size_t i = 0; i < names.size(); ++i) {
    CellKind kind = CellKindOf(*statement, static_cast<int>(i));
    const bool same = (kind == CellKind::kBoolean && typeNames[i] == "bool") ||
                      DriverKeepsServerText(typeNames[i]);
    if (kind == CellKind::kBoolean && !same) kind = CellKind::kText;
    resultKinds_.push_back(kind);
    if (same) {
      record += (record.empty() ? "" : ",") + QuoteIdent(names[i]);
      recordCells_.push_back(static_cast<int>(i));
    } else {
      plain += "," + QuoteIdent(names[i]);
      plainCells_.push_back(static_cast<int>(i));
    }
  }
  statement->CloseCursor();
  // One column in a row value gains nothing.
  if (recordCells_.size() < 2) return Query(SelectAllFrom(table) + tail);
  const std::string native = dialect_.Rewrite("select row(" + record + ")::text" + plain +
                                              " from " + QuoteIdent(table) + tail);
  status = statement->ExecDirect(native);
  if (!status.ok()) {
    ResetResult();
    return Fail(status.message());
  }
  return StartResult(std::move(statement.value()), native);
}

std::string DataSource::ResultStatement() const {
  Guard guard(mutex_);
  return resultSql_;
}

bool DataSource::ResultAtEnd() const {
  Guard guard(mutex_);
  return resultAtEnd_;
}

long DataSource::RowCount() {
  Guard guard(mutex_);
  if (!result_.valid()) return -1;
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return -1;
  std::string inner(TrimRight(resultSql_));
  while (!inner.empty() && inner.back() == ';') inner.pop_back();
  if (!statement->ExecDirect("select count(*) from (" + inner + ") quarry_rows").ok()) return -1;
  if (!odbc::Succeeded(SQLFetch(statement->get()))) return -1;
  SQLBIGINT count = 0;
  SQLLEN indicator = 0;
  if (!odbc::Succeeded(SQLGetData(statement->get(), 1, SQL_C_SBIGINT, &count, 0, &indicator)))
    return -1;
  return static_cast<long>(count);
}

bool DataSource::ReadCell(int column, std::string& value, std::string_view* whole) {
  value.clear();
  while (true) {
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(result_.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                   cellBuffer_.data(), static_cast<SQLLEN>(cellBuffer_.size()), &indicator);
    if (rc != SQL_NO_DATA && !odbc::Succeeded(rc)) return Fail(result_.Diagnostics());
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
      if (rc != SQL_NO_DATA) value = "?";
      if (whole) *whole = value;
      return true;
    }
    const size_t room = cellBuffer_.size() - 1;
    if (rc == SQL_SUCCESS_WITH_INFO &&
        (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room)) {
      value.append(cellBuffer_.data(), room);  // truncated: the rest follows in the next call
      continue;
    }
    if (whole && value.empty()) {
      // Whole in one piece: read in place.
      *whole = std::string_view(cellBuffer_.data(), static_cast<size_t>(indicator));
      return true;
    }
    value.append(cellBuffer_.data(), static_cast<size_t>(indicator));
    if (whole) *whole = value;
    return true;
  }
}

bool DataSource::TakeCell(int column, std::string& value, std::string_view* whole) {
  if (boundCells_.empty()) return ReadCell(column, value, whole);
  const size_t c = static_cast<size_t>(column);
  const SQLLEN length = boundLengths_[c];
  if (length == SQL_NULL_DATA) {
    value = "?";
    if (whole) *whole = value;
    return true;
  }
  std::vector<char>& buffer = boundCells_[c];
  if (length >= 0 && static_cast<size_t>(length) < buffer.size()) {
    const std::string_view text(buffer.data(), static_cast<size_t>(length));
    if (whole) {
      *whole = text;
    } else {
      value.assign(text);
    }
    return true;
  }
  // Cut short: read whole from the driver, and give the column room for such a cell from the
  // next row on (a new binding takes effect at the next fetch).
  if (length != SQL_NO_TOTAL && static_cast<size_t>(length) < kMostBoundCellBytes) {
    std::vector<char> wider(std::max(buffer.size() * 2, static_cast<size_t>(length) + 1));
    if (odbc::Succeeded(SQLBindCol(result_.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                                   wider.data(), static_cast<SQLLEN>(wider.size()),
                                   &boundLengths_[c]))) {
      // The cell itself is read again from the driver, as a bound cell may be.
      buffer.swap(wider);
    }
  }
  return ReadCell(column, value, whole);
}

bool DataSource::FetchCurrent(std::vector<std::string>& values) {
  if (resultAtEnd_) return false;
  SQLRETURN rc = SQLFetch(result_.get());
  if (rc == SQL_NO_DATA) {
    // A cursor left open holds the server's portal, and with it the table: PostgreSQL refuses
    // to alter or drop a table that an open cursor of the session reads.
    result_.CloseCursor();
    resultAtEnd_ = true;
    return false;
  }
  if (!odbc::Succeeded(rc)) return Fail(result_.Diagnostics());
  values.resize(resultKinds_.size());
  if (recordCells_.empty()) {
    for (int column = 0; column < resultColumns_; ++column) {
      if (!TakeCell(column, values[static_cast<size_t>(column)])) return false;
    }
  } else {
    std::string_view text;
    if (!TakeCell(0, recordText_, &text)) return false;
    if (!SplitRecordText(text, recordCells_.size(), recordFields_))
      return Fail("unreadable row value text: " + std::string(text));
    for (size_t k = 0; k < recordCells_.size(); ++k)
      values[static_cast<size_t>(recordCells_[k])].swap(recordFields_[k]);
    for (size_t k = 0; k < plainCells_.size(); ++k) {
      if (!TakeCell(static_cast<int>(k + 1), values[static_cast<size_t>(plainCells_[k])]))
        return false;
    }
  }
  for (size_t cell = 0; cell < values.size(); ++cell)
    NormalizeCell(values[cell], resultKinds_[cell]);
  return true;
}

void DataSource::NormalizeCell(std::string& value, CellKind kind) {
  if (kind == CellKind::kText || value == "?") return;
  if (kind == CellKind::kBoolean) {
    if (value == "t") value = "1";
    if (value == "f") value = "0";
    return;
  }
  NormalizeNumberText(value, kind == CellKind::kSingle ? 7 : 15, kind == CellKind::kDecimal);
}

void DataSource::EndResult() {
  result_.CloseCursor();
  resultFetched_ = true;
  resultAtEnd_ = true;
}

bool DataSource::FirstRow(std::vector<std::string>& values) {
  Guard guard(mutex_);
  if (!result_.valid()) return Fail("no current result set");
  if (resultFetched_) {
    result_.CloseCursor();
    resultAtEnd_ = false;
    Status status = result_.ExecDirect(resultSql_);
    if (!status.ok()) {
      ResetResult();
      return Fail(status.message());
    }
  }
  resultFetched_ = true;
  return FetchCurrent(values);
}

bool DataSource::NextRow(std::vector<std::string>& values) {
  Guard guard(mutex_);
  if (!result_.valid()) return Fail("no current result set");
  resultFetched_ = true;
  return FetchCurrent(values);
}

bool DataSource::RunStatement(const std::string& nativeSql) {
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  Status status = statement->ExecDirect(nativeSql);
  if (!status.ok()) {
    return Fail(IsBusyText(status.message())
                    ? std::string(kDatabaseBusy) + " (" + status.message() + ")"
                    : status.message());
  }
  return true;
}

bool DataSource::ExecuteRewritten(const std::string& nativeSql) {
  if (!lostTransaction_.empty()) return Fail(lostTransaction_);
  if (InjectedFault()) {
    // As a full disk does on SQLite: the statement fails, and the transaction with it.
    if (inTransaction_) lostTransaction_ = std::string(kLostTransaction) + kInjectedFault;
    return Fail(kInjectedFault);
  }
  if (RunStatement(nativeSql)) return true;
  NoteFailedStatement();
  return false;
}

void DataSource::NoteFailedStatement() {
  if (!inTransaction_ || !SqliteTransactions() || !lostTransaction_.empty()) return;
  const std::string cause = lastError_;
  // BEGIN is refused inside a transaction: taken, it shows that SQLite ended the transaction
  // (and begins one that the commit or rollback will end).
  if (RunStatement("BEGIN")) {
    lostTransaction_ = kLostTransaction + cause;
  }
  lastError_ = cause;
}

bool DataSource::Execute(const std::string& sql) {
  Guard guard(mutex_);
  if (!connection_.valid()) return Fail("no database is open");
  if (dialect_.kind() == DbmsKind::kSqlite && StartsWithWord(sql, "WITH")) {
    // SQLite's driver takes such a statement for a query and never runs it: a change would be
    // reported done without happening.
    return Fail(
        "on SQLite a statement that changes data cannot start with WITH; write INSERT INTO t WITH "
        "... SELECT ...");
  }
  if (!dialect_.SupportsSelectInto()) {
    if (auto parts = ParseSelectInto(sql)) return EmulateSelectInto(*parts);
  }
  return ExecuteRewritten(dialect_.Rewrite(sql));
}

// SQLite has no SELECT INTO, and CREATE TABLE AS keeps only type affinities. The new table is
// created with the declared types of the query's columns instead, then filled by the query.
bool DataSource::EmulateSelectInto(const SelectIntoParts& parts) {
  const std::string select = dialect_.Rewrite(parts.select);
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  if (!odbc::Succeeded(SQLPrepare(statement->get(),
                                  reinterpret_cast<SQLCHAR*>(const_cast<char*>(select.c_str())),
                                  SQL_NTS))) {
    return Fail(statement->Diagnostics());
  }
  std::vector<std::string> names;
  std::vector<std::string> declared;
  if (!DescribeColumns(*statement, &names, nullptr, &declared)) return false;
  statement->CloseCursor();
  std::string create = "create table " + dialect_.QuoteName(parts.target) + "(";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) create += ",";
    create += dialect_.QuoteName(names[i]);
    // Expressions have no declared type; left untyped, their values keep their own storage.
    if (declared[i] != kUndeclaredSqliteType && !declared[i].empty()) create += " " + declared[i];
  }
  create += ")";
  if (!ExecuteRewritten(create)) return false;
  if (!ExecuteRewritten("insert into " + dialect_.QuoteName(parts.target) + " " + select)) {
    const std::string why = lastError_;
    ExecuteRewritten("drop table " + dialect_.QuoteName(parts.target));
    return Fail(why);
  }
  return true;
}

bool DataSource::CreateTable(const std::string& name, const std::vector<std::string>& names,
                             const std::vector<std::string>& types) {
  std::string sql = "create table  " + QuoteIdent(name) + "(";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) sql += ",";
    const std::string type = SqlTypeOfTypeName(i < types.size() ? types[i] : "string");
    sql += QuoteIdent(names[i]) + " " + type;
  }
  sql += ")";
  return Execute(sql);
}

bool DataSource::CreateTableLike(const std::string& name, const std::string& like) {
  return Execute("select * into " + QuoteIdent(name) + " from " + QuoteIdent(like) +
                 " where 1 = 0");
}

bool DataSource::DropTable(const std::string& name) {
  return Execute("drop table " + QuoteIdent(name));
}

bool DataSource::AddColumnLike(const std::string& table, const std::string& like,
                               const std::string& added) {
  Guard guard(mutex_);
  if (!connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(connection_);
  if (!statement) return Fail(statement.status().message());
  std::string type;
  if (dialect_.kind() == DbmsKind::kPostgres) {
    // The driver names a type without its length ("bpchar"): the catalog's text has it.
    Status status = statement->ExecDirect(
        "select format_type(a.atttypid, a.atttypmod) from pg_attribute a where a.attrelid = "
        "to_regclass(" +
        QuoteLiteral(dialect_.QuoteName(table)) + ") and a.attname = " + QuoteLiteral(like) +
        " and a.attnum > 0 and not a.attisdropped");
    if (!status.ok()) return Fail(status.message());
    char text[512] = {0};
    SQLLEN indicator = 0;
    if (!odbc::Succeeded(SQLFetch(statement->get())) ||
        !odbc::Succeeded(
            SQLGetData(statement->get(), 1, SQL_C_CHAR, text, sizeof(text), &indicator)) ||
        indicator == SQL_NULL_DATA) {
      return Fail("table " + table + " has no column " + like);
    }
    type = text;
  } else {
    // SQLite keeps the declared type as it was written, which its driver reports.
    const std::string select =
        "select " + dialect_.QuoteName(like) + " from " + dialect_.QuoteName(table);
    if (!odbc::Succeeded(SQLPrepare(statement->get(),
                                    reinterpret_cast<SQLCHAR*>(const_cast<char*>(select.c_str())),
                                    SQL_NTS))) {
      return Fail(statement->Diagnostics());
    }
    std::vector<std::string> declared;
    if (!DescribeColumns(*statement, nullptr, nullptr, &declared)) return false;
    if (declared.size() != 1) return Fail("table " + table + " has no column " + like);
    type = declared[0];
    // A column declared without a type stays so: its values keep their own storage.
    if (dialect_.kind() == DbmsKind::kSqlite && type == kUndeclaredSqliteType) type.clear();
  }
  statement->CloseCursor();
  return ExecuteRewritten("alter table " + dialect_.QuoteName(table) + " add column " +
                          dialect_.QuoteName(added) + (type.empty() ? "" : " " + type));
}

bool DataSource::InsertRow(const std::string& table, const std::vector<std::string>& names,
                           const std::vector<std::string>& types,
                           const std::vector<std::string>& values) {
  std::string columns;
  std::string list;
  const size_t count = std::min(names.size(), values.size());
  for (size_t i = 0; i < count; ++i) {
    const std::string& value = values[i];
    if (value == "?") continue;
    if (!columns.empty()) {
      columns += ",";
      list += ",";
    }
    columns += QuoteIdent(names[i]);
    const std::string type = i < types.size() ? types[i] : "string";
    if (IsNumericColumnType(type)) {
      std::string number = value;
      ReplaceAllInPlace(number, ',', '.');
      const std::string_view trimmed = Trim(number);
      if (!IsNumberLiteral(trimmed) && !IsBooleanWord(trimmed)) {
        Guard guard(mutex_);
        return Fail("value " + value + " of column " + names[i] + " is not a number");
      }
      // PostgreSQL's booleans take no bare number: '1' and 'true' alike are quoted there.
      if (IsBooleanColumnType(type) && dialect_.kind() == DbmsKind::kPostgres) {
        list += QuoteLiteral(trimmed);
      } else {
        list += trimmed;
      }
    } else {
      // Text, dates and every other kind of value go in as they are: only a number may be
      // written with a decimal comma.
      list += QuoteLiteral(value);
    }
  }
  // A row of nothing but "?" is a row of NULLs; SQL has no empty column list for it.
  const std::string sql = columns.empty() ? "insert into " + QuoteIdent(table) + " default values"
                                          : "insert into " + QuoteIdent(table) + "(" + columns +
                                                ")" + " values(" + list + ")";
  return Execute(sql);
}

bool DataSource::BeginTransaction() {
  Guard guard(mutex_);
  if (!connection_.valid()) return Fail("no database is open");
  if (inTransaction_) return true;
  if (SqliteTransactions()) {
    // The write lock is taken now, not at the first change: two programs that each read
    // inside a transaction and then wanted to write would wait for each other.
    if (!RunStatement("BEGIN IMMEDIATE")) return false;
    lostTransaction_.clear();
    inTransaction_ = true;
    return true;
  }
  if (!odbc::Succeeded(SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
    return Fail(connection_.Diagnostics());
  }
  inTransaction_ = true;
  return true;
}

static bool EndTransaction(odbc::Connection& connection, SQLSMALLINT completion,
                           std::string& error) {
  bool ok = odbc::Succeeded(SQLEndTran(SQL_HANDLE_DBC, connection.get(), completion));
  if (!ok) error = connection.Diagnostics();
  SQLSetConnectAttr(connection.get(), SQL_ATTR_AUTOCOMMIT,
                    reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  return ok;
}

bool DataSource::Commit() {
  Guard guard(mutex_);
  if (!inTransaction_) return true;
  std::string why = InjectedFault() ? std::string(kInjectedFault) : lostTransaction_;
  if (!why.empty()) {
    Rollback();
    return Fail(why);
  }
  if (!SqliteTransactions()) {
    inTransaction_ = false;
    return EndTransaction(connection_, SQL_COMMIT, lastError_);
  }
  if (RunStatement("COMMIT")) {
    inTransaction_ = false;
    return true;
  }
  // A commit that failed (a reader kept the lock past the wait, the disk is full) may leave
  // the transaction open: it is rolled back, so that nothing of it stays.
  why = lastError_;
  Rollback();
  return Fail(why);
}

bool DataSource::Rollback() {
  Guard guard(mutex_);
  if (!inTransaction_) return true;
  inTransaction_ = false;
  lostTransaction_.clear();
  if (!SqliteTransactions()) return EndTransaction(connection_, SQL_ROLLBACK, lastError_);
  // Where SQLite ended the transaction itself there is none left to roll back.
  return RunStatement("ROLLBACK") ||
         lastError_.find("no transaction is active") != std::string::npos;
}

}  // namespace quarry
