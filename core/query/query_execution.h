#pragma once
// Execute in the query editor: a SELECT statement's result goes into a scratch table that the
// table viewer shows and that is dropped when the viewer closes.

#include <string>
#include <string_view>

#include "core/common/status.h"

namespace quarry {

class DataSource;

// The statement's words (keywords and bare names) in upper case. String literals, bracketed or
// quoted names and comments stay as typed: the databases compare those exactly.
std::string UpperCaseWords(std::string_view sql);

struct ExecutedQuery {
  std::string table;  // the scratch table "QRY" + n holding the result
  Status stored;      // whether the statement could be added to the stored queries
};

// Runs `sql` upper-cased with " INTO " + a scratch table inserted before its outer " FROM ",
// makes the scratch table the data source's current table and stores the statement. Fails with
// kOpenDatabaseFirst when no database is open and kErrorInSqlStatement (and the database's reason)
// when the statement has no " FROM " or the database refuses it.
Expected<ExecutedQuery> ExecuteQuery(DataSource& source, const std::string& sql);

// Drops the scratch table once its result has been seen.
Status CloseExecutedQuery(DataSource& source, const ExecutedQuery& query);

}  // namespace quarry
