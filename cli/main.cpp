// quarry-cli: every job of the workbench without a window.
//   quarry-cli [--db CONNECT|FILE] COMMAND [options]
// Exit status: 0 success, 1 the job failed, 2 bad usage.

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "core/jobs/job_thread.h"

using namespace quarry::cli;

int main(int argc, char** argv) {
  CliContext ctx;
  CLI::App app{"QUARRY data-mining workbench, command line", "quarry-cli"};
  app.add_option("--db", ctx.database,
                 "ODBC connect string or SQLite database file (default: the sample database)");
  app.require_subcommand(1);

  static const CommandAdder kCommands[] = {
      AddTablesCommand,       AddColumnsCommand,       AddQueryCommand,      AddMaterializeCommand,
      AddImportCommand,       AddExportCommand,        AddSplitCommand,      AddPartitionCommand,
      AddDemoCommand,         AddCreateDbCommand,      AddShowTreeCommand,   AddShowRulesCommand,
      AddClusterCommand,      AddKnnCommand,           AddDtreeCommand,      AddDtreeCvCommand,
      AddDtreeCompareCommand, AddStoredQueriesCommand, AddDiscretizeCommand, AddStatsCommand,
      AddNullsubCommand,      AddSampleCommand,        AddScaleCommand,      AddValuesCommand,
      AddAdviseCommand,       AddMtreeCommand,         AddMtreeCvCommand,    AddAssocCommand,
      AddBinarizeCommand,
      AddApplyCommand,        AddModelSqlCommand,
  };
  for (CommandAdder add : kCommands) add(app, ctx);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << e.what()
              << "\nusage: quarry-cli [--db CONNECT|FILE] COMMAND [options]; quarry-cli --help "
                 "lists the commands\n";
    return kExitUsage;
  }
  try {
    if (!ctx.action) return kExitUsage;
    // A job walks its trees recursively: it runs on a thread with a job's stack.
    int exitCode = kExitFailure;
    quarry::RunOnJobStack([&] { exitCode = ctx.action(); });
    return exitCode;
  } catch (const std::exception& e) {
    // The one catch-all: nothing a job throws may escape as a crash.
    std::cout.flush();
    std::cerr << "internal error: " << e.what() << "\n";
    return kExitFailure;
  }
}
