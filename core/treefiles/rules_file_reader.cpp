#include "core/treefiles/rules_file_reader.h"

#include <cctype>
#include <cmath>

#include "core/common/number_text.h"
#include "core/common/text_util.h"

namespace quarry::treefiles {

namespace {

constexpr std::string_view kDecisionHeader = "Decision Tree";
constexpr std::string_view kModelHeader = "Regression Tree";
constexpr std::string_view kTitlePrefix = "-->  Rule";
constexpr std::string_view kStatisticIndent = "             ";
constexpr std::string_view kIf = "     IF";
constexpr std::string_view kThen = "     THEN";
constexpr std::string_view kAnd = "  AND";
constexpr size_t kWrapAbove = 70;
constexpr size_t kWrapPiece = 57;

Status BadFormat() { return ParseError(std::string(kBadTreeFileFormat)); }

// "-->  Rules12:" or "-->  Rule12:"; false for anything else.
bool ParseTitle(std::string_view line, RuleRecord& rule) {
  if (!StartsWith(line, kTitlePrefix) || line.empty() || line.back() != ':') return false;
  std::string_view rest = line.substr(kTitlePrefix.size(), line.size() - kTitlePrefix.size() - 1);
  if (!rest.empty() && rest.front() == 's') rest.remove_prefix(1);
  if (rest.empty() || rest.size() > 9) return false;
  int number = 0;
  for (char c : rest) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    number = number * 10 + (c - '0');
  }
  rule.number = number;
  rule.title = std::string(line.substr(5, line.size() - 6));
  return true;
}

// A statistics line "             <caption>: <value>"; false when the caption differs.
bool ParseStatistic(std::string_view line, std::string_view caption, std::string& value) {
  if (!StartsWith(line, kStatisticIndent)) return false;
  std::string_view rest = line.substr(kStatisticIndent.size());
  if (!StartsWith(rest, caption) || rest.size() == caption.size() || rest[caption.size()] != ':') {
    return false;
  }
  value = std::string(Trim(rest.substr(caption.size() + 1)));
  return true;
}

}  // namespace

const char* RulesFile::StatisticCaption(TreeKind kind, int statistic) {
  static const char* const kDecision[] = {"NUMBER OF CASES", "MOST FREQUENT CLASS", "ERROR"};
  static const char* const kModel[] = {"NUMBER OF CASES", "MEAN", "DEVIANCE"};
  if (statistic < 0 || statistic > 2) return "";
  return kind == TreeKind::kModelTree ? kModel[statistic] : kDecision[statistic];
}

Expected<RulesFile> ParseRulesText(std::string_view text) {
  const TextLines split = SplitTextLines(text);
  const auto& lines = split.lines;
  RulesFile file;
  if (lines.empty() || !split.complete[0]) return BadFormat();
  if (lines[0] == kDecisionHeader) {
    file.kind = TreeKind::kDecisionTree;
  } else if (lines[0] == kModelHeader) {
    file.kind = TreeKind::kModelTree;
  } else {
    return BadFormat();
  }
  if (lines.size() < 3 || !StartsWith(lines[1], "Read  ") || !lines[2].empty()) return BadFormat();
  file.readLine = std::string(lines[1]);
  const bool model = file.kind == TreeKind::kModelTree;
  const std::string_view classCaption = model ? "Mean" : "MOST FREQUENT CLASS";
  const std::string_view errorCaption = model ? "Deviance" : "ERROR";

  size_t at = 3;
  while (true) {
    while (at < lines.size() && lines[at].empty()) ++at;
    if (at >= lines.size() || !StartsWith(lines[at], kTitlePrefix)) break;
    RuleRecord rule;
    if (!ParseTitle(lines[at], rule)) return BadFormat();
    if (at + 4 >= lines.size()) return BadFormat();
    if (!ParseStatistic(lines[at + 1], "Number of cases", rule.cases) ||
        !ParseStatistic(lines[at + 2], classCaption, rule.detail1) ||
        !ParseStatistic(lines[at + 3], errorCaption, rule.detail2) || lines[at + 4] != kIf) {
      return BadFormat();
    }
    at += 5;
    rule.lines.emplace_back(kIf);
    const size_t firstCondition = at;
    while (at < lines.size() && lines[at] != kThen) ++at;
    if (at + 1 >= lines.size()) return BadFormat();  // no THEN, or nothing after it
    for (size_t c = firstCondition; c < at; ++c) {
      std::string_view condition = lines[c];
      rule.lines.emplace_back(condition);
      if (StartsWith(condition, kStatisticIndent)) condition.remove_prefix(kStatisticIndent.size());
      if (c + 1 < at) {
        if (!EndsWith(condition, kAnd)) return BadFormat();
        condition.remove_suffix(kAnd.size());
      }
      rule.conditions.emplace_back(Trim(condition));
    }
    rule.lines.emplace_back(kThen);
    rule.lines.emplace_back(lines[at + 1]);
    rule.conclusion = std::string(Trim(lines[at + 1]));
    file.rules.push_back(std::move(rule));
    at += 2;
  }
  if (file.rules.empty()) return BadFormat();
  for (; at < lines.size(); ++at) {
    if (!lines[at].empty()) file.summary.emplace_back(lines[at]);
  }
  return file;
}

Expected<RulesFile> ReadRulesFile(const std::filesystem::path& path) {
  auto text = ReadTextFile(path);
  if (!text) return BadFormat();
  return ParseRulesText(*text);
}

std::vector<std::string> RuleDisplayLines(const RuleRecord& rule) {
  std::vector<std::string> out;
  for (const std::string& line : rule.lines) {
    if (line.size() <= kWrapAbove) {
      out.push_back(line);
      continue;
    }
    for (size_t start = 0; start < line.size(); start += kWrapPiece) {
      std::string piece = start == 0 ? std::string() : std::string(kStatisticIndent);
      piece += line.substr(start, kWrapPiece);
      out.push_back(std::move(piece));
    }
  }
  return out;
}

RuleTableRow RuleRow(const RuleRecord& rule) {
  RuleTableRow row;
  for (const std::string& condition : rule.conditions)
    row.conditions += (row.conditions.empty() ? "" : " AND ") + condition;
  row.conclusion = rule.conclusion;
  row.cases = ParseNumber(rule.cases).value_or(NAN);
  row.error = ParseNumber(rule.detail2).value_or(NAN);
  return row;
}

}  // namespace quarry::treefiles
