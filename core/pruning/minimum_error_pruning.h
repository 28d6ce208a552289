#pragma once
// Minimum error pruning (code 3): for each m of a list, a fresh copy of the grown tree is pruned
// bottom-up wherever a node's m-probability estimate of error as a leaf (static error) does not
// exceed the error backed up from its children (dynamic error); the pruning table picks the m
// whose tree makes the fewest errors.

#include <string_view>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

inline constexpr int kMaxMValues = 1000;

struct MValues {
  std::vector<float> values;  // at most kMaxMValues
  bool tooMany = false;       // the text held more; the rest is not used
};

// Parses the "1, 2, 8" text: pieces up to each ",", leading and trailing blanks allowed; the
// first empty piece ends the list ("1,,2" gives 1). A piece that is not a number, or a negative
// m, fails with kInvalidArgument.
Expected<MValues> ParseMValues(std::string_view text);

// The static error of `node` as a leaf: the least over the classes c of
// (n - n(c) + (1 - p(c)) m) / (n + m), with the class priors p(c) of `root`.
float StaticError(const dtree::TreeNode& node, float m, const dtree::TreeNode& root);

// Prunes below and at `node`; `root` gives the priors. Writes each node's static error into its
// errors. True when `node` was pruned.
bool MinimumErrorPrune(const PruningContext& ctx, dtree::TreeNode& node,
                       const dtree::TreeNode& root, float m, int number, int& counter);

// Code 3: `tree` receives the best pruning of `grown`. Fails with kFatal when the m-value text
// holds no value, kInvalidArgument when it holds something else than numbers; loads the
// training table again at the end.
Status MinimumErrorPruning(const PruningContext& ctx, const dtree::TreeNode& grown,
                           dtree::TreeNode& tree);

}  // namespace quarry::pruning
