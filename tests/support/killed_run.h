#pragma once
// A work table as a run that was killed leaves it: made, and recorded in the ledger of work tables
// as a table of a process of this host that is gone, for the next job to drop and name.

#include <unistd.h>

#include <string>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry::testing {

// Records `table`, which the caller makes, as a killed run's; false when the database refuses.
inline bool RecordAsKilledRunsTable(DataSource& source, const std::string& table) {
  char host[256] = {};
  gethostname(host, sizeof(host) - 1);
  const std::string ledger = QuoteIdent(kWorkTableLedger);
  return source.Execute("create table if not exists " + ledger +
                        " (name varchar(255), run varchar(255))") &&
         source.Execute("insert into " + ledger + " values (" + QuoteLiteral(table) + ", " +
                        QuoteLiteral(std::string(host) + " 999999999 0 1") + ")");
}

}  // namespace quarry::testing
