#pragma once
// Move-only owners of ODBC handles, nested environment -> connection -> statement.
// Destructors never throw; diagnostics of a failed call are copied into a Status.

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "core/common/status.h"

namespace quarry::odbc {

// All diagnostic records of `handle`, joined with "; ".
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

class Environment {
 public:
  Environment() = default;
  ~Environment();
  Environment(Environment&& other) noexcept;
  Environment& operator=(Environment&& other) noexcept;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  static Expected<Environment> Create();
  SQLHENV get() const { return handle_; }

 private:
  SQLHENV handle_ = SQL_NULL_HENV;
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Connects with a full connect string, never prompting.
  static Expected<Connection> Connect(const Environment& env, const std::string& connectString);
  SQLHDBC get() const { return handle_; }
  bool valid() const { return handle_ != SQL_NULL_HDBC; }
  std::string Diagnostics() const { return odbc::Diagnostics(SQL_HANDLE_DBC, handle_); }
  // The DBMS name the driver reports ("SQLite", "PostgreSQL", ...).
  std::string DbmsName() const;

 private:
  void Release() noexcept;
  SQLHDBC handle_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  static Expected<Statement> Allocate(const Connection& connection);
  SQLHSTMT get() const { return handle_; }
  bool valid() const { return handle_ != SQL_NULL_HSTMT; }
  std::string Diagnostics() const { return odbc::Diagnostics(SQL_HANDLE_STMT, handle_); }

  // Runs `sql`; SQL_NO_DATA (a statement that touched no rows) counts as success.
  Status ExecDirect(const std::string& sql);
  void CloseCursor() noexcept;
  // Forgets a handle that its connection freed already (SQLDisconnect frees the connection's
  // statements), so it is not freed again.
  void Abandon() noexcept { handle_ = SQL_NULL_HSTMT; }

 private:
  void Release() noexcept;
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

}  // namespace quarry::odbc
