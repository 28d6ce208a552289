#include "core/assoc/ais_miner.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/assoc/apriori_miner.h"
#include "core/assoc/candidate_tree.h"

namespace quarry::assoc {

namespace {

struct Candidate {
  int32_t count = 0;
  long lastSeen = 0;   // the transaction that counted it last
  bool exact = false;  // one item beyond a frontier set
};

struct FrontierSet {
  ItemPositions positions;
  int32_t count = 0;
};

using CandidateMap = std::unordered_map<ItemPositions, Candidate, PositionsHash>;

bool SizeThenLexicographic(const FrontierSet& a, const FrontierSet& b) {
  if (a.positions.size() != b.positions.size()) return a.positions.size() < b.positions.size();
  return a.positions < b.positions;
}

}  // namespace

AisMiner::AisMiner(TransactionScan& scan, long transactions, float minSupport, bool pruning)
    : scan_(scan),
      transactions_(transactions),
      minSupport_(static_cast<double>(minSupport)),
      minSupportTyped_(minSupport),
      pruning_(pruning) {}

Status AisMiner::Run(ItemsetList& answer) {
  answer.clear();
  passes_ = 0;
  candidatesFormed_ = 0;
  const size_t m = scan_.ItemCount();
  const double n = static_cast<double>(transactions_);
  std::vector<int32_t> counts;
  if (Status s = CountSingleItems(scan_, transactions_, "AIS pass 1", counts); !s.ok()) return s;
  passes_ = 1;
  std::vector<double> supp1(m);
  std::vector<FrontierSet> frontier;
  std::unordered_set<ItemPositions, PositionsHash> reported;
  std::unordered_set<ItemPositions, PositionsHash> usedAsFrontier;
  std::vector<FrontierSet> found;  // the answer, before it is put in order
  for (size_t i = 0; i < m; ++i) {
    supp1[i] = static_cast<double>(counts[i]) / n;
    if (!IsFrequent(counts[i], transactions_, minSupportTyped_)) continue;
    frontier.push_back({{static_cast<int32_t>(i)}, counts[i]});
    reported.insert(frontier.back().positions);
    usedAsFrontier.insert(frontier.back().positions);
    found.push_back(frontier.back());
  }

  // The count a candidate can still reach, as a support: what pruning compares.
  auto reachable = [&](int64_t count, long transaction) {
    return static_cast<double>(count + (transactions_ - transaction)) / n;
  };

  while (!frontier.empty()) {
    CandidateTree tree(m);
    for (size_t f = 0; f < frontier.size(); ++f) {
      tree.Insert(frontier[f].positions, static_cast<int32_t>(f));
    }
    CandidateMap candidates;
    ItemPositions extension;
    std::vector<int32_t> held;
    long number = 0;
    const ItemPositions* items = nullptr;

    auto touch = [&](bool exact) {
      auto it = candidates.find(extension);
      if (it != candidates.end()) {
        Candidate& c = it->second;
        c.exact = c.exact || exact;
        if (c.lastSeen == number) return;
        // Unchanged since it was last counted, it could still reach the minimum after the
        // previous transaction, or it is gone; a gone candidate cannot come back: a new one
        // would have even fewer transactions left.
        if (pruning_ && reachable(c.count, number - 1) < minSupport_) {
          candidates.erase(it);
          return;
        }
        ++c.count;
        c.lastSeen = number;
        return;
      }
      if (pruning_ && reachable(1, number) < minSupport_) return;
      candidates.emplace(extension, Candidate{1, number, exact});
      ++candidatesFormed_;
    };
    // Extends `extension` (last position `last`) by each later item of the transaction.
    auto extend = [&](auto& self, int32_t frontierCount, int32_t last, double product,
                      bool oneStep) -> void {
      auto j = std::upper_bound(items->begin(), items->end(), last);
      for (; j != items->end(); ++j) {
        const double supp = supp1[static_cast<size_t>(*j)];
        product *= supp;
        extension.push_back(*j);
        touch(oneStep);
        const double expected = static_cast<double>(frontierCount) * product / n;
        if (expected >= minSupport_ && supp >= minSupport_) {
          self(self, frontierCount, *j, product, false);
        }
        extension.pop_back();
      }
    };

    ++passes_;
    const std::string what = "AIS pass " + std::to_string(passes_);
    Status s = scan_.Pass(what, transactions_, [&](const Transaction& t) {
      number = t.number;
      items = t.items;
      held.clear();
      tree.Search(*t.vector, [&held](int32_t f) { held.push_back(f); });
      for (int32_t f : held) {
        const FrontierSet& base = frontier[static_cast<size_t>(f)];
        extension = base.positions;
        extend(extend, base.count, base.positions.back(), 1.0, true);
      }
      // Candidates that fell behind and were not met again would stay until the end.
      if (pruning_ && number % 8192 == 0) {
        std::erase_if(candidates, [&](const auto& entry) {
          return reachable(entry.second.count, number) < minSupport_;
        });
      }
    });
    if (!s.ok()) return s;

    std::vector<FrontierSet> next;
    for (const auto& [positions, c] : candidates) {
      if (!IsFrequent(c.count, transactions_, minSupportTyped_)) continue;
      if (c.exact && reported.insert(positions).second) {
        found.push_back({positions, c.count});
      }
      if (usedAsFrontier.insert(positions).second) next.push_back({positions, c.count});
    }
    std::sort(next.begin(), next.end(),
              [](const FrontierSet& a, const FrontierSet& b) { return a.positions < b.positions; });
    frontier = std::move(next);
  }
  std::sort(found.begin(), found.end(), SizeThenLexicographic);
  for (const FrontierSet& f : found) answer.push_back({f.count, ToItemVector(f.positions, m)});
  return Status::Ok();
}

}  // namespace quarry::assoc
