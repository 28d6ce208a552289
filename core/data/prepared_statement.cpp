#include "core/data/prepared_statement.h"

#include <algorithm>
#include <mutex>

#include "core/data/data_source.h"

namespace quarry {

PreparedStatement::PreparedStatement(DataSource& source, std::string sql,
                                     std::vector<ParamKind> kinds, size_t batchRows)
    : source_(source), sql_(std::move(sql)), batchRows_(std::max<size_t>(batchRows, 1)) {
  columns_.reserve(kinds.size());
  for (ParamKind kind : kinds) columns_.push_back(Column{kind, {}, {}, {}, {}, {}});
}

PreparedStatement::~PreparedStatement() {
  std::lock_guard<SourceLock> guard(source_.mutex_);
  // A closed connection took its statements with it: the handle must not be freed twice.
  if (connection_ != source_.connectionSerial_ && statement_.valid()) statement_.Abandon();
}

bool PreparedStatement::Fail(const std::string& message) {
  lastError_ = message;
  return false;
}

bool PreparedStatement::Usable() {
  if (!statement_.valid()) return Fail("the statement is not prepared");
  if (connection_ != source_.connectionSerial_ || !source_.connection_.valid())
    return Fail("the database connection the statement was prepared on is closed");
  return true;
}

bool PreparedStatement::Prepare() {
  std::lock_guard<SourceLock> guard(source_.mutex_);
  if (!source_.connection_.valid()) return Fail("no database is open");
  auto statement = odbc::Statement::Allocate(source_.connection_);
  if (!statement) return Fail(statement.status().message());
  const std::string native = source_.dialect_.Rewrite(sql_);
  if (!odbc::Succeeded(SQLPrepare(statement->get(),
                                  reinterpret_cast<SQLCHAR*>(const_cast<char*>(native.c_str())),
                                  SQL_NTS))) {
    return Fail(statement->Diagnostics());
  }
  const SQLHSTMT h = statement->get();
  if (batchRows_ > 1 &&
      (!odbc::Succeeded(SQLSetStmtAttr(h, SQL_ATTR_PARAM_BIND_TYPE,
                                       reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN),
                                       0)) ||
       !odbc::Succeeded(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE,
                                       reinterpret_cast<SQLPOINTER>(batchRows_), 0)))) {
    batchRows_ = 1;  // the driver takes one row per execution
  }
  rowStatus_.assign(batchRows_, SQL_PARAM_SUCCESS);
  if (batchRows_ > 1) {
    SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, rowStatus_.data(), 0);
    SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &rowsProcessed_, 0);
  }
  for (Column& column : columns_) {
    column.indicators.assign(batchRows_, SQL_NULL_DATA);
    switch (column.kind) {
      case ParamKind::kInteger:
        column.integers.assign(batchRows_, 0);
        break;
      case ParamKind::kReal:
        column.reals.assign(batchRows_, 0.0);
        break;
      default:
        column.texts.assign(batchRows_, std::string());
        break;
    }
  }
  statement_ = std::move(statement.value());
  connection_ = source_.connectionSerial_;
  queued_ = 0;
  return true;
}

void PreparedStatement::SetNull(size_t param) {
  if (param < columns_.size() && queued_ < batchRows_)
    columns_[param].indicators[queued_] = SQL_NULL_DATA;
}

void PreparedStatement::SetInteger(size_t param, int64_t value) {
  if (param >= columns_.size() || queued_ >= batchRows_) return;
  Column& column = columns_[param];
  switch (column.kind) {
    case ParamKind::kInteger:
      column.integers[queued_] = value;
      column.indicators[queued_] = 0;
      break;
    case ParamKind::kReal:
      SetReal(param, static_cast<double>(value));
      break;
    default:
      SetText(param, std::to_string(value));
      break;
  }
}

void PreparedStatement::SetReal(size_t param, double value) {
  if (param >= columns_.size() || queued_ >= batchRows_) return;
  Column& column = columns_[param];
  if (column.kind != ParamKind::kReal) return SetNull(param);
  column.reals[queued_] = value;
  column.indicators[queued_] = 0;
}

void PreparedStatement::SetText(size_t param, std::string_view text) {
  if (param >= columns_.size() || queued_ >= batchRows_) return;
  Column& column = columns_[param];
  if (column.texts.empty()) return SetNull(param);
  column.texts[queued_].assign(text);
  column.indicators[queued_] = static_cast<SQLLEN>(text.size());
}

