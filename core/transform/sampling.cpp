#include "core/transform/sampling.h"

#include "core/common/number_text.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"
#include "core/transform/reservoir_sampler.h"

namespace quarry {

// The reservoir is kept as row positions, not as rows in the new table: the positions it ends
// with depend only on the row count and the draws, so one pass over the source can copy exactly
// the rows that a table used as the reservoir (one DELETE and one INSERT per replacement) would
// hold at the end, in the same order, since a replacing row always comes later in the source.
Expected<SamplingResult> SampleTable(DataSource& source, const SamplingParams& params, Rand& rand,
                                     Progress& progress) {
  // "." alone passes the form and means 0.
  if (!IsDigitsWithOnePoint(params.percent) || ParseNumber(params.percent).value_or(0.0) > 100) {
    return InvalidArgument(kBadPercent);
  }
  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  auto chosen = ChooseTable(source, params.table);
  if (!chosen) return chosen.status();
  SamplingResult result;
  result.table = params.newName ? params.newName() : std::string();
  if (result.table.empty() || TableNameTaken(source, result.table))
    return InvalidArgument(kBadTableName);

  Transaction transaction(source);
  if (!transaction.Begun().ok()) return transaction.Begun();
  if (!source.CreateTable(result.table, chosen->names, chosen->types)) {
    // Another program may have made a table of that name since it was looked for (on SQLite
    // while this job waited for the write lock); it is refused as a name taken before would be.
    if (TableNameTaken(source, result.table)) return InvalidArgument(kBadTableName);
    return DatabaseError(source.LastError());
  }
  if (!source.Query(SelectAllFrom(chosen->table))) return DatabaseError(source.LastError());
  result.rows = source.RowCount();
  if (result.rows < 0)
    return DatabaseError("cannot count the rows of " + chosen->table + ": " + source.LastError());
  const long size = IntegerPart(params.percent) * result.rows / 100;
  const std::vector<long> positions = ReservoirPositions(result.rows, size, rand);

  std::vector<std::string> row;
  size_t next = 0;
  long position = 0;
  for (bool more = next < positions.size() && source.FirstRow(row); more;
       more = source.NextRow(row), ++position) {
    if (position == positions[next]) {
      if (source.InsertRow(result.table, chosen->names, chosen->types, row)) {
        ++result.sampled;
      } else {
        ++result.refused;
      }
      if (++next == positions.size()) break;
    }
    if ((position + 1) % 10000 == 0) progress.Update("sample", position + 1, result.rows);
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  return result;
}

}  // namespace quarry
