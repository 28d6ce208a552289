#pragma once
// A priori: one pass over the table per itemset size. Candidates of size k+1 come from joining
// the frequent sets of size k; a pass counts them through a CandidateTree. The only miner of
// generalized rules: transactions then hold the classes above their items, and with ancestor
// pruning a 2-item candidate of an item and one of its own classes is never counted.

#include "core/assoc/itemset.h"
#include "core/assoc/transaction_scan.h"
#include "core/common/status.h"

namespace quarry::assoc {

class Taxonomy;

class AprioriMiner {
 public:
  // `taxonomy` only in generalized mode (the scan then extends transactions with classes).
  AprioriMiner(TransactionScan& scan, long transactions, float minSupport,
               const Taxonomy* taxonomy = nullptr, bool ancestorPruning = false);

  // The frequent itemsets: all of size 1, then of size 2, ..., each size in lexicographic order.
  Status Run(ItemsetList& answer);

 private:
  TransactionScan& scan_;
  long transactions_;
  float minSupport_;
  const Taxonomy* taxonomy_;
  bool ancestorPruning_;
};

// The first pass every miner shares: the single-item counts over all M positions.
Status CountSingleItems(TransactionScan& scan, long transactions, const std::string& what,
                        std::vector<int32_t>& counts);

}  // namespace quarry::assoc
