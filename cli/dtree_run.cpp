#include "cli/dtree_run.h"

#include "core/dtree/induction_engine.h"
#include "core/dtree/run_induction.h"
#include "core/pruning/prune_tree.h"

namespace quarry::cli {

int RunDecisionTreeJob(CliContext& ctx, const std::vector<std::string>& args) {
  StderrProgress progress;
  dtree::InductionEngine engine(std::cout, progress);
  dtree::InductionResult result;
  const Status status =
      dtree::RunInduction(engine, args, pruning::kStandardPrune, std::string(), ctx.source, result);
  std::cout << "\n";
  for (const std::string& warning : result.warnings)
    std::cerr << "not written: " << warning << "\n";
  if (!status.ok()) return CliContext::Fail(status);
  std::cout << "classification tree created\n";
  for (const auto& file : result.files) std::cout << "  " << file.string() << "\n";
  return kExitOk;
}

}  // namespace quarry::cli
