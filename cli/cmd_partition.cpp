#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/data/table_split.h"

namespace quarry::cli {

void AddPartitionCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("partition",
                                 "Partition a table at random into K folds and their complements");
  static std::string source;
  static int k = 0;
  static bool overwrite = false;
  cmd->add_option("source", source, "The table to partition")->required();
  // Its range, 2 to the rows of the table, is checked once the table is read.
  cmd->add_option("k", k, "Number of folds, 2 to the rows of the table")->required();
  cmd->add_flag("--overwrite", overwrite, "Replace existing tables of those names");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      Rand rand;
      StderrProgress progress;
      PartitionOptions options;
      if (overwrite) options.existing = ExistingTargets::kReplace;
      if (Status s = PartitionTable(ctx.source, k, source, rand, progress, options); !s.ok()) {
        return CliContext::Fail(s);
      }
      std::cout << "tables " << FoldTableName(source, 0) << ".." << FoldTableName(source, k - 1)
                << " and " << ComplementTableName(source, 0) << ".."
                << ComplementTableName(source, k - 1) << " created\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
