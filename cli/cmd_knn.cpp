#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/knn/knn_job.h"

namespace quarry::cli {

void AddKnnCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "knn",
      "Classify the rows of a test table by their K nearest rows of a training table; the "
      "predictions replace the test table's last column");
  static knn::KnnParams params;
  static std::vector<std::string> distances;
  cmd->add_option("--train", params.train, "The training table")->required();
  cmd->add_option("--test", params.test,
                  "The test table: same columns and types as the training table")
      ->required();
  cmd->add_option("--k", params.kText, "The number of neighbours (default 5)");
  cmd->add_flag("--weight", params.weight, "Weight neighbours by 1/d^2");
  cmd->add_option("--q", params.qText, "The exponent of the minkowski distance (default 3)");
  cmd->add_option(
      "--distance", distances,
      "COLUMN=manhattan|minkowski|euclidean|hamming|vdm, for any field (default euclidean)");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      for (const std::string& setting : distances) {
        const size_t eq = setting.rfind('=');
        const auto kind = eq == std::string::npos
                              ? std::nullopt
                              : knn::DistanceKindFromWord(setting.substr(eq + 1));
        if (!kind) {
          std::cerr << "--distance " << setting
                    << ": give COLUMN=manhattan|minkowski|euclidean|hamming|vdm\n";
          return kExitUsage;
        }
        params.distances.emplace_back(setting.substr(0, eq), *kind);
      }
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      auto result = knn::RunKnn(
          ctx.source, params, std::cout,
          [](const std::string& message) { std::cout << message << "\n"; }, progress);
      if (!result) return CliContext::Fail(result.status());
      if (result->trainRowsWithoutClass > 0) {
        std::cout << knn::RowsWithoutClassMessage(result->trainRowsWithoutClass, params.train)
                  << "\n";
      }
      std::cout << result->testRows << " rows of " << params.test << " classified against "
                << result->trainCases << " rows of " << params.train << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
