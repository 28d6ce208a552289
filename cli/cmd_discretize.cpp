#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/transform/discretization.h"

namespace quarry::cli {

void AddDiscretizeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "discretize", "Add a column holding the interval into which a numeric column falls");
  static DiscretizationParams params;
  static std::string type = "regular";
  static std::string label = "number";
  static std::string name;
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--column", params.column, "The numeric column")->required();
  cmd->add_option("--intervals", params.intervals, "Number of intervals")->required();
  cmd->add_option("--type", type, "regular: equal width; uniform: equal numbers of rows")
      ->check(CLI::IsMember({"regular", "uniform"}))
      ->capture_default_str();
  cmd->add_option("--label", label, "number: the interval's number; text: \"[lo,hi]\"")
      ->check(CLI::IsMember({"number", "text"}))
      ->capture_default_str();
  cmd->add_option("--name", name, "The new column")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      params.type = type == "uniform" ? DiscretizationType::kUniformDistribution
                                      : DiscretizationType::kRegularIntervals;
      params.label = label == "text" ? IntervalLabel::kText : IntervalLabel::kNumber;
      params.newName = FixedName(name);
      StderrProgress progress;
      if (Status s = Discretize(ctx.source, params, progress); !s.ok()) return CliContext::Fail(s);
      std::cout << kTableIsUpdated << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
