#include "core/data/work_tables.h"

#include "core/common/text_util.h"
#include "core/data/data_source.h"

namespace quarry {

namespace {

bool Contains(const std::vector<std::string>& existing, const std::string& name) {
  for (const std::string& table : existing) {
    if (EqualsIgnoreCase(table, name)) return true;
  }
  return false;
}

}  // namespace

Status WorkTables::Claim(const std::vector<std::string>& names) {
  std::vector<std::string> existing;
  if (!source_.ListTables(existing))
    return DatabaseError("cannot list the tables: " + source_.LastError());
  for (const std::string& name : names) {
    if (Contains(existing, name)) {
      return InvalidArgument("table " + name +
                             " exists already and would be replaced by the job's work tables; "
                             "rename or drop it first");
    }
  }
  names_.insert(names_.end(), names.begin(), names.end());
  return Status::Ok();
}

std::vector<std::string> WorkTables::DropAll() {
  std::vector<std::string> left;
  if (names_.empty()) return left;
  std::vector<std::string> existing;
  source_.ListTables(existing);
  for (const std::string& name : names_) {
    if (Contains(existing, name) && !source_.DropTable(name)) left.push_back(name);
  }
  names_.clear();
  return left;
}

}  // namespace quarry
