#pragma once
// The tables a pruning method derives from the name of the job's training table: the role of a
// table is a suffix of its name, and related tables share one base name B (B_data, B_prune,
// B_test, B_train1, B_train2, B_train, B_xt1..B_xt10, B_xs1..B_xs10).

#include <string>

namespace quarry::pruning {

inline constexpr int kFoldPairs = 10;  // cross-validation fold tables B_xt1.., B_xs1..

std::string BaseName(const std::string& training);           // "_data" removed
std::string PruningTableName(const std::string& training);   // "_data" -> "_prune"
std::string SecondHalfName(const std::string& training);     // "_train1" -> "_train2"
std::string WholeTrainingName(const std::string& training);  // "_train1" -> "_train"
// The unseen cases: "_train1" -> "_test" for the iterative method, "_data" -> "_test" otherwise.
std::string TestTableName(const std::string& training, int method);
// Training and test part of cross-validation fold v (1..10) of base name `base`.
std::string FoldTrainingName(const std::string& base, int v);  // base + "_xt" + v
std::string FoldTestName(const std::string& base, int v);      // base + "_xs" + v

}  // namespace quarry::pruning
