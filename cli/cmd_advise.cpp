#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/advisor/advice_speech.h"
#include "core/advisor/pruning_advisor.h"
#include "core/data/work_tables.h"

namespace quarry::cli {

void AddAdviseCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "advise",
      "Advise pruning methods for a *_data table: measures it, asks the counsel program and "
      "prints what the decision-tree dialog's assistant would say");
  static std::string table;
  cmd->add_option("--table,-f", table, "The training table; its name contains _data")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      PruningAdvisor advisor(ctx.source, table);
      advisor.progress = &progress;
      const bool advised = RunPruningAdvisor(advisor);
      if (!advisor.LeftoversDropped().empty())
        std::cerr << LeftoversText(advisor.LeftoversDropped()) << "\n";
      for (const std::string& text : AdviceSpeech(advisor))
        std::cout << DisplaySpeech(text) << "\n";
      return advised ? kExitOk : CliContext::Fail(advisor.Failure());
    };
  });
}

}  // namespace quarry::cli
