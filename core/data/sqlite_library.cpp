#include "core/data/sqlite_library.h"

#include <sqlite3.h>

#include <mutex>

namespace quarry {

void SetUpSqliteLibrary() {
  static std::once_flag once;
  // Only before the library starts (its first database opened); later SQLite refuses the calls
  // and keeps its settings.
  std::call_once(once, [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
  });
}

}  // namespace quarry
