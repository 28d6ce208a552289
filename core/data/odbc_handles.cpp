#include "core/data/odbc_handles.h"

#include <utility>

#include "core/data/sqlite_library.h"

namespace quarry::odbc {

std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string out;
  if (handle == SQL_NULL_HANDLE) return out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {0};
    SQLINTEGER nativeError = 0;
    SQLCHAR text[1024] = {0};
    SQLSMALLINT textLength = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &nativeError, text,
                                 sizeof(text), &textLength);
    if (!Succeeded(rc)) break;
    if (!out.empty()) out += "; ";
    out += reinterpret_cast<char*>(state);
    out += ": ";
    out += reinterpret_cast<char*>(text);
  }
  return out;
}

Environment::~Environment() {
  if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
}

Environment::Environment(Environment&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

Environment& Environment::operator=(Environment&& other) noexcept {
  if (this != &other) {
    if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

Expected<Environment> Environment::Create() {
  // Every connection is made in an environment, so this comes before any SQLite database opens.
  SetUpSqliteLibrary();
  Environment env;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env.handle_))) {
    env.handle_ = SQL_NULL_HENV;
    return DatabaseError("cannot allocate an ODBC environment");
  }
  SQLRETURN rc = SQLSetEnvAttr(env.handle_, SQL_ATTR_ODBC_VERSION,
                               reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(rc)) return DatabaseError(odbc::Diagnostics(SQL_HANDLE_ENV, env.handle_));
  return env;
}

Connection::~Connection() { Release(); }

Connection::Connection(Connection&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      connected_(std::exchange(other.connected_, false)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    connected_ = std::exchange(other.connected_, false);
  }
  return *this;
}

void Connection::Release() noexcept {
  if (handle_ == SQL_NULL_HDBC) return;
  if (connected_) SQLDisconnect(handle_);
  SQLFreeHandle(SQL_HANDLE_DBC, handle_);
  handle_ = SQL_NULL_HDBC;
  connected_ = false;
}

Expected<Connection> Connection::Connect(const Environment& env,
                                         const std::string& connectString) {
  Connection connection;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env.get(), &connection.handle_))) {
    connection.handle_ = SQL_NULL_HDBC;
    return DatabaseError(odbc::Diagnostics(SQL_HANDLE_ENV, env.get()));
  }
  SQLCHAR outString[1024];
  SQLSMALLINT outLength = 0;
  SQLRETURN rc = SQLDriverConnect(
      connection.handle_, nullptr,
      reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectString.c_str())), SQL_NTS, outString,
      sizeof(outString), &outLength, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) return DatabaseError(connection.Diagnostics());
  connection.connected_ = true;
  return connection;
}

std::string Connection::DbmsName() const {
  SQLCHAR name[256] = {0};
  SQLSMALLINT length = 0;
  if (!Succeeded(SQLGetInfo(handle_, SQL_DBMS_NAME, name, sizeof(name), &length))) return {};
  return reinterpret_cast<char*>(name);
}

Statement::~Statement() { Release(); }

Statement::Statement(Statement&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void Statement::Release() noexcept {
  if (handle_ == SQL_NULL_HSTMT) return;
  SQLFreeHandle(SQL_HANDLE_STMT, handle_);
  handle_ = SQL_NULL_HSTMT;
}

Expected<Statement> Statement::Allocate(const Connection& connection) {
  Statement statement;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &statement.handle_))) {
    statement.handle_ = SQL_NULL_HSTMT;
    return DatabaseError(connection.Diagnostics());
  }
  return statement;
}

Status Statement::ExecDirect(const std::string& sql) {
  SQLRETURN rc =
      SQLExecDirect(handle_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
  if (Succeeded(rc) || rc == SQL_NO_DATA) return Status::Ok();
  std::string diag = Diagnostics();
  return DatabaseError(diag.empty() ? "statement failed: " + sql : diag);
}

void Statement::CloseCursor() noexcept {
  if (handle_ != SQL_NULL_HSTMT) SQLFreeStmt(handle_, SQL_CLOSE);
}

}  // namespace quarry::odbc
