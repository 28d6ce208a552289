#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/transform/scaling.h"

namespace quarry::cli {

void AddScaleCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd =
      app.add_subcommand("scale", "Add a column mapping a numeric column linearly onto [inf, sup]");
  static ScalingParams params;
  static std::string name;
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--column", params.column, "The numeric column")->required();
  cmd->add_option("--inf", params.inf, "Lower extreme (--inf=-1 for a negative one)")->required();
  cmd->add_option("--sup", params.sup, "Upper extreme")->required();
  cmd->add_option("--name", name, "The new column")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      params.newName = FixedName(name);
      if (Status s = ScaleColumn(ctx.source, params); !s.ok()) return CliContext::Fail(s);
      std::cout << kTableIsUpdated << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
