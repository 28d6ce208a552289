#include <CLI/CLI.hpp>

#include <fstream>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "core/assoc/association_job.h"
#include "core/assoc/rule_files.h"
#include "core/common/text_util.h"

namespace quarry::cli {

namespace {

// --filter values: template text, or "@FILE" for a file of templates.
bool CollectTemplates(const std::vector<std::string>& filters, std::string& text) {
  for (const std::string& filter : filters) {
    if (!filter.empty() && filter.front() == '@') {
      std::ifstream in(InputFile(filter.substr(1)), std::ios::binary);
      if (!in) {
        std::cerr << "cannot read " << filter.substr(1) << "\n";
        return false;
      }
      std::ostringstream content;
      content << in.rdbuf();
      text += content.str() + "\n";
    } else {
      text += filter + "\n";
    }
  }
  return true;
}

void PrintResult(const assoc::AssociationJobResult& r, bool filtered) {
  for (const std::string& note : r.binarizeSkipped)
    std::cerr << "binarize: skipped " << note << "\n";
  std::cout << "Frequent Patterns : \n";
  for (const assoc::Itemset& set : r.frequent) {
    std::cout << assoc::ItemsetText(assoc::ToPositions(set.items), r.itemNames) << "  support "
              << Format("%f", static_cast<double>(set.count) / r.figures.transactions) << "\n";
  }
  std::cout << "Number of transactions: " << r.figures.transactions << "\n"
            << "Average size of transactions: " << Format("%f", r.figures.averageTransactionSize)
            << "\n"
            << "Number of items: " << r.figures.items << "\n"
            << "Average size of frequent patterns: " << Format("%f", r.figures.averagePatternSize)
            << "\n"
            << "Number of frequent patterns: " << r.figures.frequentPatterns << "\n";
  if (r.taxonomy) {
    std::cout << "Taxonomy: " << r.taxonomy->numClasses << " classes, " << r.taxonomy->numAttributes
              << " attributes, average depth " << Format("%f", r.taxonomy->averageDepth)
              << ", average sons " << Format("%f", r.taxonomy->averageSons) << ", stretching "
              << Format("%f", r.taxonomy->stretching) << "\n";
  }
  std::cout << "Rules:\n";
  for (size_t i : r.kept) {
    const assoc::AssociationRule& rule = r.rules[i];
    std::cout << "Rule " << i + 1 << ": " << rule.text << "  supp: " << Format("%f", rule.support)
              << "  conf: " << Format("%f", rule.confidence) << "\n";
  }
  if (filtered)
    std::cout << r.kept.size() << " of " << r.rules.size() << " rules kept by the filter\n";
  std::cout << r.rules.size() << " rules written to " << assoc::kOutRulesFile << " and "
            << assoc::kAssocFile << "\n";
}

}  // namespace

void AddAssocCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "assoc", "Association rules: frequent itemsets of a 0/1 table and the rules they give");
  static assoc::AssociationJobParams params;
  static std::string algorithm = "apriori";
  static std::string taxonomy;
  static std::vector<std::string> filters;
  cmd->add_option("--table", params.table,
                  "The table: one row per transaction, one 0/1 column per item")
      ->required();
  cmd->add_option("--support", params.minSupport, "Minimum support, a fraction of the transactions")
      ->capture_default_str();
  cmd->add_option("--confidence", params.minConfidence, "Minimum confidence of a rule")
      ->capture_default_str();
  cmd->add_option("--algorithm", algorithm, "apriori, tid (A priori Tid) or ais")
      ->check(CLI::IsMember({"apriori", "tid", "ais"}))
      ->capture_default_str();
  auto* aisPruning = cmd->add_flag("--ais-pruning", params.aisPruning,
                                   "AIS drops candidates that can no longer become frequent");
  cmd->add_flag("--binarize", params.binarize,
                "Mine a binarized copy (BinTable): one 0/1 column per value of every column");
  auto* taxonomyOption =
      cmd->add_option("--taxonomy", taxonomy,
                      "Generalized rules over the taxonomy in FILE (docs/taxonomy_file.md)");
  cmd->add_flag("--ancestor-pruning", params.ancestorPruning,
                "Never count an item together with one of its own classes")
      ->needs(taxonomyOption);
  cmd->add_option("--filter", filters,
                  "Rule templates: \"include L ==> R\" or \"exclude L ==> R\", or @FILE "
                  "(docs/rule_templates.md); may be repeated");
  cmd->callback([&ctx, aisPruning] {
    if (algorithm == "tid") params.algorithm = assoc::kAprioriTid;
    if (algorithm == "ais") params.algorithm = assoc::kAis;
    if (*aisPruning && params.algorithm != assoc::kAis) {
      throw CLI::ValidationError("--ais-pruning", "goes with --algorithm ais");
    }
    if (!taxonomy.empty() && params.algorithm != assoc::kApriori) {
      throw CLI::ValidationError("--taxonomy", "generalized rules are mined with A priori only");
    }
    ctx.action = [&ctx] {
      std::string templates;
      if (!CollectTemplates(filters, templates)) return kExitFailure;
      params.templates = templates;
      if (!taxonomy.empty()) params.taxonomyFile = InputFile(taxonomy);
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      auto result = assoc::RunAssociationJob(ctx.source, params, std::cout, progress);
      if (!result) return CliContext::Fail(result.status());
      PrintResult(*result, !filters.empty());
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
