#include "core/query/stored_queries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return IoError("cannot write " + path.string() + ": " + std::strerror(errno));
  ::fchmod(fd, 0600);  // a file made by an older version may be readable by others
  const std::string text = line + "\n";
  // One write of the whole line, so that a line is never left half written.
  const ssize_t written = ::write(fd, text.data(), text.size());
  const bool closed = ::close(fd) == 0;
  if (written != static_cast<ssize_t>(text.size()) || !closed)
    return IoError("cannot write " + path.string());
  return Status::Ok();
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
