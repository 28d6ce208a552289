#pragma once
// What several methods pruning the same grown tree in turn can share, and what each one hands
// back besides its tree: the cross-validation fold trees, grown and their test tables read by
// the first fold-table method and used by the others as they are; and the error the method
// estimated for the tree it chose.

#include <optional>
#include <vector>

#include "core/pruning/error_complexity_cv.h"

namespace quarry::pruning {

struct PruningShare {
  std::vector<FoldTree> folds;  // empty until a fold-table method grows them
  // Set by a method that chooses its tree by an error estimate: the chosen tree's, in percent.
  std::optional<double> estimate;
};

}  // namespace quarry::pruning
