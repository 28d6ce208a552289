#include "core/data/database_switch.h"

#include <filesystem>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"

namespace quarry {

Status SwitchDatabase(DataSource& source, const std::string& connect, std::string* reason) {
  if (source.Users().load() > 0) return Busy(kDatabaseInUse);
  // Opening replaces the connection at once, so the string is tried on a connection of its own
  // first; only one that works may take the place of the open database.
  DataSource probe;
  if (connect.empty() || !probe.Open(connect)) {
    if (reason) *reason = connect.empty() ? "no connect string" : probe.LastError();
    return DatabaseError(kInvalidDataSource);
  }
  probe.Close();
  if (!source.Open(connect)) {
    if (reason) *reason = source.LastError();
    return DatabaseError(kInvalidDataSource);
  }
  return Status::Ok();
}

std::string DatabaseDisplayName(std::string_view connect) {
  if (auto file = SqliteDatabaseFile(connect))
    return std::filesystem::path(*file).filename().string();
  if (auto dsn = ConnectStringValue(connect, "DSN")) return *dsn;
  return RemovePassword(connect);
}

}  // namespace quarry
