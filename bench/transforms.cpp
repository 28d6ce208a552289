// The transformations and query execution on one large table, each job timed on its own.
//
//   transforms [--rows N]
//
// Makes an SQLite table of N rows (default 200,000) in a temporary folder: a REAL column with
// about 2% NULL, an INTEGER column of 20 values, a TEXT column of 50 values with about 2% NULL.
// Prints each job's wall-clock and CPU time (the database runs in-process, so CPU time counts its
// work too and is the fairer figure on a busy machine) and rows per second of CPU time.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/query/materialize.h"
#include "core/query/query_execution.h"
#include "core/query/table_view.h"
#include "core/transform/column_statistics.h"
#include "core/transform/discretization.h"
#include "core/transform/null_substitution.h"
#include "core/transform/sampling.h"
#include "core/transform/scaling.h"
#include "core/transform/value_distribution.h"

namespace {

using namespace quarry;
using Clock = std::chrono::steady_clock;

bool MakeTable(DataSource& source, long rows) {
  return source.Execute("create table big (x real, k integer, s text)") &&
         source.Execute(
             "insert into big with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
             std::to_string(rows) +
             ") select case when abs(random()) % 50 = 0 then null else (abs(random()) % 1000000) / 100.0 end, "
             "abs(random()) % 20, case when abs(random()) % 50 = 0 then null else 'v' || (abs(random()) % 50) end "
             "from n");
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Time(const char* job, long rows, const std::function<Status()>& run) {
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds();
  Status status = run();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;
  if (!status.ok()) {
    std::printf("%-34s failed: %s\n", job, status.message().c_str());
    return;
  }
  std::printf("%-32s %7.2f s wall %7.2f s CPU %10.0f rows/s\n", job, seconds, cpu, rows / cpu);
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 200000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::atol(argv[i + 1]);
  }
  const auto folder = std::filesystem::temp_directory_path() / ("quarry-transforms-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 1);
  const auto file = folder / "bench.sqlite";
  DataSource source;
  if (!DataSource::CreateSqliteFile(file.string()) || !source.Open(SqliteConnectString(file.string())) ||
      !MakeTable(source, rows)) {
    std::fprintf(stderr, "cannot make the table: %s\n", source.LastError().c_str());
    return 1;
  }
  std::printf("%ld rows\n", rows);

  Time("sample 10%", rows, [&] {
    Rand rand;
    return SampleTable(source, {"big", "10", FixedName("sampled")}, rand).status();
  });
  Time("discretize regular, 10, number", rows, [&] {
    return Discretize(source, {"big", "x", "10", DiscretizationType::kRegularIntervals, IntervalLabel::kNumber,
                               FixedName("regular")});
  });
  Time("discretize uniform, 10, text", rows, [&] {
    return Discretize(source, {"big", "x", "10", DiscretizationType::kUniformDistribution, IntervalLabel::kText,
                               FixedName("uniform")});
  });
  for (Statistic statistic : {Statistic::kMedian, Statistic::kStDeviation, Statistic::kValueNumber}) {
    const std::string job = std::string("stats ") + StatisticCaption(statistic);
    Time(job.c_str(), rows, [&] { return ComputeStatistic(source, {"big", "x", statistic, ""}).status(); });
  }
  Time("stats Correlation", rows, [&] { return ComputeStatistic(source, {"big", "x", Statistic::kCorrelation, "k"}).status(); });
  Time("nullsub float", rows, [&] { return SubstituteNulls(source, {"big", "x", FixedName("x_filled")}).status(); });
  Time("nullsub string", rows, [&] { return SubstituteNulls(source, {"big", "s", FixedName("s_filled")}).status(); });
  Time("scale", rows, [&] { return ScaleColumn(source, {"big", "x", "0", "1", FixedName("scaled")}); });
  Time("values with probability", rows, [&] { return ValueDistribution(source, "big", "s", true).status(); });
  Time("query execute and view", rows, [&] {
    auto executed = ExecuteQuery(source, "select * from big where k < 10");
    if (!executed) return executed.status();
    long seen = 0;
    Status viewed = ViewTable(source, executed->table, [](const auto&) {}, [&](const auto&) { ++seen; });
    Status closed = CloseExecutedQuery(source, *executed);
    return viewed.ok() ? closed : viewed;
  });
  source.Close();
  std::filesystem::remove_all(folder);
  return 0;
}
