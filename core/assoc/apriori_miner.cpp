#include "core/assoc/apriori_miner.h"

#include <string>

#include "core/assoc/candidate_generation.h"
#include "core/assoc/candidate_tree.h"
#include "core/assoc/taxonomy.h"

namespace quarry::assoc {

Status CountSingleItems(TransactionScan& scan, long transactions, const std::string& what,
                        std::vector<int32_t>& counts) {
  counts.assign(scan.ItemCount(), 0);
  return scan.Pass(what, transactions, [&counts](const Transaction& t) {
    for (int32_t p : *t.items) ++counts[static_cast<size_t>(p)];
  });
}

AprioriMiner::AprioriMiner(TransactionScan& scan, long transactions, float minSupport,
                           const Taxonomy* taxonomy, bool ancestorPruning)
    : scan_(scan),
      transactions_(transactions),
      minSupport_(minSupport),
      taxonomy_(taxonomy),
      ancestorPruning_(ancestorPruning) {}

Status AprioriMiner::Run(ItemsetList& answer) {
  answer.clear();
  const size_t m = scan_.ItemCount();
  std::vector<int32_t> counts;
  if (Status s = CountSingleItems(scan_, transactions_, "A priori pass 1", counts); !s.ok()) {
    return s;
  }
  std::vector<ItemPositions> level;
  for (size_t i = 0; i < m; ++i) {
    if (!IsFrequent(counts[i], transactions_, minSupport_)) continue;
    level.push_back({static_cast<int32_t>(i)});
    answer.push_back({counts[i], ToItemVector(level.back(), m)});
  }
  for (size_t k = 1; !level.empty() && k < m; ++k) {
    std::vector<JoinedCandidate> candidates = JoinAndPrune(level);
    if (taxonomy_ != nullptr && ancestorPruning_ && k == 1) {
      std::erase_if(candidates, [&](const JoinedCandidate& c) {
        return taxonomy_->ContainsItemAndAncestor(ToItemVector(c.positions, m));
      });
    }
    // No candidate, nothing to count: the pass over the table would find nothing.
    if (candidates.empty()) break;
    CandidateTree tree(m);
    for (size_t c = 0; c < candidates.size(); ++c) {
      tree.Insert(candidates[c].positions, static_cast<int32_t>(c));
    }
    std::vector<int32_t> found(candidates.size(), 0);
    const std::string what = "A priori pass " + std::to_string(k + 1);
    Status s = scan_.Pass(what, transactions_, [&](const Transaction& t) {
      tree.Search(*t.vector, [&found](int32_t ordinal) { ++found[static_cast<size_t>(ordinal)]; });
    });
    if (!s.ok()) return s;
    level.clear();
    for (size_t c = 0; c < candidates.size(); ++c) {
      if (!IsFrequent(found[c], transactions_, minSupport_)) continue;
      level.push_back(std::move(candidates[c].positions));
      answer.push_back({found[c], ToItemVector(level.back(), m)});
    }
  }
  return Status::Ok();
}

}  // namespace quarry::assoc
