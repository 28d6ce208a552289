#pragma once
// The program's only door to the database: one ODBC connection, one current result set, and the
// operations every method uses. Values cross as text; NULL reads as "?". Operations report
// failure by returning false (details in LastError()); nothing throws to the caller.
//
// Thread safety: every operation locks the exclusive-use lock for its own duration, except
// IsOpen, ConnectString and the current table, which a window asks while a job works and which
// so never wait for the lock. A caller that runs a sequence sharing the current result set
// (Query, RowCount, FirstRow, NextRow...) holds the lock over the whole sequence with an
// ExclusiveUse guard. The lock is re-entrant; a job that waits for pieces running on other
// threads lends it to them (core/data/source_lock.h).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/odbc_handles.h"
#include "core/data/source_lock.h"
#include "core/data/sql_dialect.h"

struct sqlite3;

namespace quarry {

inline constexpr int kBusyWaitSeconds = 30;
inline constexpr const char* kDatabaseBusy =
    "database is busy: another program is writing to it; try again when it has finished";

// Where jobs record the work tables they make (core/data/work_tables.h).
inline constexpr const char* kWorkTableLedger = "QuarryWorkTables";

class DataSource {
 public:
  DataSource();
  ~DataSource();
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  // Replaces any previous connection. Writes the connect string, password masked, to
  // "prova.txt" in the working folder first. An SQLite database file that does not exist is
  // refused, never created.
  bool Open(const std::string& connectString);
  void Close();
  bool IsOpen() const;
  std::string ConnectString() const;
  const SqlDialect& Dialect() const { return dialect_; }

  // A second connection to the same database, for reading in parallel with this one; nullptr
  // where a second connection would not see the same data (databases other than SQLite files
  // and PostgreSQL, or while this connection has a transaction open). Writes no record of the
  // connect string.
  std::unique_ptr<DataSource> OpenSibling();

  // Creates an empty SQLite database file (the only way a new file comes into being).
  static bool CreateSqliteFile(const std::string& path, std::string* error = nullptr);

  // Catalog entries of type "TABLE", in catalog order (no views, no system tables, not the
  // ledger of work tables).
  bool ListTables(std::vector<std::string>& names);
  // And the ledger of work tables.
  bool ListAllTables(std::vector<std::string>& names);
  // Whether a table of the catalog has that name, by the database's rule for names.
  bool TableExists(const std::string& name);
  bool FieldNames(const std::string& query, std::vector<std::string>& names);
  bool FieldTypes(const std::string& query, std::vector<std::string>& names,
                  std::vector<std::string>& types);

  // Runs a query; its rows become the current result set.
  bool Query(const std::string& sql);
  // The rows of a whole table, as SELECT * gives them, after the first `skip` rows, become the
  // current result set. On PostgreSQL the server sends most columns of a row as one row value
  // text, split here into the cells the driver would give one by one: reading each cell through
  // the driver costs several times what the server takes to send the table.
  bool QueryTable(const std::string& table, long skip = 0);
  // The statement of the current result set, as sent to the database.
  std::string ResultStatement() const;
  // Whether every row of the current result set was read (a failed read is no end).
  bool ResultAtEnd() const;
  // Rows of the current result set; -1 when it cannot be told.
  long RowCount();
  // The first row of the current result set (runs the query again if rows were read already).
  bool FirstRow(std::vector<std::string>& values);
  bool NextRow(std::vector<std::string>& values);
  // Closes the current result set, whose rows were not all read: SQLite refuses to drop a table
  // while a read of it is open.
  void CloseResult();

