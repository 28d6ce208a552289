#include "core/dtree/windowing.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/classification.h"
#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"

namespace quarry::dtree {

int InitialWindow(const InductionEngine& engine) {
  const int cases = engine.MaxItem() + 1;
  if (engine.Options.WINDOW > 0) return engine.Options.WINDOW;
  return static_cast<int>(
      std::max(2 * std::sqrt(static_cast<double>(cases)), static_cast<double>(cases / 5)));
}

int WindowIncrement(const InductionEngine& engine, int window) {
  if (engine.Options.INCREMENT > 0) return engine.Options.INCREMENT;
  return std::max(window / 5, 1);
}

std::vector<int> SetWindowTargets(const InductionEngine& engine, int size) {
  const int classes = engine.MaxClass() + 1;
  std::vector<int> count(static_cast<size_t>(classes), 0);
  for (Case c : engine.Cases.Item) ++count[static_cast<size_t>(engine.ClassOf(c))];
  std::vector<int> target(static_cast<size_t>(classes), 0);
  std::vector<bool> served(static_cast<size_t>(classes), false);
  int left = 0;
  for (int c = 0; c < classes; ++c) {
    if (count[static_cast<size_t>(c)] == 0) {
      served[static_cast<size_t>(c)] = true;
    } else {
      ++left;
    }
  }
  int remaining = size;
  while (left > 0) {
    int fewest = -1;
    for (int c = 0; c < classes; ++c) {
      if (!served[static_cast<size_t>(c)] &&
          (fewest < 0 || count[static_cast<size_t>(c)] < count[static_cast<size_t>(fewest)])) {
        fewest = c;
      }
    }
    const int share = std::min(count[static_cast<size_t>(fewest)], remaining / left);
    target[static_cast<size_t>(fewest)] = share;
    remaining -= share;
    served[static_cast<size_t>(fewest)] = true;
    --left;
  }
  return target;
}

void ShuffleCases(InductionEngine& engine, Rand& rand) {
  std::vector<Case>& item = engine.Cases.Item;
  int left = engine.MaxItem() + 1;
  for (int at = 0; left > 0; ++at, --left) {
    const int alt = at + rand.Next() % left;
    std::swap(item[static_cast<size_t>(at)], item[static_cast<size_t>(alt)]);
  }
}

void FormWindow(InductionEngine& engine, Rand& rand, const std::vector<int>& targets) {
  ShuffleCases(engine, rand);
  int start = 0;
  for (size_t c = 0; c < targets.size(); ++c) {
    int wanted = targets[c];
    for (int i = start; i <= engine.MaxItem() && wanted > 0; ++i) {
      if (engine.ClassOfItem(i) == static_cast<int>(c)) {
        engine.SwapCases(start, i);
        ++start;
        --wanted;
      }
    }
  }
}

std::unique_ptr<TreeNode> GrowWithWindow(InductionEngine& engine, int window, int increment) {
  std::ostream& out = engine.Report();
  const int maxItem = engine.MaxItem();
  out << "Cycle   Tree    -----Cases----    -----------------Errors-----------------\n"
      << "        size    window   other    window  rate   other  rate   total  rate\n"
      << "-----   ----    ------  ------    ------  ----  ------  ----  ------  ----\n";
  std::unique_ptr<TreeNode> best;
  int bestTotal = 0;
  // The next window draws from the order the growing leaves.
  struct WindowingOn {
    InductionEngine& engine;
    explicit WindowingOn(InductionEngine& e) : engine(e) { engine.Windowing = true; }
    ~WindowingOn() { engine.Windowing = false; }
  } windowing(engine);
  for (int cycle = 1;; ++cycle) {
    std::unique_ptr<TreeNode> tree = GrowNewTree(engine, 0, window - 1);
    const int errors = static_cast<int>(tree->Errors() + 0.5);
    int exceptions = 0;
    for (int i = window; i <= maxItem; ++i) {
      if (ClassifyCase(engine, engine.Cases.Item[static_cast<size_t>(i)], *tree) !=
          engine.ClassOfItem(i)) {
        engine.SwapCases(window + exceptions, i);
        ++exceptions;
      }
    }
    const int total = errors + exceptions;
    out << Format("%3d  %7d  %8d  %6d  %8d%5.1f%%  %6d%5.1f%%  %6d%5.1f%%\n", cycle,
                  TreeSize(*tree), window, maxItem - window + 1, errors, 100.0 * errors / window,
                  exceptions, 100.0 * exceptions / (maxItem - window + 1.001), total,
                  100.0 * total / (maxItem + 1.0));
    if (!best || total < bestTotal) {
      best = std::move(tree);
      bestTotal = total;
    }
    if (exceptions == 0 || engine.JobProgress().Cancelled()) break;
    const int additions = std::min(exceptions, increment);
    window = std::min(window + std::max(additions, exceptions / 2), maxItem + 1);
  }
  return best;
}

int BuildBestTree(InductionEngine& engine, Rand& rand, const std::string& stem, TrialTrees& trees) {
  std::ostream& out = engine.Report();
  const int window = std::min(InitialWindow(engine), engine.MaxItem() + 1);
  const int increment = WindowIncrement(engine, window);
  const std::vector<int> targets = SetWindowTargets(engine, window);
  trees.raw.clear();
  trees.pruned.clear();
  trees.best = 0;
  for (int t = 0; t < engine.Options.TRIALS; ++t) {
    FormWindow(engine, rand, targets);
    out << Format("\n--------\nTrial %d\n--------\n\n", t);
    trees.raw.push_back(GrowWithWindow(engine, window, increment));
    out << "\n";
    trees.pruned.push_back(CopyTree(*trees.raw.back()));
    if (ErrorBasedPrune(engine, *trees.pruned.back(), stem)) out << "\nSimplified ";
    engine.JobProgress().Update("windowing trials", t + 1, engine.Options.TRIALS);
    if (trees.pruned.back()->Errors() < trees.pruned[static_cast<size_t>(trees.best)]->Errors())
      trees.best = t;
    if (engine.JobProgress().Cancelled()) break;
  }
  return trees.best;
}

}  // namespace quarry::dtree
