#pragma once
// The PostgreSQL server the tests may use. QUARRY_TEST_POSTGRES names it: a DSN or connect
// string (DSN=quarry_test, or DRIVER={PostgreSQL Unicode};Server=...;UID=...;PWD=...) whose user
// may create databases. scripts/test.sh starts a throw-away server and sets it; without it the
// PostgreSQL tests skip.

#include <optional>
#include <string>

namespace quarry::testing {

inline constexpr const char* kNoPostgresServer =
    "no PostgreSQL server to test against: set QUARRY_TEST_POSTGRES to a DSN or connect string "
    "(scripts/test.sh starts a throw-away server and sets it)";

// The connect string of QUARRY_TEST_POSTGRES; nullopt when it is unset or empty.
std::optional<std::string> PostgresTestServer();

// A database of its own on the test server, made empty and dropped (with whatever connections
// are left on it) when this goes.
class ScratchPostgresDatabase {
 public:
  explicit ScratchPostgresDatabase(const std::string& server);
  ~ScratchPostgresDatabase();
  ScratchPostgresDatabase(const ScratchPostgresDatabase&) = delete;
  ScratchPostgresDatabase& operator=(const ScratchPostgresDatabase&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& name() const { return name_; }
  // The server's connect string with this database in it.
  const std::string& connectString() const { return connect_; }

 private:
  std::string server_;
  std::string name_;
  std::string connect_;
  std::string error_;
};

}  // namespace quarry::testing
