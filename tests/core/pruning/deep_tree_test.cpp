// A chain-like tree far deeper than a thread's default stack could walk: every pruning method,
// classifying, copying and deleting walk it on a job's stack.

#include <gtest/gtest.h>

#include "core/dtree/classification.h"
#include "core/jobs/job_thread.h"
#include "core/pruning/pruning_method.h"
#include "tests/core/pruning/pruning_test_support.h"

namespace quarry::pruning {
namespace {

constexpr int kLevels = 25000;
constexpr int kEvery = 250;  // one case every kEvery levels keeps classifying cheap

// One case at x = 0, kEvery, 2 kEvery, ..., kLevels; classes alternate a, b.
std::vector<std::pair<std::string, std::string>> ChainCases() {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int x = 0; x <= kLevels; x += kEvery)
    rows.push_back({std::to_string(x), (x / kEvery) % 2 == 0 ? "a" : "b"});
  return rows;
}

// Level l tests x <= l + 0.5: its low branch is a leaf holding the case at x = l, if any; the
// high branch goes on. The chain is built from the bottom, without a walk.
std::unique_ptr<TreeNode> Chain() {
  auto leafAt = [](int x) {
    if (x % kEvery != 0) return Leaf(0, 0, 0);
    return (x / kEvery) % 2 == 0 ? Leaf(1, 0, 0) : Leaf(0, 1, 1);
  };
  std::unique_ptr<TreeNode> node = leafAt(kLevels);
  for (int level = kLevels - 1; level >= 0; --level)
    node = Cut(static_cast<float>(level) + 0.5f, leafAt(level), std::move(node));
  return node;
}

class DeepTree : public PruningTest {};

// The iterative method prints each grown tree in its report, a text that grows with the square
// of the depth (gigabytes here): quarry-cli's test runs it on a chain of 399 levels under a
// 96 KiB stack limit instead.
TEST_F(DeepTree, EveryMethodPrunesAChainOfTwentyFiveThousandLevelsOnAJobStack) {
  const auto rows = ChainCases();
  MakeCases("t_prune", rows);
  for (int v = 1; v <= 10; ++v) {
    MakeCases("t_xt" + std::to_string(v), rows);
    MakeCases("t_xs" + std::to_string(v), rows);
  }
  LoadTraining(rows);
  RunOnJobStack([&] {
    std::unique_ptr<TreeNode> grown = Chain();
    ASSERT_EQ(dtree::TreeDepth(*grown), kLevels);
    EXPECT_EQ(dtree::CountTreeErrors(engine_, *grown), 0);
    for (const PruningMethodInfo& method : PruningMethods()) {
      if (UsesTrainingHalves(method.code)) continue;
      const Status s = Prune(method.code, *grown, "0.5,2,8");
      EXPECT_TRUE(s.ok()) << method.cliName << ": " << s.message();
      EXPECT_GE(dtree::LeafCount(*result_), 1) << method.cliName;
    }
  });
}

}  // namespace
}  // namespace quarry::pruning
