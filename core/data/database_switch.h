#pragma once
// Opening another database in place of the open one, as the Open DataBase command does.

#include <string>
#include <string_view>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kDatabaseInUse = "you can't open a database while one is used";
inline constexpr const char* kInvalidDataSource = "invalid Data Source";
inline constexpr const char* kSelectValidDataSource = "Select a valid Data Source";

// Opens `connect` in place of the source's database. While a job uses the source the request is
// refused with kBusy (kDatabaseInUse). A connect string that does not open gives kDatabase
// (kInvalidDataSource), with the driver's reason in `*reason`, and leaves the database that was
// open before open: a typing mistake must not cost the user the connection.
Status SwitchDatabase(DataSource& source, const std::string& connect,
                      std::string* reason = nullptr);

// The database as the user knows it, never with a password: an SQLite file's name, a DSN, or
// else the connect string without its password. Empty for an empty connect string.
std::string DatabaseDisplayName(std::string_view connect);

}  // namespace quarry