// Binds the first `rows` queued rows. Texts are laid side by side in one buffer as wide as the
// longest of them, which is what column-wise parameter arrays take.
bool PreparedStatement::Bind(size_t rows) {
  const SQLHSTMT h = statement_.get();
  for (size_t p = 0; p < columns_.size(); ++p) {
    Column& column = columns_[p];
    const auto number = static_cast<SQLUSMALLINT>(p + 1);
    SQLRETURN rc = SQL_SUCCESS;
    switch (column.kind) {
      case ParamKind::kInteger:
        rc = SQLBindParameter(h, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                              column.integers.data(), 0, column.indicators.data());
        break;
      case ParamKind::kReal:
        rc = SQLBindParameter(h, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                              column.reals.data(), 0, column.indicators.data());
        break;
      default: {
        SQLLEN longest = 0;
        for (size_t r = 0; r < rows; ++r) longest = std::max(longest, column.indicators[r]);
        const size_t width = static_cast<size_t>(longest) + 1;
        column.textBuffer.assign(width * rows, '\0');
        for (size_t r = 0; r < rows; ++r) {
          if (column.indicators[r] != SQL_NULL_DATA)
            std::copy(column.texts[r].begin(), column.texts[r].end(),
                      column.textBuffer.begin() + static_cast<std::ptrdiff_t>(r * width));
        }
        // The SQL type the driver is told. SQLite stores the text by its column's affinity
        // whatever it is; PostgreSQL's driver sends text untyped, so the server reads it as the
        // type its place in the statement asks for (RowInserter casts where that matters).
        const SQLSMALLINT sqlType = column.kind == ParamKind::kNumberText    ? SQL_NUMERIC
                                    : column.kind == ParamKind::kBooleanText ? SQL_BIT
                                    : width > 4000                           ? SQL_LONGVARCHAR
                                                                             : SQL_VARCHAR;
        rc = SQLBindParameter(h, number, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, width - 1, 0,
                              column.textBuffer.data(), static_cast<SQLLEN>(width),
                              column.indicators.data());
        break;
      }
    }
    if (!odbc::Succeeded(rc)) return Fail(statement_.Diagnostics());
  }
  return true;
}

bool PreparedStatement::RunQueued() {
  const size_t rows = queued_;
  queued_ = 0;
  if (rows == 0) return true;
  const bool ok = Bind(rows) && Execute(rows);
  // Whatever became of them, the next rows start with every parameter NULL.
  for (Column& column : columns_)
    std::fill(column.indicators.begin(), column.indicators.end(), SQL_NULL_DATA);
  return ok;
}

bool PreparedStatement::Execute(size_t rows) {
  if (!source_.lostTransaction_.empty()) return Fail(source_.lostTransaction_);
  const SQLHSTMT h = statement_.get();
  if (batchRows_ > 1) {
    if (!odbc::Succeeded(
            SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0)))
      return Fail(statement_.Diagnostics());
    std::fill(rowStatus_.begin(), rowStatus_.end(), SQL_PARAM_SUCCESS);
    rowsProcessed_ = rows;
  }
  const SQLRETURN rc = SQLExecute(h);
  // Rows refused by the database are reported in the status array where the whole call is not
  // refused.
  if (!odbc::Succeeded(rc) && rc != SQL_NO_DATA) {
    const std::string why = statement_.Diagnostics();
    statement_.CloseCursor();
    source_.NoteFailedStatement();
    return Fail(why.empty() ? "statement refused: " + sql_ : why);
  }
  statement_.CloseCursor();
  if (batchRows_ > 1) {
    const long refused = static_cast<long>(
        std::count(rowStatus_.begin(), rowStatus_.begin() + static_cast<std::ptrdiff_t>(rows),
                   static_cast<SQLUSMALLINT>(SQL_PARAM_ERROR)));
    if (refused > 0 || rowsProcessed_ != rows) {
      return Fail(std::to_string(refused > 0 ? refused : static_cast<long>(rows - rowsProcessed_)) +
                  " of " + std::to_string(rows) + " rows refused: " + statement_.Diagnostics());
    }
  }
  rowsDone_ += static_cast<long>(rows);
  return true;
}

bool PreparedStatement::AddRow() {
  std::lock_guard<SourceLock> guard(source_.mutex_);
  if (!Usable()) return false;
  if (++queued_ < batchRows_) return true;
  return RunQueued();
}

bool PreparedStatement::Flush() {
  std::lock_guard<SourceLock> guard(source_.mutex_);
  if (queued_ == 0) return true;
  if (!Usable()) return false;
  return RunQueued();
}

}  // namespace quarry
