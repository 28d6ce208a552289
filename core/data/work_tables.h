#pragma once
// The tables a job makes for its own use (splits, folds) and drops when it ends, whether it
// succeeds or fails. A job never takes over a table it did not make: claiming a name that
// exists already fails, so no user table is replaced or dropped.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

class WorkTables {
 public:
  explicit WorkTables(DataSource& source) : source_(source) {}
  ~WorkTables() { DropAll(); }
  WorkTables(const WorkTables&) = delete;
  WorkTables& operator=(const WorkTables&) = delete;

  // Registers the names for dropping; fails, registering none, when one of them names an
  // existing table (compared without regard to case, as SQL names are).
  Status Claim(const std::vector<std::string>& names);

  // Drops every registered table that exists; returns the names that could not be dropped.
  std::vector<std::string> DropAll();

 private:
  DataSource& source_;
  std::vector<std::string> names_;
};

}  // namespace quarry
