#pragma once
// Runs the decision-tree engine for quarry-cli and shows its outcome: the report on stdout, the
// files it wrote, and its failure on stderr.

#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace quarry::cli {

// `args` is the engine's option vector (args[0] a program name). Returns the exit status.
int RunDecisionTreeJob(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace quarry::cli