  // Runs a statement that returns no rows; "SELECT ... INTO" works on every database.
  bool Execute(const std::string& sql);
  bool CreateTable(const std::string& name, const std::vector<std::string>& names,
                   const std::vector<std::string>& types);
  // Creates table `name`, empty, with the columns of table `like` as the database declares them
  // (length, precision and width included), so that every value of `like` goes in as it is.
  bool CreateTableLike(const std::string& name, const std::string& like);
  bool DropTable(const std::string& name);
  // Adds column `added` to `table`, of the type the table's column `like` was declared with,
  // length and precision included ("character(8)", "numeric(10,2)", "date"), so that every
  // value of `like` fits it as it is.
  bool AddColumnLike(const std::string& table, const std::string& like, const std::string& added);
  // Inserts one row; "?" values are left out (NULL). Values of numeric columns must be numbers
  // ("," read as the decimal point) or the row is refused; all others go in quoted, as they are.
  bool InsertRow(const std::string& table, const std::vector<std::string>& names,
                 const std::vector<std::string>& types, const std::vector<std::string>& values);

  // Groups many statements into one commit. Inside a transaction a refused statement does not
  // undo the ones before it. Begin before the Query whose rows the statements follow: drivers
  // may close open result sets when the commit mode changes.
  //
  // On SQLite the transaction takes the database's write lock when it begins: a second program
  // writing to the same file waits there (kBusyWaitSeconds, or $QUARRY_BUSY_WAIT seconds) and
  // then fails with kDatabaseBusy, having changed nothing. Where SQLite itself rolls the
  // transaction back (a full disk, say), every later change of the transaction and its commit
  // fail, with the cause.
  bool BeginTransaction();
  bool Commit();
  bool Rollback();
  bool InTransaction() const { return inTransaction_; }

  void SetCurrentTable(const std::string& table);
  std::string CurrentTable() const;

  // The exclusive-use lock.
  void Lock() { mutex_.lock(); }
  bool TryLock() { return mutex_.try_lock(); }
  void Unlock() { mutex_.unlock(); }

  // Jobs currently using the data source; the shell refuses Open while it is above zero.
  std::atomic<int>& Users() { return users_; }

  std::string LastError() const;

 private:
  friend class PreparedStatement;
  friend class SqliteRows;

  bool Connect(const std::string& connectString);
  bool Fail(const std::string& message);
  bool ExecuteRewritten(const std::string& nativeSql);
  // Runs a statement as it is, with no injected fault and no check of the transaction.
  bool RunStatement(const std::string& nativeSql);
  // After a statement failed inside an SQLite transaction: whether SQLite rolled the whole
  // transaction back; if so the failure is kept as the cause for the rest of the transaction.
  void NoteFailedStatement();
  bool SqliteTransactions() const { return dialect_.kind() == DbmsKind::kSqlite; }
  bool EmulateSelectInto(const SelectIntoParts& parts);
  bool DescribeColumns(odbc::Statement& statement, std::vector<std::string>* names,
                       std::vector<std::string>* types, std::vector<std::string>* declared);
  enum class CellKind : uint8_t;
  static CellKind CellKindOf(odbc::Statement& statement, int column);
  bool StartResult(odbc::Statement statement, const std::string& nativeSql);
  // Gives a cell's text of a column of `kind` the number text the workbench reads.
  static void NormalizeCell(std::string& value, CellKind kind);
  // Closes the current result set's cursor as read to its end.
  void EndResult();
  bool FetchCurrent(std::vector<std::string>& values);
  // Reads a cell into `value`; or, given `whole`, points it at the cell's text, which may stay
  // in the cell buffer until the next read.
  bool ReadCell(int column, std::string& value, std::string_view* whole = nullptr);
  // As ReadCell, from the cell's bound buffer when the fetch put the whole cell there.
  bool TakeCell(int column, std::string& value, std::string_view* whole = nullptr);
  // Binds every column of the current result set to a buffer of its own, so that a fetch puts
  // each cell's text there at once: reading the cells one by one through the driver costs more
  // than the database takes to make them. False where the driver cannot, or refuses a column.
  bool BindCells();
  void ResetResult();

