#pragma once
// The two rule files of the working folder. "outrules.txt" gets every extracted rule as
// "%s supp: %f \n conf: %f \n\n"; "assoc.txt" (the OK of "Rules Visualization") gets
// "Regola %d = %s\n" with the index counted from 0, then "***************\n". Both are replaced
// whole; a run without rules gives an empty file, a failed run none at all.

#include <filesystem>
#include <vector>

#include "core/assoc/rule_generator.h"
#include "core/common/status.h"

namespace quarry::assoc {

class AssociationMiner;

inline constexpr const char* kOutRulesFile = "outrules.txt";
inline constexpr const char* kAssocFile = "assoc.txt";
// Extract Rules when the last run failed or none ran: the files of the last good run stay.
inline constexpr const char* kNoMiningResult =
    "No frequent patterns to extract rules from: Execute a run first";

std::string OutRulesText(const std::vector<AssociationRule>& rules);
std::string AssocFileText(const std::vector<AssociationRule>& rules);

// Write the texts to the working folder's files (or to `path` when given).
Status WriteOutRules(const std::vector<AssociationRule>& rules,
                     const std::filesystem::path& path = {});
Status WriteAssocFile(const std::vector<AssociationRule>& rules,
                      const std::filesystem::path& path = {});

// Extract Rules: the rules of the miner's last run. A miner without a result (its last run
// failed, or none ran) fails with kNoMiningResult, so that no rule file is replaced by nothing.
Expected<std::vector<AssociationRule>> ExtractLastRun(const AssociationMiner& miner);

}  // namespace quarry::assoc
