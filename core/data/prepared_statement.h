#pragma once
// One INSERT or UPDATE prepared once and run for many rows, its values bound as parameters
// rather than written into the statement's text: no literal to build or quote, and no statement
// for the database to parse per row. Where the driver takes arrays of parameters, rows are
// queued and sent a batch at a time; elsewhere each row runs as it is added.
//
// Every call holds the data source's exclusive-use lock for its own duration, as the data
// source's operations do. A statement must not outlive its data source; once the data source
// is closed or opened again, the statement refuses to run.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/odbc_handles.h"

namespace quarry {

class DataSource;

enum class ParamKind : uint8_t {
  kInteger,     // a whole number
  kReal,        // a double, stored exactly as given
  kText,        // text, stored as it is
  kNumberText,  // the text of a number, which the database reads as it reads a bare literal
  kBooleanText  // "0", "1", "true" or "false" for a bit column
};

class PreparedStatement {
 public:
  // `sql` is the workbench's SQL (rewritten for the database like any statement) with one "?"
  // per entry of `kinds`. Up to `batchRows` rows go to the database at once where the driver
  // supports it. Check Prepare() before use.
  PreparedStatement(DataSource& source, std::string sql, std::vector<ParamKind> kinds,
                    size_t batchRows = 1);
  ~PreparedStatement();
  PreparedStatement(const PreparedStatement&) = delete;
  PreparedStatement& operator=(const PreparedStatement&) = delete;

  bool Prepare();
  // How many rows go to the database at once: 1 when the driver takes no parameter arrays.
  size_t BatchRows() const { return batchRows_; }

  // The values of the row being filled; a parameter left unset is NULL. SetInteger suits every
  // kind; SetReal only kReal and SetText only the text kinds, and bind NULL elsewhere.
  void SetNull(size_t param);
  void SetInteger(size_t param, int64_t value);
  void SetReal(size_t param, double value);
  void SetText(size_t param, std::string_view text);

  // Ends the row: runs it, or queues it and runs the batch once it is full. A refused row fails
  // the call that runs it; which other rows of its batch were stored then depends on the
  // driver, so batches belong inside a transaction that a failure rolls back.
  bool AddRow();
  // Runs the queued rows.
  bool Flush();
  // Rows the database has taken so far.
  long RowsDone() const { return rowsDone_; }

  std::string LastError() const { return lastError_; }

 private:
  struct Column {
    ParamKind kind;
    std::vector<int64_t> integers;
    std::vector<double> reals;
    std::vector<std::string> texts;
    std::vector<char> textBuffer;  // the batch's texts side by side, each `width` bytes
    std::vector<SQLLEN> indicators;
  };

  bool Fail(const std::string& message);
  bool Usable();
  bool RunQueued();
  bool Bind(size_t rows);
  bool Execute(size_t rows);

  DataSource& source_;
  std::string sql_;
  size_t batchRows_;
  uint64_t connection_ = 0;  // the data source's connection the handle belongs to
  odbc::Statement statement_;
  std::vector<Column> columns_;
  std::vector<SQLUSMALLINT> rowStatus_;
  SQLULEN rowsProcessed_ = 0;
  size_t queued_ = 0;  // rows filled and not yet run; the row being filled is queued_
  long rowsDone_ = 0;
  std::string lastError_;
};

}  // namespace quarry
