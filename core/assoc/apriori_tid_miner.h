#pragma once
// A priori Tid: the frequent itemsets and counts of A priori, reading the table once. The first
// pass keeps, per transaction, the frequent single items it holds; every later pass works on
// that record alone: a transaction holds a joined candidate exactly when it holds both sets the
// candidate was joined from, and its record becomes the frequent candidates it holds.

#include <cstdint>
#include <vector>

#include "core/assoc/itemset.h"
#include "core/assoc/transaction_scan.h"
#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry::assoc {

struct TidEntry {
  int32_t index = 0;  // into TidResult::itemVectors
  int32_t count = 0;
};

struct TidResult {
  std::vector<ItemVector> itemVectors;
  std::vector<TidEntry> entries;  // in the order of A priori's answer list
};

class AprioriTidMiner {
 public:
  AprioriTidMiner(TransactionScan& scan, long transactions, float minSupport,
                  Progress& progress = NoProgress());

  Status Run(TidResult& result);

 private:
  TransactionScan& scan_;
  long transactions_;
  float minSupport_;
  Progress& progress_;
};

}  // namespace quarry::assoc
