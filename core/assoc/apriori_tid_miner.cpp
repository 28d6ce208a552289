#include "core/assoc/apriori_tid_miner.h"

#include <algorithm>
#include <string>

#include "core/assoc/candidate_generation.h"

namespace quarry::assoc {

namespace {

// Per transaction, the indices (ascending) of the sets of the current level it holds. Only
// transactions holding two or more are kept: the others hold no candidate of the next size.
struct LevelRecord {
  std::vector<int64_t> start{0};
  std::vector<int32_t> members;

  size_t Size() const { return start.size() - 1; }
  void Close() {
    if (static_cast<int64_t>(members.size()) - start.back() >= 2) {
      start.push_back(static_cast<int64_t>(members.size()));
    } else {
      members.resize(static_cast<size_t>(start.back()));
    }
  }
};

// Where the candidate joined from sets a < b of the level sits: b - a - 1 slots after a's first.
// Sets join only with later sets of their own prefix group, so each a has a short row of slots.
class JoinSlots {
 public:
  JoinSlots(const std::vector<ItemPositions>& level, const std::vector<JoinedCandidate>& joined) {
    const size_t n = level.size();
    groupEnd_.assign(n, 0);
    for (size_t i = n; i-- > 0;) {
      const bool sameGroup =
          i + 1 < n && std::equal(level[i].begin(), level[i].end() - 1, level[i + 1].begin());
      groupEnd_[i] = sameGroup ? groupEnd_[i + 1] : static_cast<int32_t>(i + 1);
    }
    first_.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
      first_[i + 1] = first_[i] + (groupEnd_[i] - static_cast<int64_t>(i) - 1);
    }
    slot_.assign(static_cast<size_t>(first_[n]), -1);
    for (size_t c = 0; c < joined.size(); ++c) {
      slot_[static_cast<size_t>(Slot(joined[c].first, joined[c].second))] = static_cast<int32_t>(c);
    }
  }

  int32_t GroupEnd(int32_t a) const { return groupEnd_[static_cast<size_t>(a)]; }
  int32_t Candidate(int32_t a, int32_t b) const { return slot_[static_cast<size_t>(Slot(a, b))]; }

 private:
  int64_t Slot(int32_t a, int32_t b) const { return first_[static_cast<size_t>(a)] + (b - a - 1); }

  std::vector<int32_t> groupEnd_;
  std::vector<int64_t> first_;
  std::vector<int32_t> slot_;  // candidate ordinal, -1 for a joined set the prune removed
};

// Calls `visit(candidate)` for every candidate the transaction with `members` holds.
template <typename Visit>
void ForEachHeldCandidate(const JoinSlots& slots, const int32_t* members, const int32_t* end,
                          Visit&& visit) {
  for (const int32_t* a = members; a != end; ++a) {
    const int32_t groupEnd = slots.GroupEnd(*a);
    for (const int32_t* b = a + 1; b != end && *b < groupEnd; ++b) {
      const int32_t candidate = slots.Candidate(*a, *b);
      if (candidate >= 0) visit(candidate);
    }
  }
}

}  // namespace

AprioriTidMiner::AprioriTidMiner(TransactionScan& scan, long transactions, float minSupport,
                                 Progress& progress)
    : scan_(scan), transactions_(transactions), minSupport_(minSupport), progress_(progress) {}

Status AprioriTidMiner::Run(TidResult& result) {
  result = TidResult{};
  const size_t m = scan_.ItemCount();
  // The one read of the table: the counts and every transaction's items.
  std::vector<int32_t> counts(m, 0);
  std::vector<int64_t> start{0};
  std::vector<int32_t> items;
  Status s = scan_.Pass("A priori Tid pass 1", transactions_, [&](const Transaction& t) {
    for (int32_t p : *t.items) ++counts[static_cast<size_t>(p)];
    items.insert(items.end(), t.items->begin(), t.items->end());
    start.push_back(static_cast<int64_t>(items.size()));
  });
  if (!s.ok()) return s;

  auto emit = [&result, m](const ItemPositions& positions, int32_t count) {
    result.entries.push_back({static_cast<int32_t>(result.itemVectors.size()), count});
    result.itemVectors.push_back(ToItemVector(positions, m));
  };
  std::vector<ItemPositions> level;
  std::vector<int32_t> rank(m, -1);
  for (size_t i = 0; i < m; ++i) {
    if (!IsFrequent(counts[i], transactions_, minSupport_)) continue;
    rank[i] = static_cast<int32_t>(level.size());
    level.push_back({static_cast<int32_t>(i)});
    emit(level.back(), counts[i]);
  }
  LevelRecord record;
  for (size_t t = 0; t + 1 < start.size(); ++t) {
    for (int64_t i = start[t]; i < start[t + 1]; ++i) {
      const int32_t r = rank[static_cast<size_t>(items[static_cast<size_t>(i)])];
      if (r >= 0) record.members.push_back(r);
    }
    record.Close();
  }
  std::vector<int32_t>().swap(items);
  std::vector<int64_t>().swap(start);

  for (size_t k = 1; !level.empty() && k < m; ++k) {
    const std::vector<JoinedCandidate> joined = JoinAndPrune(level);
    if (joined.empty()) break;
    const JoinSlots slots(level, joined);
    const std::string what = "A priori Tid pass " + std::to_string(k + 1);
    std::vector<int32_t> found(joined.size(), 0);
    for (size_t t = 0; t < record.Size(); ++t) {
      const int32_t* begin = record.members.data() + record.start[t];
      ForEachHeldCandidate(slots, begin, record.members.data() + record.start[t + 1],
                           [&found](int32_t c) { ++found[static_cast<size_t>(c)]; });
      if (t % 16384 == 0) {
        if (progress_.Cancelled()) return Cancelled("association rules cancelled");
        progress_.Update(what, static_cast<long>(t), static_cast<long>(record.Size()));
      }
    }
    std::vector<int32_t> nextRank(joined.size(), -1);
    std::vector<ItemPositions> next;
    for (size_t c = 0; c < joined.size(); ++c) {
      if (!IsFrequent(found[c], transactions_, minSupport_)) continue;
      nextRank[c] = static_cast<int32_t>(next.size());
      next.push_back(joined[c].positions);
      emit(next.back(), found[c]);
    }
    // Joined in (first, second) order, the held candidates come out ascending: so do the ranks.
    LevelRecord nextRecord;
    for (size_t t = 0; t < record.Size(); ++t) {
      const int32_t* begin = record.members.data() + record.start[t];
      ForEachHeldCandidate(slots, begin, record.members.data() + record.start[t + 1],
                           [&](int32_t c) {
                             if (nextRank[static_cast<size_t>(c)] >= 0) {
                               nextRecord.members.push_back(nextRank[static_cast<size_t>(c)]);
                             }
                           });
      nextRecord.Close();
    }
    record = std::move(nextRecord);
    level = std::move(next);
  }
  return Status::Ok();
}

}  // namespace quarry::assoc
