#pragma once
// Reading a result set's rows through SQLite's own interface, on the connection the SQLite
// driver uses. The driver turns every cell into text, and a number cell read so is then parsed
// back; reading the stored values spares both, where a caller wants numbers. Each cell still
// reads as the same text the data source gives (NULL as "?"), and a number as the number its
// text stands for: the rows are the driver's own rows, on its own connection, so open
// transactions, temporary tables, attached databases and the connection's settings are seen as
// the driver sees them.

#include <cstdint>
#include <optional>
#include <string>

#include "core/data/data_source.h"

struct sqlite3_stmt;

namespace quarry {

class SqliteRows {
 public:
  // Takes over the data source's current result set, of which no row may have been read, to
  // read its rows here; holds the data source's lock meanwhile. Active() is false where that
  // cannot be done (another database, a connection not found as it opened, a statement SQLite
  // will not take as it is): the caller then reads the rows from the data source as ever.
  explicit SqliteRows(DataSource& source);
  ~SqliteRows();
  SqliteRows(const SqliteRows&) = delete;
  SqliteRows& operator=(const SqliteRows&) = delete;

  bool Active() const { return statement_ != nullptr; }
  int Columns() const { return columns_; }
  // Steps to the next row; false at the end and when SQLite fails (Failed()). After a failure
  // the data source's result set is still unread: read it there, and it fails as the driver
  // fails.
  bool Next();
  bool Failed() const { return failed_; }
  // Once every row was read: the data source's result set counts as read to its end.
  void Finish();

  // The cell's text, as the data source gives it.
  void Text(int column, std::string& text);
  // The float the cell's text reads as (see SingleOfStoredReal), where the stored number tells
  // it; nullopt for every other cell.
  std::optional<float> Single(int column);

 private:
  DataSource& source_;
  sqlite3_stmt* statement_ = nullptr;
  int columns_ = 0;
  bool failed_ = false;
};

// For tests: whether SQLite's rows are read through its own interface where they can be (the
// default), or always through the driver.
void ReadSqliteRowsDirectly(bool on);
// For tests: rows read so far, in this process, through SQLite's own interface.
long SqliteRowsReadDirectly();

}  // namespace quarry
