#include <CLI/CLI.hpp>

#include <map>

#include "cli/commands.h"
#include "core/transform/column_statistics.h"

namespace quarry::cli {

void AddStatsCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "stats", "Descriptive statistics of a column: one with --stat, else all of them");
  static StatisticParams params;
  static std::string stat;
  static const std::map<std::string, Statistic> kStatistics = {
      {"average", Statistic::kAverage},
      {"mode", Statistic::kMode},
      {"median", Statistic::kMedian},
      {"stdev", Statistic::kStDeviation},
      {"min", Statistic::kMin},
      {"max", Statistic::kMax},
      {"values", Statistic::kValueNumber},
      {"missing", Statistic::kMissingValues},
      {"correlation", Statistic::kCorrelation}};
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--column", params.column, "The column")->required();
  cmd->add_option(
         "--stat", stat,
         "average|mode|median|stdev|min|max|values|missing|correlation; prints the value alone")
      ->check(CLI::IsMember(kStatistics));
  cmd->add_option("--with", params.withColumn, "The column of the same table to correlate with");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      if (!stat.empty()) {
        params.statistic = kStatistics.at(stat);
        auto value = ComputeStatistic(ctx.source, params);
        if (!value) return CliContext::Fail(value.status());
        std::cout << *value << "\n";
        return kExitOk;
      }
      std::vector<Statistic> all = {Statistic::kAverage,     Statistic::kMode,
                                    Statistic::kMedian,      Statistic::kStDeviation,
                                    Statistic::kMin,         Statistic::kMax,
                                    Statistic::kValueNumber, Statistic::kMissingValues};
      if (!params.withColumn.empty()) all.push_back(Statistic::kCorrelation);
      for (Statistic statistic : all) {
        params.statistic = statistic;
        auto value = ComputeStatistic(ctx.source, params);
        if (!value) return CliContext::Fail(value.status());
        std::cout << StatisticCaption(statistic) << ": " << *value << "\n";
      }
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
