#include "core/data/postgres_session.h"

#include "core/data/connect_string.h"

namespace quarry {

namespace {

struct DriverOption {
  const char* key;
  const char* value;
};

// Blocks of 4096 rows keep the driver's buffer small (a few MB for wide tables) while a round
// trip per block costs nothing next to reading the rows.
constexpr DriverOption kDriverOptions[] = {
    {"UseDeclareFetch", "1"},
    {"Fetch", "4096"},
    {"BoolsAsChar", "0"},
    {"Protocol", "7.4-2"},
};

}  // namespace

std::string WithPostgresDriverOptions(std::string_view connect) {
  std::string out(connect);
  for (const DriverOption& option : kDriverOptions) {
    if (!ConnectStringValue(out, option.key)) out = WithConnectValue(out, option.key, option.value);
  }
  return out;
}

bool HasPostgresDriverOptions(std::string_view connect) {
  for (const DriverOption& option : kDriverOptions) {
    if (!ConnectStringValue(connect, option.key)) return false;
  }
  return true;
}

const std::vector<std::string>& PostgresSessionSettings() {
  static const std::vector<std::string> kSettings = {
      // Backslashes in literals are plain characters, as QuoteLiteral assumes: with this off a
      // value ending in "\" would escape the closing quote.
      "set standard_conforming_strings = on",
      // Floating-point numbers as text with all their digits; the data source shortens them to
      // the workbench's 15 (7 for single precision), as it does on SQLite.
      "set extra_float_digits = 1",
      // Rows in the same order on every run: a parallel scan interleaves the workers' rows, and
      // a synchronised scan starts wherever another scan of the table happens to be. Random
      // splits, samples and windows follow the row order.
      "set max_parallel_workers_per_gather = 0",
      "set synchronize_seqscans = off",
      "set datestyle = 'ISO, YMD'",
  };
  return kSettings;
}

}  // namespace quarry
