#include "core/cluster/cluster_tables.h"

#include "core/common/fcvt.h"
#include "core/data/sql_quote.h"

namespace quarry::cluster {

std::string ClusterTableName(const std::string& table) { return "Cluster" + table; }

std::string StatisticTableName(const std::string& table) { return "StatisticCluster" + table; }

std::string DistinctRowsSql(const std::string& table, const std::vector<std::string>& columns) {
  std::string sql = "select ";
  std::string groups;
  for (const std::string& column : columns) {
    sql += QuoteIdent(column) + ", ";
    if (!groups.empty()) groups += ", ";
    groups += QuoteIdent(column);
  }
  return sql + "count(*) as frequenza from " + QuoteIdent(table) + " group by " + groups;
}

std::string MoveRowsSql(const std::string& table, size_t rows) {
  // Quoted, as every name the program writes: PostgreSQL folds bare names to lower case.
  std::string sql = "update " + QuoteIdent(ClusterTableName(table)) + " set " +
                    QuoteIdent(kClusterColumn) + "=? where " + QuoteIdent(kRowColumn) + " in (";
  for (size_t r = 0; r < rows; ++r) sql += r > 0 ? ",?" : "?";
  return sql + ")";
}

std::string StatisticTableCreateSql(const std::string& table,
                                    const std::vector<std::string>& columns) {
  std::string sql = "create table " + QuoteIdent(StatisticTableName(table)) + "(";
  for (const std::string& column : columns) {
    sql += QuoteIdent(column + "_Som") + " double," + QuoteIdent(column + "_SomSq") + " double,";
  }
  return sql + " [Number Clustering]  integer,[N] integer,[NumberOfIndividuals] integer);";
}

std::string StatisticRowInsertSql(const std::string& table, const ClusterStats& stats) {
  std::string sql = "insert into" + QuoteIdent(StatisticTableName(table)) + " values (";
  for (size_t j = 0; j < stats.Som.size(); ++j) {
    sql += ExponentText(stats.Som[j]) + "," + ExponentText(stats.SomSq[j]) + ",";
  }
  return sql + ExponentText(stats.Number) + "," + ExponentText(stats.W) + "," +
         ExponentText(stats.N) + ")";
}

}  // namespace quarry::cluster
