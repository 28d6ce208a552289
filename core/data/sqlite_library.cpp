#include "core/data/sqlite_library.h"

#include <sqlite3.h>

#include <mutex>

namespace quarry {

namespace {

// The connections opened on this thread since the last ForgetSqliteOpens(): the last one and
// how many.
thread_local sqlite3* lastOpened = nullptr;
thread_local int opened = 0;

int NoteOpenedConnection(sqlite3* db, const char** /*error*/, const sqlite3_api_routines* /*api*/) {
  lastOpened = db;
  ++opened;
  return SQLITE_OK;
}

}  // namespace

void SetUpSqliteLibrary() {
  static std::once_flag once;
  // Only before the library starts (its first database opened); later SQLite refuses the calls
  // and keeps its settings.
  std::call_once(once, [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
    // Registering starts the library, so it comes after the settings.
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&NoteOpenedConnection));
  });
}

void ForgetSqliteOpens() {
  lastOpened = nullptr;
  opened = 0;
}

sqlite3* OnlySqliteOpenSinceForget() { return opened == 1 ? lastOpened : nullptr; }

}  // namespace quarry
