#pragma once
// Connect strings: building them for SQLite files, and keeping passwords out of files and titles.

#include <optional>
#include <string>
#include <string_view>

#include "core/common/status.h"

namespace quarry {

// The connect string for an SQLite database file (rows stream with StepAPI; the driver never
// creates a missing file with NoCreat).
std::string SqliteConnectString(std::string_view path);

// What the user gave: a connect string (it contains "=") is used as it is; anything else is an
// SQLite file path, which must exist.
Expected<std::string> ConnectStringForDatabase(std::string_view connectOrPath);

// The value of `key` (case-insensitive) in a "k=v;k=v" connect string.
std::optional<std::string> ConnectStringValue(std::string_view connect, std::string_view key);

// The connect string with `key` set to `value`: an entry of that key (any case) is replaced, or
// the entry is appended. Values holding ";" or braces are written in braces.
std::string WithConnectValue(std::string_view connect, std::string_view key,
                             std::string_view value);

// A DSN-less connect string for a PostgreSQL server through Debian's "PostgreSQL Unicode" driver.
std::string PostgresConnectString(std::string_view host, int port, std::string_view database,
                                  std::string_view user, std::string_view password);

// The database file of an SQLite connect string; nullopt for other drivers.
std::optional<std::string> SqliteDatabaseFile(std::string_view connect);

// The connect string with the password's value replaced by "********".
std::string MaskPassword(std::string_view connect);

// The connect string with its password entry removed.
std::string RemovePassword(std::string_view connect);

}  // namespace quarry
