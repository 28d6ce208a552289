#include "core/assoc/rule_files.h"

#include "core/assoc/association_miner.h"
#include "core/common/text_util.h"
#include "core/data/working_folder.h"

namespace quarry::assoc {

namespace {

Status WriteRulesFile(const std::string& text, const std::filesystem::path& path,
                      const char* name) {
  if (!path.empty()) return WriteResultFile(path, text);
  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  return WriteResultFile(WorkingFile(name), text);
}

}  // namespace

std::string OutRulesText(const std::vector<AssociationRule>& rules) {
  std::string text;
  for (const AssociationRule& rule : rules) {
    text += Format("%s supp: %f \n conf: %f \n\n", rule.text.c_str(),
                   static_cast<double>(rule.support), static_cast<double>(rule.confidence));
  }
  return text;
}

std::string AssocFileText(const std::vector<AssociationRule>& rules) {
  std::string text;
  for (size_t i = 0; i < rules.size(); ++i) {
    text += Format("Regola %d = %s\n", static_cast<int>(i), rules[i].text.c_str());
    text += "***************\n";
  }
  return text;
}

Status WriteOutRules(const std::vector<AssociationRule>& rules, const std::filesystem::path& path) {
  return WriteRulesFile(OutRulesText(rules), path, kOutRulesFile);
}

Status WriteAssocFile(const std::vector<AssociationRule>& rules,
                      const std::filesystem::path& path) {
  return WriteRulesFile(AssocFileText(rules), path, kAssocFile);
}

Expected<std::vector<AssociationRule>> ExtractLastRun(const AssociationMiner& miner) {
  if (!miner.HasResult()) return InvalidArgument(kNoMiningResult);
  return Extract(miner);
}

}  // namespace quarry::assoc
