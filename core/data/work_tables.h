#pragma once
// The tables a job makes for its own use (splits, folds, samples) and drops when it ends, whether
// it succeeds or fails. A job never takes over a table it did not make: claiming a name that
// exists already fails, so no user table is replaced or dropped.
//
// Claimed names are recorded, with the run that claimed them, in the database's table
// kWorkTableLedger (which the catalog leaves out) until the run drops them. So no other program
// replaces a running job's work tables (split, partition and materialize refuse them), a job
// drops only tables recorded as its own, and the tables of a run that was killed are dropped by
// the next job on that database that asks for it, and says so.

#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

class WorkTables {
 public:
  explicit WorkTables(DataSource& source);
  ~WorkTables() { DropAll(); }
  WorkTables(const WorkTables&) = delete;
  WorkTables& operator=(const WorkTables&) = delete;

  // Drops the work tables of runs whose process has ended (on this host), for the job to say
  // which (LeftoversDropped).
  Status DropLeftovers();

  // Registers the names for dropping; fails, registering none, when one of them names an
  // existing table (by the database's rule for names) or another run's work table.
  Status Claim(const std::vector<std::string>& names);

  // Drops every registered table that exists; returns the names that could not be dropped.
  std::vector<std::string> DropAll();

  // The tables of stopped runs that DropLeftovers dropped, for a word to the user.
  const std::vector<std::string>& LeftoversDropped() const { return leftovers_; }

 private:
  DataSource& source_;
  std::string run_;  // this run's mark in the ledger
  std::vector<std::string> names_;
  std::vector<std::string> leftovers_;
};

// Fails (kBusy) when one of `names` is a work table of a job that is running in another process.
Status RefuseWorkTablesOfOthers(DataSource& source, const std::vector<std::string>& names);

// "dropped the tables a stopped run had left: a b c", or nothing when there were none.
std::string LeftoversText(const std::vector<std::string>& dropped);

}  // namespace quarry
