#include "core/data/row_inserter.h"

#include <algorithm>

#include "core/common/number_text.h"
#include "core/common/text_util.h"
#include "core/data/column_types.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry {

namespace {

// Parameters per statement: the oldest limit of the databases we meet (SQLite before 3.32).
constexpr size_t kMaxParameters = 999;

ParamKind KindOfColumnType(const std::string& type) {
  if (IsBooleanColumnType(type)) return ParamKind::kBooleanText;
  if (IsNumericColumnType(type)) return ParamKind::kNumberText;
  return ParamKind::kText;
}

}  // namespace

RowInserter::RowInserter(DataSource& source, const std::string& table,
                         const std::vector<std::string>& names,
                         const std::vector<std::string>& types, size_t batchRows)
    : source_(source), table_(table), names_(names) {
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string type = i < types.size() ? types[i] : "string";
    kinds_.push_back(KindOfColumnType(type));
  }
  batchRows = std::max<size_t>(batchRows, 1);
  rowsPerStatement_ =
      std::clamp<size_t>(kMaxParameters / std::max<size_t>(names.size(), 1), 1, batchRows);
  statementsPerBatch_ = (batchRows + rowsPerStatement_ - 1) / rowsPerStatement_;
}

RowInserter::~RowInserter() = default;

std::string RowInserter::InsertSql(size_t rows) const {
  std::string columns;
  std::string marks;
  for (size_t i = 0; i < names_.size(); ++i) {
    if (i > 0) {
      columns += ",";
      marks += ",";
    }
    columns += QuoteIdent(names_[i]);
    // PostgreSQL reads a text parameter as the type of its column: "1E3" or "3.5" would be no
    // integer there, where the same bare literal is a number that becomes one.
    const bool asNumber =
        kinds_[i] == ParamKind::kNumberText && source_.Dialect().kind() == DbmsKind::kPostgres;
    marks += asNumber ? "cast(? as numeric)" : "?";
  }
  std::string sql = "insert into " + QuoteIdent(table_) + "(" + columns + ") values";
  for (size_t r = 0; r < rows; ++r) sql += (r > 0 ? ",(" : "(") + marks + ")";
  return sql;
}

std::vector<ParamKind> RowInserter::KindsOf(size_t rows) const {
  std::vector<ParamKind> kinds;
  for (size_t r = 0; r < rows; ++r) kinds.insert(kinds.end(), kinds_.begin(), kinds_.end());
  return kinds;
}

bool RowInserter::Prepare() {
  statement_ = std::make_unique<PreparedStatement>(source_, InsertSql(rowsPerStatement_),
                                                   KindsOf(rowsPerStatement_), statementsPerBatch_);
  pending_.assign(rowsPerStatement_ * names_.size(), std::string());
  isNull_.assign(pending_.size(), true);
  pendingRows_ = 0;
  if (!statement_->Prepare()) {
    error_ = statement_->LastError();
    statement_.reset();
    return false;
  }
  return true;
}

// Hands the pending rows to `statement` as one statement of as many rows.
bool RowInserter::Send(PreparedStatement& statement) {
  const size_t values = pendingRows_ * names_.size();
  for (size_t v = 0; v < values; ++v) {
    if (isNull_[v]) {
      statement.SetNull(v);
    } else {
      statement.SetText(v, pending_[v]);
    }
  }
  pendingRows_ = 0;
  std::fill(isNull_.begin(), isNull_.end(), true);
  if (!statement.AddRow()) {
    error_ = statement.LastError();
    return false;
  }
  return true;
}

bool RowInserter::AddRow(const std::vector<std::string>& values) {
  if (!statement_) {
    error_ = "the insert is not prepared";
    return false;
  }
  const size_t base = pendingRows_ * names_.size();
  const size_t count = std::min(names_.size(), values.size());
  for (size_t i = 0; i < count; ++i) {
    const std::string& value = values[i];
    if (value == "?") continue;
    std::string& out = pending_[base + i];
    out = value;
    // Only a number may be written with a decimal comma; text, dates and the rest go in as
    // they are.
    if (kinds_[i] != ParamKind::kText) {
      ReplaceAllInPlace(out, ',', '.');
      const std::string_view trimmed = Trim(out);
      if (IsBooleanWord(trimmed)) {
        out = EqualsIgnoreCase(trimmed, "true") ? "1" : "0";
      } else if (IsNumberLiteral(trimmed)) {
        out = std::string(trimmed);
      } else {
        std::fill(isNull_.begin() + static_cast<std::ptrdiff_t>(base), isNull_.end(), true);
        error_ = "value " + value + " of column " + names_[i] + " is not a number";
        return false;
      }
    }
    isNull_[base + i] = false;
  }
  if (++pendingRows_ < rowsPerStatement_) return true;
  if (!Send(*statement_)) return false;
  rowsDone_ = statement_->RowsDone() * static_cast<long>(rowsPerStatement_);
  return true;
}

bool RowInserter::Flush() {
  if (!statement_) return true;
  if (!statement_->Flush()) {
    error_ = statement_->LastError();
    return false;
  }
  rowsDone_ = statement_->RowsDone() * static_cast<long>(rowsPerStatement_);
  if (pendingRows_ > 0) {
    // The last rows, fewer than a statement holds, in a statement of their own.
    const long rows = static_cast<long>(pendingRows_);
    PreparedStatement last(source_, InsertSql(pendingRows_), KindsOf(pendingRows_));
    if (!last.Prepare() || !Send(last)) {
      error_ = last.LastError();
      return false;
    }
    rowsDone_ += rows;
  }
  return true;
}

}  // namespace quarry