  mutable SourceLock mutex_;
  std::atomic<int> users_{0};
  // Guards the state that is read without the exclusive-use lock.
  mutable std::mutex stateMutex_;
  std::atomic<bool> open_{false};

  std::unique_ptr<odbc::Environment> env_;
  odbc::Connection connection_;
  SqlDialect dialect_;
  std::string connectString_;
  std::string currentTable_;
  std::string lastError_;
  bool inTransaction_ = false;
  // Why SQLite rolled the open transaction back on its own; empty while it stands.
  std::string lostTransaction_;
  // Counts the connections closed, so that a prepared statement can tell its own is gone.
  uint64_t connectionSerial_ = 0;
  // The SQLite connection under the driver's, where it was found as it opened (an SQLite file
  // opened by the driver on this process's library); used only under the exclusive-use lock.
  sqlite3* sqliteConnection_ = nullptr;

  // The current result set.
  odbc::Statement result_;
  std::string resultSql_;  // native text of the current query
  int resultColumns_ = 0;  // columns the driver returns
  // How each cell of a row becomes text: numbers get the workbench's number text (85 rather
  // than the driver's 85.0), booleans of a row value text read as the driver's 1 and 0,
  // everything else stays as the driver gives it.
  enum class CellKind : uint8_t { kText, kDouble, kSingle, kDecimal, kBoolean };
  std::vector<CellKind> resultKinds_;  // by cell of the row
  // A row value text in the first column (QueryTable on PostgreSQL): its fields are the cells
  // `recordCells_`; the driver's other columns are the cells `plainCells_`. Empty otherwise:
  // column i is cell i.
  std::vector<int> recordCells_;
  std::vector<int> plainCells_;
  std::string recordText_;
  std::vector<std::string> recordFields_;
  bool resultFetched_ = false;
  bool resultAtEnd_ = false;  // every row read, the cursor closed
  std::vector<char> cellBuffer_;
  // Whether the driver lets a bound column be read again with SQLGetData: a cell longer than
  // its buffer is read whole so. Without that, no column is bound.
  bool driverReadsBoundCells_ = false;
  // The bound buffer and length of each column of the current result set; empty when the cells
  // are read one by one.
  std::vector<std::vector<char>> boundCells_;
  std::vector<SQLLEN> boundLengths_;
};

// For tests: whether result sets are read through bound buffers where the driver allows it (the
// default), or cell by cell as with a driver that does not.
void BindResultCells(bool on);

// Holds the exclusive-use lock of a data source for a scope.
class ExclusiveUse {
 public:
  explicit ExclusiveUse(DataSource& source) : source_(source) { source_.Lock(); }
  ~ExclusiveUse() { source_.Unlock(); }
  ExclusiveUse(const ExclusiveUse&) = delete;
  ExclusiveUse& operator=(const ExclusiveUse&) = delete;

 private:
  DataSource& source_;
};

// Holds the exclusive-use lock for a scope if it is free at once: the GUI thread uses it so that
// a job holding the lock makes a window say "busy" instead of freezing it.
class TryExclusiveUse {
 public:
  explicit TryExclusiveUse(DataSource& source) : source_(source), owns_(source.TryLock()) {}
  ~TryExclusiveUse() {
    if (owns_) source_.Unlock();
  }
  TryExclusiveUse(const TryExclusiveUse&) = delete;
  TryExclusiveUse& operator=(const TryExclusiveUse&) = delete;

  bool Owns() const { return owns_; }

 private:
  DataSource& source_;
  bool owns_;
};

// Counts a job as a user of the data source for a scope.
class DataSourceUser {
 public:
  explicit DataSourceUser(DataSource& source) : source_(source) { ++source_.Users(); }
  ~DataSourceUser() { --source_.Users(); }
  DataSourceUser(const DataSourceUser&) = delete;
  DataSourceUser& operator=(const DataSourceUser&) = delete;

 private:
  DataSource& source_;
};

}  // namespace quarry
