#include "core/query/query_execution.h"

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/free_names.h"
#include "core/data/sql_lexer.h"
#include "core/data/sql_quote.h"
#include "core/query/materialize.h"
#include "core/query/stored_queries.h"

namespace quarry {

std::string UpperCaseWords(std::string_view sql) {
  std::string out;
  out.reserve(sql.size());
  for (const SqlToken& token : LexSql(sql)) {
    out += token.kind == SqlTokenKind::kWord ? ToUpperAscii(token.text) : std::string(token.text);
  }
  return out;
}

Expected<ExecutedQuery> ExecuteQuery(DataSource& source, const std::string& sql) {
  if (!source.IsOpen()) return InvalidArgument(kOpenDatabaseFirst);
  ExclusiveUse exclusive(source);
  ExecutedQuery executed;
  executed.table = FirstFreeTableName(source, "QRY");
  const std::string statement = UpperCaseWords(sql);
  const size_t from = FindOuterFrom(statement);
  if (from == std::string::npos) return InvalidArgument(kErrorInSqlStatement);
  if (!source.Execute(statement.substr(0, from) + " INTO " + QuoteIdent(executed.table) +
                      statement.substr(from))) {
    return DatabaseError(std::string(kErrorInSqlStatement) + ": " + source.LastError());
  }
  source.SetCurrentTable(executed.table);
  executed.stored = StoreQuery(source.ConnectString(), sql);
  return executed;
}

Status CloseExecutedQuery(DataSource& source, const ExecutedQuery& query) {
  if (!source.DropTable(query.table)) return DatabaseError(source.LastError());
  return Status::Ok();
}

}  // namespace quarry
