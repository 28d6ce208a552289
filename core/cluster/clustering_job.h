#pragma once
// Clustering a numeric table T into K clusters: the distinct rows of T, grouped by the database,
// start in random clusters and are then moved between clusters block by block (Clusterer). The
// results are the tables "Cluster" + T and "StatisticCluster" + T, which replace any earlier
// ones. The job runs in one transaction: when it fails, the database is as it was before.

#include <string>
#include <string_view>
#include <vector>

#include "core/cluster/clusterer.h"
#include "core/common/status.h"
#include "core/data/rand.h"
#include "core/jobs/progress.h"
#include "core/jobs/work_time.h"

namespace quarry {
class DataSource;
}

namespace quarry::cluster {

// The message for a missing table or a cluster number below 1.
inline constexpr const char* kInsertParameters = "Insert parameters";
// What the job reports when it has finished.
inline constexpr const char* kClusteringExecuted = "Clustering Executed";

// Above this many clusters the statistics alone would not fit in memory; such numbers are
// refused like a number below 1.
inline constexpr int kMaxClusters = 1000000;

struct ClusteringParams {
  std::string table;
  int k = 0;
};

// The cluster number as typed: decimal digits only, anything else (or nothing) gives 0.
int ReadClusterNumber(std::string_view text);

struct ClusteringResult {
  long distinctRows = 0;               // M
  long blockRows = 0;                  // B
  long passes = 0;                     // transfer passes over all blocks
  long moves = 0;                      // rows moved between clusters
  std::vector<ClusterStats> clusters;  // as written to the statistics table
  // Database work is the time spent in the data source (statements, the database's own work
  // and turning values to and from text); everything else is in memory (reading value texts as
  // numbers, the random start, the refinement).
  WorkTime time;
  // Parts of time.databaseSeconds: grouping T (the query and reading its rows), writing the
  // cluster table, reading it back, and moving rows to their new clusters. The rest is making
  // and dropping tables, the statistics table and the commit.
  double groupingSeconds = 0.0;
  double writingSeconds = 0.0;
  double readingSeconds = 0.0;
  double movingSeconds = 0.0;
};

// Fails with "Insert parameters" for a missing table or a bad K, with kNotFound when T cannot be
// read, with kInvalidArgument when T has a "string" or "timestamp" column, kDatabase when a
// statement is refused and kCancelled when the progress asks to stop.
Expected<ClusteringResult> RunClustering(DataSource& source, const ClusteringParams& params,
                                         Rand& rand, Progress& progress = NoProgress());

// The tables the clustering dialog offers: those without "string" and "timestamp" columns.
Expected<std::vector<std::string>> ClusterableTables(DataSource& source);

}  // namespace quarry::cluster
