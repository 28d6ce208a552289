#include <CLI/CLI.hpp>

#include <filesystem>

#include "cli/commands.h"
#include "core/treefiles/rules_file_reader.h"

namespace quarry::cli {

void AddShowRulesCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("show-rules",
                                 "Show a rules file (decision or model tree rules), rule by rule");
  static std::string name;
  cmd->add_option("file", name,
                  "The rules file, or its name in the working folder with or without .rules")
      ->required();
  cmd->callback([&ctx] {
    ctx.action = [] {
      using treefiles::RulesFile;
      const std::filesystem::path path = treefiles::FindResultFile(name, ".rules");
      if (!std::filesystem::exists(path))
        return CliContext::Fail(NotFound("no rules file " + name));
      auto rules = treefiles::ReadRulesFile(path);
      if (!rules) return CliContext::Fail(rules.status());
      std::cout << (rules->kind == treefiles::TreeKind::kModelTree ? "Model-tree rules "
                                                                   : "Decision rules ")
                << path.string() << " (" << rules->rules.size() << " rules)\n"
                << rules->readLine << "\n";
      for (const treefiles::RuleRecord& rule : rules->rules) {
        std::cout << "\n" << rule.title;
        const std::string* statistics[] = {&rule.cases, &rule.detail1, &rule.detail2};
        for (int s = 0; s < 3; ++s) {
          std::cout << "  " << RulesFile::StatisticCaption(rules->kind, s) << ": "
                    << *statistics[s];
        }
        std::cout << "\n";
        for (const std::string& line : treefiles::RuleDisplayLines(rule)) std::cout << line << "\n";
      }
      if (!rules->summary.empty()) std::cout << "\n";
      for (const std::string& line : rules->summary) std::cout << line << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
