#pragma once
// What a PostgreSQL connection needs to behave as the workbench expects on every database: the
// ODBC driver options it connects with and the settings of each new session.

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

// `connect` with the driver options QUARRY relies on added where the connect string does not
// set them itself (a DSN's own settings give way to these):
//   UseDeclareFetch=1, Fetch=...  rows arrive in blocks as they are read, never the whole result
//                                 in the driver's memory first;
//   BoolsAsChar=0                 boolean columns are reported as booleans (type name "bit");
//   Protocol=7.4-2                a refused statement inside a transaction undoes only itself,
//                                 as on SQLite, instead of dooming the whole transaction.
std::string WithPostgresDriverOptions(std::string_view connect);

// Whether `connect` sets every option of WithPostgresDriverOptions (so no second connect).
bool HasPostgresDriverOptions(std::string_view connect);

// Statements run first on every PostgreSQL session.
const std::vector<std::string>& PostgresSessionSettings();

}  // namespace quarry
