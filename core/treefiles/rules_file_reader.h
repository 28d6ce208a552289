#pragma once
// The one reader of rules files, for both kinds: decision rules ("Decision Tree") and model-tree
// rules ("Regression Tree"). The viewers and quarry-cli list rules only through it.
//
// A rule block is: "-->  Rules<n>:" (decision) or "-->  Rule<n>:" (model), three statistics
// lines indented by 13 spaces (number of cases; class or mean; error or deviance), "     IF",
// one line per condition (all but the last ending in " AND"), "     THEN" and the conclusion.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry::treefiles {

struct RuleRecord {
  int number = 0;                       // the number in the rule's title
  std::string title;                    // "Rules3" or "Rule3"
  std::string cases;                    // the statistics, as written after their captions
  std::string detail1;                  // the class (decision) or the mean (model)
  std::string detail2;                  // the error (decision) or the deviance (model)
  std::vector<std::string> conditions;  // each condition's text, without indent and " AND"
  std::string conclusion;               // "play = no", "Price = 12.500000 + ..."
  std::vector<std::string> lines;  // the rule's text: "     IF", the conditions, "     THEN" and
                                   // the conclusion, as written
};

struct RulesFile {
  TreeKind kind = TreeKind::kDecisionTree;
  std::string readLine;
  std::vector<RuleRecord> rules;
  std::vector<std::string> summary;  // the non-empty lines after the last rule

  // Captions of the statistics as the viewers show them: "NUMBER OF CASES", then "MOST FREQUENT
  // CLASS" and "ERROR" or "MEAN" and "DEVIANCE".
  static const char* StatisticCaption(TreeKind kind, int statistic);
};

// Parses a rules text; a kParse status with kBadTreeFileFormat when it does not follow the
// layout.
Expected<RulesFile> ParseRulesText(std::string_view text);
Expected<RulesFile> ReadRulesFile(const std::filesystem::path& path);

// A rule as a row of the viewers' rules table: its conditions joined by " AND " (empty when the
// rule holds for every case), its conclusion, and its number of cases and its error (decision
// rules) or deviance (model rules) as numbers to sort by, NaN where the file's text is no number.
struct RuleTableRow {
  std::string conditions;
  std::string conclusion;
  double cases = 0;
  double error = 0;
};
RuleTableRow RuleRow(const RuleRecord& rule);

// The rule's text as the rules viewer lists it: lines longer than 70 characters are cut into
// pieces of 57 characters, each continuation indented by 13 spaces.
std::vector<std::string> RuleDisplayLines(const RuleRecord& rule);

}  // namespace quarry::treefiles
