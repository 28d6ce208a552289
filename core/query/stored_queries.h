#pragma once
// The stored queries file: every statement that ran successfully, one per line as the connect
// string of its data source, "#" and the statement, so it can be picked again later on the same
// data source. The file lives in the working folder; it is appended to and never rewritten.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

inline constexpr const char* kStoredQueriesFileName = "Quarry-StoredQueries.txt";

struct StoredQuery {
  std::string name;  // "Query #" + its number among the data source's queries, from 1
  std::string sql;
};

// The line that stores `sql` for `connect`: the connect string without its password, "#", the
// statement with its line breaks made blanks (one query per line), both without trailing blanks.
std::string StoredQueryLine(const std::string& connect, const std::string& sql);

// Appends the line unless the file has it already; the file is created readable by its owner
// only, since it names data sources.
Status StoreQuery(const std::string& connect, const std::string& sql);

// The stored queries of the data source `connect`, in file order. No file: no queries.
std::vector<StoredQuery> ListStoredQueries(const std::string& connect);

}  // namespace quarry
