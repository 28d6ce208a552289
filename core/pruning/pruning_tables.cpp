#include "core/pruning/pruning_tables.h"

#include "core/common/text_util.h"
#include "core/pruning/pruning_method.h"

namespace quarry::pruning {

std::string BaseName(const std::string& training) { return ReplaceAll(training, "_data", ""); }

std::string PruningTableName(const std::string& training) {
  return ReplaceAll(training, "_data", "_prune");
}

std::string SecondHalfName(const std::string& training) {
  return ReplaceAll(training, "_train1", "_train2");
}

std::string WholeTrainingName(const std::string& training) {
  return ReplaceAll(training, "_train1", "_train");
}

std::string TestTableName(const std::string& training, int method) {
  return UsesTrainingHalves(method) ? ReplaceAll(training, "_train1", "_test")
                                    : ReplaceAll(training, "_data", "_test");
}

std::string FoldTrainingName(const std::string& base, int v) {
  return base + "_xt" + std::to_string(v);
}

std::string FoldTestName(const std::string& base, int v) {
  return base + "_xs" + std::to_string(v);
}

}  // namespace quarry::pruning
