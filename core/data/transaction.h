#pragma once
// All-or-nothing database work: a job that changes tables runs inside one of these, so a failure
// half way leaves the database as it found it.

#include <string>

#include "core/common/status.h"
#include "core/data/data_source.h"

namespace quarry {

class Transaction {
 public:
  // Begins a transaction unless one is already open; a scope inside another one leaves the
  // outer scope to decide.
  explicit Transaction(DataSource& source) : source_(source), owner_(!source.InTransaction()) {
    if (owner_ && !source_.BeginTransaction()) {
      owner_ = false;
      begun_ = DatabaseError(source_.LastError());
    }
  }
  ~Transaction() {
    if (owner_ && !finished_) source_.Rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Whether the transaction could begin (on SQLite it fails when another program writes to the
  // database for longer than the data source waits); work must not go on without it.
  const Status& Begun() const { return begun_; }

  Status Commit() {
    finished_ = true;
    if (owner_ && !source_.Commit()) return DatabaseError("cannot commit: " + source_.LastError());
    return Status::Ok();
  }

 private:
  DataSource& source_;
  bool owner_;
  bool finished_ = false;
  Status begun_;
};

}  // namespace quarry
