#pragma once
// The pruning methods a decision-tree job can apply to its grown tree: their codes, the names
// the command line knows them by, the texts the dialogs show, and the tables each one needs.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quarry::pruning {

// The pruning-method codes of the decision-tree job (10 is unused).
enum PruningMethod : int16_t {
  kStandardPrune = 0,
  kReducedErrorPruning = 1,
  kCriticalValuePruning = 2,
  kMinimumErrorPruning = 3,
  kErrorComplexityTestSet1SE = 4,
  kErrorComplexityTestSet = 5,
  kPessimisticErrorPruning = 6,
  kIterativeGrowingPruning = 7,
  kErrorComplexityCV = 8,
  kErrorComplexityCV1SE = 9,
  kReducedErrorGrafting = 11,
  kErrorComplexityNewCV = 12,
  kErrorComplexityNewCV1SE = 13,
};

struct PruningMethodInfo {
  PruningMethod code;
  std::string_view cliName;   // quarry-cli dtree --prune NAME
  std::string_view menuText;  // the decision-tree dialog's pruning menu
  std::string_view hint;      // the dialog's status text when the method is chosen
  std::string_view cvName;    // shown after "pruning method :" in the cross-validation settings
};

// Every method, in code order.
const std::vector<PruningMethodInfo>& PruningMethods();
std::optional<PruningMethodInfo> FindPruningMethod(int code);
std::optional<PruningMethodInfo> FindPruningMethod(std::string_view cliName);

// The method reads the pruning table (training name with "_data" replaced by "_prune").
bool NeedsPruningTable(int code);
// The method reads the ten pairs of cross-validation fold tables.
bool NeedsFoldTables(int code);
// The method grows on two halves of the training set (B_train1, B_train2, B_train).
inline bool UsesTrainingHalves(int code) { return code == kIterativeGrowingPruning; }

}  // namespace quarry::pruning
