#include "core/pruning/pruning_method.h"

namespace quarry::pruning {

namespace {

constexpr std::string_view kHintPruneTable =
    "Please select a *_data table, you need *_prune table to prune and a *_test to test on "
    "unseens cases";
constexpr std::string_view kHintPruneTableForPruning =
    "Please select a *_data table, you need a *_prune table for pruning and a *_test to test on "
    "unseens cases";
constexpr std::string_view kHintFolds =
    "Please select a *_data table, you need *_xt1..*_xt10 tables for CV ,*_xs1..*_xs10 to "
    "evaluate and a *_test to test on unseens cases";

}  // namespace

const std::vector<PruningMethodInfo>& PruningMethods() {
  static const std::vector<PruningMethodInfo> kMethods = {
      {kStandardPrune, "standard", "Standard Prune", kHintPruneTable, "standard Prune"},
      {kReducedErrorPruning, "reduced-error", "&Reduced Error Pruning", kHintPruneTable,
       "Reduced error pruning"},
      {kCriticalValuePruning, "critical-value", "&Critical Value Pruning",
       "Please select select a *_data table, you need *_prune table to prune and a *_test to "
       "test on unseens cases",
       "Critical Value pruning"},
      {kMinimumErrorPruning, "minimum-error", "&Minimum Error Pruning",
       "Please select a *_data table, you need a *_prune table for pruning and a *_test to test "
       "on unseens cases.Please insert m-values in the form num1,num2,....",
       "Minimum error pruning"},
      {kErrorComplexityTestSet1SE, "ecp-1se", "Error complexity pruning with test set and 1SE rule",
       kHintPruneTableForPruning, "Error Complexity pruning 1SE"},
      {kErrorComplexityTestSet, "ecp-test", "&Error Complexity Pruning with test set",
       kHintPruneTableForPruning, "Error Complexity pruning test set"},
      {kPessimisticErrorPruning, "pessimistic", "Pessimistic Error Pruning",
       "Please select a *_data table, you need a *_test to test on unseens cases",
       "Pessimistic error pruning"},
      {kIterativeGrowingPruning, "iterative", "Iterative Growing and Pruning Algorithm",
       "Please select a *_train1 table, you need *_train2 table to prune and a *_test to test on "
       "unseens cases",
       "Iterative growing pruning"},
      {kErrorComplexityCV, "ecp-cv", "Error Complexity Pruning with CV", kHintFolds,
       "Error Complexity pruning CV"},
      {kErrorComplexityCV1SE, "ecp-cv-1se",
       "Error complexity pruning with cross-validation and1SE ", kHintFolds,
       "Error Complexity pruning CV-1SE"},
      {kReducedErrorGrafting, "grafting", "Reduced Error &Grafting", kHintPruneTable,
       "reduced error grafting"},
      {kErrorComplexityNewCV, "ecp-new-cv", "Error complexity pruning (NEW) with cross-validation",
       kHintFolds, "Error Complexity pruning new CV"},
      {kErrorComplexityNewCV1SE, "ecp-new-cv-1se",
       "Error complexity pruning (NEW) with cross-validation and1SE ", kHintFolds,
       "Error Complexity pruning new CV-1SE"},
  };
  return kMethods;
}

std::optional<PruningMethodInfo> FindPruningMethod(int code) {
  for (const PruningMethodInfo& method : PruningMethods()) {
    if (method.code == code) return method;
  }
  return std::nullopt;
}

std::optional<PruningMethodInfo> FindPruningMethod(std::string_view cliName) {
  for (const PruningMethodInfo& method : PruningMethods()) {
    if (method.cliName == cliName) return method;
  }
  return std::nullopt;
}

bool NeedsFoldTables(int code) {
  return code == kErrorComplexityCV || code == kErrorComplexityCV1SE ||
         code == kErrorComplexityNewCV || code == kErrorComplexityNewCV1SE;
}

bool NeedsPruningTable(int code) {
  return code != kStandardPrune && code != kPessimisticErrorPruning &&
         code != kIterativeGrowingPruning && FindPruningMethod(code).has_value();
}

}  // namespace quarry::pruning
