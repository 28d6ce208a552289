#include "tests/support/postgres_server.h"

#include <cstdlib>
#include <random>

#include "core/data/connect_string.h"
#include "core/data/odbc_handles.h"

namespace quarry::testing {

namespace {

// Runs one statement on its own connection to the server's administrative database; the
// statements here (CREATE and DROP DATABASE) cannot run inside a transaction, nor through the
// data source, which would record the connect string in the working folder.
Status RunOnServer(const std::string& server, const std::string& sql) {
  auto env = odbc::Environment::Create();
  if (!env) return env.status();
  auto connection = odbc::Connection::Connect(*env, server);
  if (!connection) return connection.status();
  auto statement = odbc::Statement::Allocate(*connection);
  if (!statement) return statement.status();
  return statement->ExecDirect(sql);
}

}  // namespace

std::optional<std::string> PostgresTestServer() {
  const char* server = std::getenv("QUARRY_TEST_POSTGRES");
  if (server == nullptr || *server == '\0') return std::nullopt;
  return std::string(server);
}

ScratchPostgresDatabase::ScratchPostgresDatabase(const std::string& server) : server_(server) {
  std::random_device device;
  std::uniform_int_distribution<unsigned> digits(0, 35);
  name_ = "quarry_test_";
  for (int i = 0; i < 12; ++i) name_ += "0123456789abcdefghijklmnopqrstuvwxyz"[digits(device)];
  // Text sorts byte by byte, as on SQLite, whatever the server's own default.
  Status status = RunOnServer(server_, "create database " + name_ +
                                           " template template0 encoding 'UTF8' lc_collate 'C' "
                                           "lc_ctype 'C'");
  if (!status.ok()) {
    error_ = "cannot create a test database on " + MaskPassword(server_) + ": " + status.message();
    return;
  }
  connect_ = WithConnectValue(server_, "Database", name_);
}

ScratchPostgresDatabase::~ScratchPostgresDatabase() {
  if (ok()) RunOnServer(server_, "drop database if exists " + name_ + " with (force)");
}

}  // namespace quarry::testing
