#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/cluster/cluster_tables.h"
#include "core/cluster/clustering_job.h"

namespace quarry::cli {

void AddClusterCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("cluster", "Cluster the rows of a numeric table into K clusters");
  static std::string table;
  static std::string k;
  cmd->add_option("--table", table, "The table; no string or timestamp columns")->required();
  cmd->add_option("--k", k, "The number of clusters, at least 1")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      Rand rand;
      StderrProgress progress;
      const cluster::ClusteringParams params{table, cluster::ReadClusterNumber(k)};
      auto result = cluster::RunClustering(ctx.source, params, rand, progress);
      if (!result) return CliContext::Fail(result.status());
      std::cout << cluster::kClusteringExecuted << "\n"
                << "table " << cluster::ClusterTableName(table) << ": " << result->distinctRows
                << " distinct rows, refined in blocks of " << result->blockRows << " ("
                << result->passes << " passes, " << result->moves << " moves)\n"
                << "table " << cluster::StatisticTableName(table) << ": " << result->clusters.size()
                << " clusters\n"
                << "cluster\tN\tNumberOfIndividuals\n";
      for (const cluster::ClusterStats& stats : result->clusters) {
        std::cout << static_cast<long>(stats.Number) << "\t" << static_cast<long>(stats.W) << "\t"
                  << static_cast<long>(stats.N) << "\n";
      }
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
