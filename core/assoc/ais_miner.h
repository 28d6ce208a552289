#pragma once
// AIS: candidates grow out of the transactions themselves. Each pass reads the table; for every
// frontier set a transaction holds, the transaction's later items extend it, one after another
// for as long as the extension is expected to be frequent (its frontier set's count times the
// supports of the transaction's items passed over, over N) and the added item is frequent.
//
// Counts stay exact: a candidate counts a transaction once, however many frontier sets lead to
// it, and only candidates one item beyond a frontier set are reported, because those meet every
// transaction that holds them; longer extensions are counted only where their expectation held.
// Their frequent ones still join the next frontier, which is what saves passes. With "Pruning",
// a candidate that can no longer reach the minimum count in the rest of the pass is dropped.

#include <cstdint>

#include "core/assoc/itemset.h"
#include "core/assoc/transaction_scan.h"
#include "core/common/status.h"

namespace quarry::assoc {

class AisMiner {
 public:
  AisMiner(TransactionScan& scan, long transactions, float minSupport, bool pruning);

  // The frequent itemsets in A priori's order: by size, each size lexicographic.
  Status Run(ItemsetList& answer);

  int Passes() const { return passes_; }
  // Candidates formed over all passes (pruning keeps some from being formed).
  int64_t CandidatesFormed() const { return candidatesFormed_; }

 private:
  TransactionScan& scan_;
  long transactions_;
  double minSupport_;
  float minSupportTyped_;
  bool pruning_;
  int passes_ = 0;
  int64_t candidatesFormed_ = 0;
};

}  // namespace quarry::assoc
