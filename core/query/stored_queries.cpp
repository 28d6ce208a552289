#include "core/query/stored_queries.h"

#include <fstream>

#include "core/common/text_util.h"
#include "core/data/connect_string.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

std::string ConnectKey(const std::string& connect) {
  return std::string(TrimRight(RemovePassword(connect)));
}

}  // namespace

std::string StoredQueryLine(const std::string& connect, const std::string& sql) {
  std::string statement = sql;
  ReplaceAllInPlace(statement, '\r', ' ');
  ReplaceAllInPlace(statement, '\n', ' ');
  return ConnectKey(connect) + "#" + std::string(TrimRight(statement));
}

Status StoreQuery(const std::string& connect, const std::string& sql) {
  const std::string line = StoredQueryLine(connect, sql);
  const auto path = WorkingFile(kStoredQueriesFileName);
  {
    std::ifstream in(path);
    std::string stored;
    while (std::getline(in, stored)) {
      if (TrimRight(stored) == line) return Status::Ok();
    }
  }
  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  // The file is written anew, readable by its owner only, so that a line is never left half
  // written and a file made by an older version readable by others is not kept.
  return AppendToResultFile(path, line + "\n", /*privateFile=*/true);
}

std::vector<StoredQuery> ListStoredQueries(const std::string& connect) {
  std::vector<StoredQuery> queries;
  const std::string key = ConnectKey(connect);
  std::ifstream in(WorkingFile(kStoredQueriesFileName));
  std::string line;
  while (std::getline(in, line)) {
    // The statement may hold "#" of its own; a connect string holding one still matches whole.
    if (!StartsWith(line, key) || line.size() <= key.size() || line[key.size()] != '#') continue;
    queries.push_back({"Query #" + std::to_string(queries.size() + 1),
                       std::string(TrimRight(std::string_view(line).substr(key.size() + 1)))});
  }
  return queries;
}

}  // namespace quarry
