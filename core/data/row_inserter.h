#pragma once
// Rows of text values into one table through prepared statements: the bulk counterpart of
// DataSource::InsertRow, reading every value the way InsertRow does ("?" is NULL, a numeric
// column takes numbers only, where "," is the decimal point), so a table filled either way holds
// the same values.
//
// Rows go to the database many at a time: several rows per INSERT (one VALUES list each), and
// several such statements per execution where the driver takes parameter arrays. SQLite's
// driver compiles a statement afresh for every execution, so rows per statement is what saves
// work there; PostgreSQL saves a round trip per row either way.

#include <memory>
#include <string>
#include <vector>

#include "core/data/prepared_statement.h"

namespace quarry {

class RowInserter {
 public:
  // Columns `names` of `table` with their type names; values beyond them are ignored and
  // missing ones are NULL. Up to `batchRows` rows go to the database at once. With more than
  // one, a row the database refuses takes others with it: batches belong inside a transaction
  // that a failure rolls back.
  RowInserter(DataSource& source, const std::string& table, const std::vector<std::string>& names,
              const std::vector<std::string>& types, size_t batchRows = 1);
  ~RowInserter();

  bool Prepare();
  // Refuses (false, nothing kept of the row) a row whose numeric column holds no number.
  bool AddRow(const std::vector<std::string>& values);
  // Sends the rows not sent yet.
  bool Flush();
  long RowsDone() const { return rowsDone_; }
  std::string LastError() const { return error_; }

 private:
  std::string InsertSql(size_t rows) const;
  std::vector<ParamKind> KindsOf(size_t rows) const;
  bool Send(PreparedStatement& statement);

  DataSource& source_;
  std::string table_;
  std::vector<std::string> names_;
  std::vector<ParamKind> kinds_;
  size_t rowsPerStatement_;
  size_t statementsPerBatch_;
  std::unique_ptr<PreparedStatement> statement_;  // rowsPerStatement_ rows a statement
  // The rows of the statement being filled, value after value; a NULL value is `isNull_`.
  std::vector<std::string> pending_;
  std::vector<bool> isNull_;
  size_t pendingRows_ = 0;
  long rowsDone_ = 0;
  std::string error_;
};

}  // namespace quarry
