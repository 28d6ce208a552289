#pragma once
// What the benchmarks share: clocks, the process's memory, and the synthetic table of the
// decision-tree benchmarks.

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"

namespace quarry::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds (user + system) used so far by this process (RUSAGE_SELF) or by its finished
// children (RUSAGE_CHILDREN): on a busy machine these compare fairer than wall-clock times.
inline double CpuSeconds(int who = RUSAGE_SELF) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident memory now ("VmRSS:") or at its peak ("VmHWM:"), in bytes.
inline long long StatusBytes(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::strlen(key)) * 1024;
  }
  return 0;
}

// Starts a new peak of resident memory from the current size.
inline void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

inline constexpr int kSyntheticContinuous = 10;
inline constexpr int kSyntheticDiscrete = 5;
inline constexpr int kSyntheticValues = 20;

// The class follows a few attributes; one row in ten gets a random class instead.
inline constexpr const char* kSyntheticClassRule =
    "update big set cls = case when abs(random()) % 10 = 0 then 'c' || (abs(random()) % 3) "
    "when r1 < 300 and s1 in ('v1','v2','v3','v4','v5','v6') then 'c0' "
    "when r2 + r3 > 1200 then 'c1' "
    "when r4 < 400 or s2 in ('v0','v1','v2','v3','v4','v5','v6','v7') then 'c2' "
    "when r5 > r6 then 'c0' else 'c1' end";

// Opens the SQLite file `db`, first making it when it does not exist: table `big` of `rows`
// rows, columns r1..r10 REAL (two decimals), s1..s5 TEXT of 20 values, about 2% NULL each
// (none without `nulls`), and a TEXT class cls set to `classValue`; `afterInsert`, when given,
// runs once the rows are in. A file that cannot be made is removed. False (with the reason on
// stderr) on failure.
inline bool OpenSyntheticTable(DataSource& source, const std::filesystem::path& db, long rows,
                               const std::string& classValue, const std::string& afterInsert,
                               bool nulls = true) {
  if (!std::filesystem::exists(db)) {
    std::cout << "making " << rows << " rows in " << db.string() << "\n" << std::flush;
    std::string columns;
    std::string values;
    const std::string null = nulls ? "case when abs(random()) % 50 = 0 then null else " : "(";
    const std::string end = nulls ? " end," : "),";
    for (int i = 1; i <= kSyntheticContinuous; ++i) {
      columns += "r" + std::to_string(i) + " real,";
      values += null + "(abs(random()) % 100000) / 100.0" + end;
    }
    for (int i = 1; i <= kSyntheticDiscrete; ++i) {
      columns += "s" + std::to_string(i) + " text,";
      values += null + "'v' || (abs(random()) % " + std::to_string(kSyntheticValues) + ")" + end;
    }
    columns += "cls text";
    values += classValue;
    const bool made =
        DataSource::CreateSqliteFile(db.string()) &&
        source.Open(SqliteConnectString(db.string())) &&
        source.Execute("create table big(" + columns + ")") &&
        source.Execute(
            "insert into big with recursive n(i) as (select 1 union all select i + 1 from n "
            "where i < " +
            std::to_string(rows) + ") select " + values + " from n") &&
        (afterInsert.empty() || source.Execute(afterInsert));
    if (!made) {
      std::cerr << "cannot make the table: " << source.LastError() << "\n";
      source.Close();
      std::filesystem::remove(db);
      return false;
    }
    source.Close();
  }
  if (!source.Open(SqliteConnectString(db.string()))) {
    std::cerr << source.LastError() << "\n";
    return false;
  }
  return true;
}

}  // namespace quarry::bench
