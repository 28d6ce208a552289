#include "core/data/table_split.h"

#include <vector>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

Status ReplaceTable(DataSource& source, const std::string& name, const TableColumns& columns) {
  source.DropTable(name);  // an absent table is no error
  if (!source.CreateTable(name, columns.names, columns.types)) {
    return DatabaseError("cannot create table " + name + ": " + source.LastError());
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

}  // namespace

Status SplitTable(DataSource& source, const std::string& table, const std::string& first,
                  const std::string& second, int percent, Rand& rand, Progress& progress) {
  if (percent < 0 || percent > 100)
    return InvalidArgument("the percentage must be between 0 and 100");
  for (const std::string& target : {first, second}) {
    if (Status s = CheckTableName(target); !s.ok()) return s;
  }
  if (first == second || first == table || second == table) {
    return InvalidArgument("the tables of a split must have three different names");
  }
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  for (const std::string& target : {first, second}) {
    if (Status s = ReplaceTable(source, target, *columns); !s.ok()) return s;
  }
  source.BeginTransaction();
  auto rows = OpenRows(source, table);
  if (!rows) {
    source.Rollback();
    return rows.status();
  }
  const long n = *rows;
  const long quota = n * percent / 100;
  long firstCount = 0;
  long secondCount = 0;
  std::vector<std::string> values;
  bool more = source.FirstRow(values);
  for (long i = 0; i < n && more; ++i) {
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
  if (!source.Commit()) return DatabaseError("cannot commit the split: " + source.LastError());
  return Status::Ok();
}

std::string FoldTableName(const std::string& table, int fold) {
  return table + std::to_string(fold);
}

std::string ComplementTableName(const std::string& table, int fold) {
  return table + "_escluso_" + std::to_string(fold);
}

Status PartitionTable(DataSource& source, int k, const std::string& table, Rand& rand,
                      Progress& progress) {
  if (k < 1) return InvalidArgument("the number of folds must be at least 1");
  if (Status s = CheckTableName(FoldTableName(table, k - 1)); !s.ok()) return s;
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, table);
  if (!columns) return columns.status();
  for (int i = 0; i < k; ++i) {
    if (Status s = ReplaceTable(source, FoldTableName(table, i), *columns); !s.ok()) return s;
  }
  source.BeginTransaction();
  auto rows = OpenRows(source, table);
  if (!rows) {
    source.Rollback();
    return rows.status();
  }
  const long n = *rows;
  const long capacity = n > 0 ? (n - 1) / k + 1 : 1;
  std::vector<long> counts(static_cast<size_t>(k), 0);
  std::vector<std::string> values;
  long row = 0;
  for (bool more = source.FirstRow(values); more && row < capacity * k;
       more = source.NextRow(values)) {
    int f = rand.Next() % k;
    while (counts[static_cast<size_t>(f)] >= capacity) f = (f + 1) % k;
    source.InsertRow(FoldTableName(table, f), columns->names, columns->types, values);
    ++counts[static_cast<size_t>(f)];
    if (++row % 10000 == 0) progress.Update("partition", row, n);
  }
  if (!source.Commit()) return DatabaseError("cannot commit the partition: " + source.LastError());
  for (int j = 0; j < k; ++j) {
    const std::string complement = ComplementTableName(table, j);
    if (Status s = ReplaceTable(source, complement, *columns); !s.ok()) return s;
    for (int i = 0; i < k; ++i) {
      if (i == j) continue;
      if (!source.Execute("insert into " + QuoteIdent(complement) + " select * from " +
                          QuoteIdent(FoldTableName(table, i)))) {
        return DatabaseError("cannot fill table " + complement + ": " + source.LastError());
      }
    }
  }
  return Status::Ok();
}

}  // namespace quarry
