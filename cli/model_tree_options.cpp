#include "cli/model_tree_options.h"

#include <CLI/CLI.hpp>

#include <map>

namespace quarry::cli {

void AddStrataOptions(CLI::App& cmd, modeltree::StrataParameters& strata) {
  cmd.add_option("--min-items", strata.MinItems, "Number of items in each leaf (above 0)")
      ->capture_default_str();
  cmd.add_option("--confidence", strata.Confidence, "Confidence level of the tests (0 to 1)")
      ->capture_default_str();
  cmd.add_option("--weight", strata.StepWeight,
                 "Weight of a regression step against a split (0 to 1)")
      ->capture_default_str();
  cmd.add_option("--error-level", strata.ErrorLevel,
                 "Stop below this share of the root's error (0 to 1)")
      ->capture_default_str();
  cmd.add_option("--r-level", strata.RLevel, "A node explained this well (R^2) is a leaf (0 to 1)")
      ->capture_default_str();
}

void AddPruneOptions(CLI::App& cmd, modeltree::PruneMode& mode, int& growingPercent) {
  using modeltree::PruneMode;
  static const std::map<std::string, PruneMode> kModes = {
      {"none", PruneMode::kNone},
      {"rep-growing", PruneMode::kLabelsOnGrowingSet},
      {"rep-pruning", PruneMode::kLabelsOnPruningSet},
      {"rep-training", PruneMode::kLabelsOnTrainingSet},
      {"reg", PruneMode::kRegressionGrafting},
      {"mdl", PruneMode::kDescriptionLength},
  };
  cmd.add_option(
         "--prune", mode,
         "Pruning: none, rep-growing / rep-pruning / rep-training (reduced error, leaves "
         "refitted on the growing, pruning or whole table), reg (grafting), mdl (description "
         "length)")
      ->transform(CLI::CheckedTransformer(kModes, CLI::ignore_case))
      ->default_str("none");
  cmd.add_option("--growing-percent", growingPercent,
                 "Rows of the table that grow the tree when it is pruned on the rest")
      ->capture_default_str();
}

}  // namespace quarry::cli
