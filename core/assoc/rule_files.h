#pragma once
// The two rule files of the working folder. "outrules.txt" gets every extracted rule as
// "%s supp: %f \n conf: %f \n\n"; "assoc.txt" (the OK of "Rules Visualization") gets
// "Regola %d = %s\n" with the index counted from 0, then "***************\n". Both are replaced
// whole; no rules give an empty file.

#include <filesystem>
#include <vector>

#include "core/assoc/rule_generator.h"
#include "core/common/status.h"

namespace quarry::assoc {

inline constexpr const char* kOutRulesFile = "outrules.txt";
inline constexpr const char* kAssocFile = "assoc.txt";

std::string OutRulesText(const std::vector<AssociationRule>& rules);
std::string AssocFileText(const std::vector<AssociationRule>& rules);

// Write the texts to the working folder's files (or to `path` when given).
Status WriteOutRules(const std::vector<AssociationRule>& rules,
                     const std::filesystem::path& path = {});
Status WriteAssocFile(const std::vector<AssociationRule>& rules,
                      const std::filesystem::path& path = {});

}  // namespace quarry::assoc
