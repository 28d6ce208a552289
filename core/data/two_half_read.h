#pragma once
// Reading a large PostgreSQL table by two connections at once: the first half on the data
// source's own connection, the rest on a second connection, on a thread of its own. Each
// connection has a server process of its own, so two readers halve the wait.
//
// SQLite runs inside this process: its two connections contend on the library's locks, and on an
// idle machine a million-row table read in two halves took longer than one read (6.4-7.7 s
// against 5.5 s for the rows) at twice the processor time. SQLite tables are therefore read in
// one stream, unless a test asks for two halves to check that they join as one read would.

#include <functional>
#include <string>

namespace quarry {

class DataSource;

// Reads the current result set of `connection`: at most `limit` rows (all when negative), the
// first being row `firstRow` (1-based) of the table. Returns how many rows it read, -1 when
// reading failed.
using HalfReader = std::function<long(DataSource& connection, long limit, long firstRow)>;

// Runs `first` over rows 1..N/2 and `second` over the rest, at once; N is counted, or on
// PostgreSQL the server's estimate for a large table (a stale one makes the halves uneven,
// never wrong: the first must be read whole, the second to its end). Returns false when the
// table is not a PostgreSQL table (or, see above, an SQLite one) of at least `minRows` rows, no
// second connection can be had (for instance inside a transaction), or a half failed or came out
// short: the caller then throws away what the readers kept and reads the table in one stream.
// The caller holds the data source's exclusive use.
bool ReadInTwoHalves(DataSource& source, const std::string& table, long minRows,
                     const HalfReader& first, const HalfReader& second);

// Whether ReadInTwoHalves also reads SQLite tables (off unless a test turns it on).
void ReadSqliteInTwoHalves(bool on);

}  // namespace quarry
