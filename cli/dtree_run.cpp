#include "cli/dtree_run.h"

namespace quarry::cli {

int RunDecisionTreeJob(CliContext& ctx, const pruning::DecisionTreeParameters& parameters) {
  StderrProgress progress;
  pruning::InductionResult result;
  const Status status =
      pruning::DecisionTreeJob(parameters, ctx.source, std::cout, progress, result);
  std::cout << "\n";
  if (!status.ok()) return CliContext::Fail(status);  // names the files not written
  std::cout << pruning::kTreeCreated << "\n";
  for (const auto& file : result.files) std::cout << "  " << file.string() << "\n";
  return kExitOk;
}

}  // namespace quarry::cli
