#include "cli/dtree_run.h"

namespace quarry::cli {

int RunDecisionTreeJob(CliContext& ctx, const pruning::DecisionTreeParameters& parameters) {
  StderrProgress progress;
  pruning::InductionResult result;
  const Status status =
      pruning::DecisionTreeJob(parameters, ctx.source, std::cout, progress, result);
  std::cout << "\n";
  for (const std::string& warning : result.warnings)
    std::cerr << "not written: " << warning << "\n";
  if (!status.ok()) return CliContext::Fail(status);
  // A job whose result files are not all there has not done its work.
  if (!result.warnings.empty()) {
    std::cerr << result.warnings.size() << " of the result files could not be written\n";
    return kExitFailure;
  }
  std::cout << pruning::kTreeCreated << "\n";
  for (const auto& file : result.files) std::cout << "  " << file.string() << "\n";
  return kExitOk;
}

}  // namespace quarry::cli
