#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/data/table_split.h"

namespace quarry::cli {

void AddSplitCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "split", "Split a table at random: PERCENT of the rows into FIRST, the rest into SECOND");
  static std::string source;
  static std::string first;
  static std::string second;
  static int percent = 0;
  static bool overwrite = false;
  cmd->add_option("source", source, "The table to split")->required();
  cmd->add_option("first", first, "Receives N * PERCENT / 100 rows")->required();
  cmd->add_option("second", second, "Receives the other rows")->required();
  cmd->add_option("percent", percent, "0 to 100")->required()->check(CLI::Range(0, 100));
  cmd->add_flag("--overwrite", overwrite, "Replace existing tables of those names");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      Rand rand;
      StderrProgress progress;
      if (Status s = SplitTable(ctx.source, source, first, second, percent, rand, progress,
                                overwrite ? ExistingTargets::kReplace : ExistingTargets::kRefuse);
          !s.ok()) {
        return CliContext::Fail(s);
      }
      std::cout << "tables " << first << " and " << second << " created\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
