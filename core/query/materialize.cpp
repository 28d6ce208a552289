#include "core/query/materialize.h"

#include "core/data/data_source.h"
#include "core/data/sql_lexer.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/query/stored_queries.h"

namespace quarry {

size_t FindOuterFrom(const std::string& sql) {
  int depth = 0;
  const std::vector<SqlToken> tokens = LexSql(sql);
  for (size_t i = 1; i + 1 < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (t.IsPunct('(')) ++depth;
    if (t.IsPunct(')')) --depth;
    if (depth == 0 && t.IsWord("FROM") && tokens[i - 1].kind == SqlTokenKind::kSpace &&
        tokens[i + 1].kind == SqlTokenKind::kSpace) {
      return static_cast<size_t>(tokens[i - 1].text.data() + tokens[i - 1].text.size() - 1 -
                                 sql.data());
    }
  }
  return std::string::npos;
}

Expected<MaterializedQuery> MaterializeQuery(
    DataSource& source, const std::string& sql, const std::string& name,
    const std::function<bool(const std::string& question)>& confirmOverwrite) {
  if (!source.IsOpen()) return InvalidArgument(kOpenDatabaseFirst);
  if (name.empty()) return InvalidArgument("Insert the name of the new table");
  if (Status s = CheckTableName(name); !s.ok()) return s;
  const size_t from = FindOuterFrom(sql);
  if (from == std::string::npos) return InvalidArgument(kErrorInSqlStatement);
  ExclusiveUse exclusive(source);
  // The new table is made in full, under a name of its own, before the old one is dropped and
  // the new one takes its name, all in one transaction: a statement that fails after the user
  // agreed to overwrite leaves the old table in place, and the statement may read the old table.
  // The question comes before the transaction, which holds the database's write lock.
  const bool replace = source.TableExists(name);
  if (replace && (!confirmOverwrite || !confirmOverwrite(kTableExistsOverwrite))) {
    return Cancelled("table " + name + " kept");
  }
  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  std::string made = name;
  if (source.TableExists(name)) {
    if (!replace) return InvalidArgument("table " + name + " exists already");
    if (Status s = RefuseWorkTablesOfOthers(source, {name}); !s.ok()) return s;
    // By the catalog: on PostgreSQL a failed probe would end the transaction.
    for (long n = 1; made == name || source.TableExists(made); ++n) {
      made = name + "_new" + std::to_string(n);
    }
  }
  const std::string statement =
      sql.substr(0, from) + "  INTO  " + QuoteIdent(made) + sql.substr(from);
  if (!source.Execute(statement))
    return DatabaseError(std::string(kErrorInSqlStatement) + ": " + source.LastError());
  if (made != name &&
      (!source.DropTable(name) ||
       !source.Execute("alter table " + QuoteIdent(made) + " rename to " + QuoteIdent(name)))) {
    return DatabaseError(source.LastError());
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  source.SetCurrentTable(name);
  return MaterializedQuery{StoreQuery(source.ConnectString(), sql)};
}

}  // namespace quarry
