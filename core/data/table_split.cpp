#include "core/data/table_split.h"

#include <cstdlib>
#include <vector>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/data/transaction.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

// Refuses targets that name each other or the source (by the database's rule for names) and,
// unless they are to be replaced, targets that exist; then drops the ones replaced and creates
// them all, with the source's declared column types. Runs inside the job's transaction.
Status MakeTargets(DataSource& source, const std::string& table,
                   const std::vector<std::string>& targets, ExistingTargets existing,
                   const char* sameNames) {
  const SqlDialect& dialect = source.Dialect();
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].empty()) return InvalidArgument("a table needs a name");
    if (dialect.SameName(targets[i], table)) return InvalidArgument(sameNames);
    for (size_t j = 0; j < i; ++j) {
      if (dialect.SameName(targets[i], targets[j])) return InvalidArgument(sameNames);
    }
  }
  // A running job's work tables are neither replaced nor made again under its feet.
  if (Status s = RefuseWorkTablesOfOthers(source, targets); !s.ok()) return s;
  std::vector<std::string> catalog;
  if (!source.ListTables(catalog))
    return DatabaseError("cannot list the tables: " + source.LastError());
  for (const std::string& target : targets) {
    for (const std::string& present : catalog) {
      if (!dialect.SameName(present, target)) continue;
      if (existing == ExistingTargets::kRefuse) {
        return InvalidArgument("table " + present +
                               " exists already; overwrite it or choose another name");
      }
      if (!source.DropTable(present)) {
        return DatabaseError("cannot replace table " + present + ": " + source.LastError());
      }
    }
    if (!source.CreateTableLike(target, table)) {
      return DatabaseError("cannot create table " + target + ": " + source.LastError());
    }
  }
  return Status::Ok();
}

Expected<long> OpenRows(DataSource& source, const std::string& table) {
  if (!source.Query(SelectAllFrom(table)))
    return DatabaseError("cannot read table " + table + ": " + source.LastError());
  const long n = source.RowCount();
  if (n < 0) return DatabaseError("cannot count the rows of " + table + ": " + source.LastError());
  return n;
}

Expected<long> CountRows(DataSource& source, const std::string& table) {
  std::vector<std::string> row;
  if (!source.Query("select count(*) from " + QuoteIdent(table)) || !source.FirstRow(row) ||
      row.empty()) {
    return DatabaseError("cannot count the rows of " + table + ": " + source.LastError());
  }
  const long n = std::atol(row[0].c_str());
  // Read to its end, the query lets go of the table: SQLite drops no table a query still reads.
  std::vector<std::string> none;
  source.NextRow(none);
  return n;
}

Status Finish(DataSource& source, Transaction& transaction, const char* job) {
  if (Status s = transaction.Commit(); !s.ok()) {
    return DatabaseError(std::string("cannot commit the ") + job + ": " + source.LastError());
  }
  return Status::Ok();
}

}  // namespace

Status SplitTable(DataSource& source, const std::string& table, const std::string& first,
                  const std::string& second, int percent, Rand& rand, Progress& progress,
                  ExistingTargets existing) {
  if (percent < 0 || percent > 100)
    return InvalidArgument("the percentage must be between 0 and 100");
  for (const std::string& target : {first, second}) {
    if (Status s = CheckTableName(target); !s.ok()) return s;
  }
  ExclusiveUse exclusive(source);
  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  if (Status s = MakeTargets(source, table, {first, second}, existing,
                             "the tables of a split must have three different names");
      !s.ok()) {
    return s;
  }
  auto rows = OpenRows(source, table);
  if (!rows) return rows.status();
  const long n = *rows;
  const long quota = n * percent / 100;
  long firstCount = 0;
  long secondCount = 0;
  std::vector<std::string> values;
  bool more = source.FirstRow(values);
  for (long i = 0; i < n && more; ++i) {
    if (progress.Cancelled()) {
      source.CloseResult();
      return Cancelled("split cancelled; tables " + first + " and " + second + " were not created");
    }
    const int r = rand.Next() % 100;
    bool toFirst;
    if (r > percent) {
      toFirst = firstCount < quota;
    } else {
      toFirst = !(secondCount < n - quota);
    }
    // A row the database refuses stays out; the counts follow the assignment, as the quotas do.
    source.InsertRow(toFirst ? first : second, columns->names, columns->types, values);
    ++(toFirst ? firstCount : secondCount);
    if ((i + 1) % 10000 == 0) progress.Update("split", i + 1, n);
    more = source.NextRow(values);
  }
  return Finish(source, transaction, "split");
}

std::string FoldTableName(const std::string& table, int fold) {
  return table + std::to_string(fold);
}

std::string ComplementTableName(const std::string& table, int fold) {
  return table + "_escluso_" + std::to_string(fold);
}

Status PartitionTable(DataSource& source, int k, const std::string& table, Rand& rand,
                      Progress& progress, const PartitionOptions& options) {
  const std::string& base = options.parts.empty() ? table : options.parts;
  ExclusiveUse exclusive(source);
  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  auto count = CountRows(source, table);
  if (!count) return count.status();
  // One fold would leave its complement empty: there is nothing to train on.
  if (k < 2) {
    if (options.emptyFolds) return InvalidArgument("the number of folds must be at least 2");
    if (*count < 2) {
      return InvalidArgument("a partition into folds needs a table of at least 2 rows; " + table +
                             " has " + std::to_string(*count));
    }
    return InvalidArgument("the number of folds must be between 2 and " + std::to_string(*count) +
                           " (the rows of " + table + ")");
  }
  if (k > *count && !options.emptyFolds) {
    return InvalidArgument("the number of folds (" + std::to_string(k) + ") is more than the " +
                           std::to_string(*count) + " rows of " + table +
                           ": every fold needs a row");
  }
  if (Status s = CheckTableName(ComplementTableName(base, k - 1)); !s.ok()) return s;
  std::vector<std::string> targets;
  for (int i = 0; i < k; ++i) targets.push_back(FoldTableName(base, i));
  for (int i = 0; i < k; ++i) targets.push_back(ComplementTableName(base, i));
  if (Status s = MakeTargets(
          source, table, targets, options.existing,
          "the tables of a partition must be named apart from each other and from its source");
      !s.ok()) {
    return s;
  }
  auto rows = OpenRows(source, table);
  if (!rows) return rows.status();
  const long n = *rows;
  const long capacity = n > 0 ? (n - 1) / k + 1 : 1;
  std::vector<long> counts(static_cast<size_t>(k), 0);
  std::vector<std::string> values;
  long row = 0;
  for (bool more = source.FirstRow(values); more && row < capacity * k;
       more = source.NextRow(values)) {
    int f = rand.Next() % k;
    while (counts[static_cast<size_t>(f)] >= capacity) f = (f + 1) % k;
    source.InsertRow(FoldTableName(base, f), columns->names, columns->types, values);
    ++counts[static_cast<size_t>(f)];
    if (++row % 10000 == 0) progress.Update("partition", row, n);
  }
  for (int j = 0; j < k; ++j) {
    const std::string complement = ComplementTableName(base, j);
    for (int i = 0; i < k; ++i) {
      if (i == j) continue;
      if (!source.Execute("insert into " + QuoteIdent(complement) + " select * from " +
                          QuoteIdent(FoldTableName(base, i)))) {
        return DatabaseError("cannot fill table " + complement + ": " + source.LastError());
      }
    }
  }
  return Finish(source, transaction, "partition");
}

}  // namespace quarry
