#pragma once
// The two result tables of clustering a table T: the cluster table "Cluster" + T (every distinct
// row of T with its frequency, its cluster and its row number) and the statistics table
// "StatisticCluster" + T (one row of sums per cluster).

#include <string>
#include <vector>

#include "core/cluster/clusterer.h"

namespace quarry::cluster {

std::string ClusterTableName(const std::string& table);
std::string StatisticTableName(const std::string& table);

// The columns the cluster table adds after T's own, with their types.
inline constexpr const char* kFrequenceColumn = "Frequence";
inline constexpr const char* kClusterColumn = "NumberClustering";
inline constexpr const char* kRowColumn = "IdRow";

// The grouping query: every distinct row of T and how often it occurs.
std::string DistinctRowsSql(const std::string& table, const std::vector<std::string>& columns);

// "update [Cluster T] set [NumberClustering]=? where [IdRow] in (?,...)": the cluster, then
// `rows` row numbers.
std::string MoveRowsSql(const std::string& table, size_t rows);

// The statistics table of T over T's columns, and the row of one cluster.
std::string StatisticTableCreateSql(const std::string& table,
                                    const std::vector<std::string>& columns);
std::string StatisticRowInsertSql(const std::string& table, const ClusterStats& stats);

}  // namespace quarry::cluster
