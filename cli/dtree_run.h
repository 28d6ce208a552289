#pragma once
// Runs the decision-tree job for quarry-cli and shows its outcome: the report on stdout, the
// files it wrote, and its failure on stderr.

#include "cli/cli_context.h"
#include "core/pruning/decision_tree_job.h"

namespace CLI {
class App;
}

namespace quarry::cli {

// The engine options dtree and dtree-cv share. Flags are off unless given.
struct DtreeOptions {
  DtreeOptions() { parameters.subsets = parameters.unseen = false; }
  pruning::DecisionTreeParameters parameters;
  std::string method = "standard";  // --prune
};
// Without `methodOption` the command takes no --prune.
void AddDtreeOptions(CLI::App& cmd, DtreeOptions& o, bool methodOption = true);
// The pruning methods' command-line names, separated by ", ".
std::string MethodNames();
// Sets the method code from its name; false (with a message) for options that do not fit.
bool FinishDtreeOptions(DtreeOptions& o);

// Returns the exit status.
int RunDecisionTreeJob(CliContext& ctx, const pruning::DecisionTreeParameters& parameters);

}  // namespace quarry::cli
