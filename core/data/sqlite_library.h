#pragma once
// The SQLite library under the SQLite driver. The driver runs inside this process on the
// system's shared SQLite library, and a few of that library's settings are the process's to
// choose before any database is opened.

struct sqlite3;

namespace quarry {

// Sets the SQLite library up for the program, once, before the first connection:
// - SQLite's count of the memory it holds is off: nothing here reads it, and keeping it takes a
//   process-wide lock at every allocation, of which the driver makes one or more for every cell
//   it reads;
// - a connection and its statements are not locked by SQLite itself: the data source's
//   exclusive-use lock already lets one thread at a time use a connection (every call into the
//   driver is made under it), and SQLite's own lock of the connection is taken again at every
//   cell read. Different connections may still be used by different threads at once.
// Together they take about a fifth off reading a table through the driver. Harmless where the
// library has started already or the driver carries a library of its own.
// - every connection the library opens in this process is noted, on the thread that opens it,
//   so that a data source can find the connection the driver opened for it (below).
void SetUpSqliteLibrary();

// Forgets the connections the library opened on the calling thread so far.
void ForgetSqliteOpens();
// The one connection the library opened on the calling thread since ForgetSqliteOpens(); nullptr
// when it opened none or more than one (or a driver carries a library of its own).
sqlite3* OnlySqliteOpenSinceForget();

}  // namespace quarry
