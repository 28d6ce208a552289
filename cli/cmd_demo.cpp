#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/dtree_run.h"
#include "core/dtree/case_set.h"

namespace quarry::cli {

namespace {

const char* StatusText(uint8_t status) {
  switch (status) {
    case dtree::kIgnored:
      return "ignored";
    case dtree::kDiscrete:
      return "discrete";
    default:
      return "continuous";
  }
}

}  // namespace

void AddDemoCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "demo", "Show the sample tables and grow, prune and evaluate a decision tree from golf_data");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      std::vector<std::string> names;
      if (!ctx.source.ListTables(names))
        return CliContext::Fail(DatabaseError(ctx.source.LastError()));
      std::cout << "Tables:\n";
      for (const std::string& name : names) std::cout << "  " << name << "\n";
      dtree::CaseSet cases(std::cout);
      if (Status s = cases.LoadAttributes("golf_data", ctx.source); !s.ok())
        return CliContext::Fail(s);
      if (cases.LoadCases("golf_data", ctx.source) != 0) {
        return CliContext::Fail(NotFound("golf_data has no rows"));
      }
      const dtree::AttributeTable& att = cases.Attributes();
      std::cout << "\ngolf_data: " << cases.MaxItem + 1 << " cases, " << att.MaxAtt + 1
                << " attributes, " << att.MaxClass + 1 << " classes\n";
      for (int a = 0; a <= att.MaxAtt; ++a) {
        std::cout << "  " << att.AttName[a] << ": " << StatusText(att.Status[a]);
        for (int v = 1; v <= att.ValueCount[a]; ++v)
          std::cout << (v == 1 ? " {" : ", ") << att.ValueName[a][v];
        std::cout << (att.ValueCount[a] > 0 ? "}\n" : "\n");
      }
      std::cout << "  class " << att.AttName[att.MaxAtt + 1] << ":";
      for (int c = 0; c <= att.MaxClass; ++c) std::cout << (c ? ", " : " ") << att.ClassName[c];
      std::cout << "\n\nDecision tree from golf_data, evaluated on golf_test:\n";
      pruning::DecisionTreeParameters parameters;
      parameters.table = "golf_data";
      parameters.subsets = false;
      return RunDecisionTreeJob(ctx, parameters);
    };
  });
}

}  // namespace quarry::cli
