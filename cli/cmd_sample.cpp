#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/transform/sampling.h"

namespace quarry::cli {

void AddSampleCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd =
      app.add_subcommand("sample", "Copy a random sample of a table's rows into a new table");
  static SamplingParams params;
  static std::string name;
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--percent", params.percent,
                  "Percent of the rows, 0 to 100 (its integer part counts)")
      ->required();
  cmd->add_option("--name", name, "The new table")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      params.newName = FixedName(name);
      Rand rand;
      StderrProgress progress;
      auto result = SampleTable(ctx.source, params, rand, progress);
      if (!result) return CliContext::Fail(result.status());
      std::cout << result->sampled << " of " << result->rows << " rows copied into "
                << result->table << "\n";
      if (result->refused > 0)
        std::cout << result->refused << " sampled rows refused by the database\n";
      std::cout << kSampleCreated << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
