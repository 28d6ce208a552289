#pragma once
// The association miner: one per "Association Rules" dialog, reused by every run. It reads a table
// of transactions (rows) over items (columns holding "1" when present), finds the frequent
// itemsets with the chosen algorithm and keeps them, with the figures the dialog shows, until
// the next run or Clear. Rules are extracted from its result (rule_generator.h).

#include <cstdint>
#include <string>
#include <vector>

#include "core/assoc/apriori_tid_miner.h"
#include "core/assoc/itemset.h"
#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
}

namespace quarry::assoc {

class Taxonomy;

enum MiningAlgorithm : int { kApriori = 0, kAprioriTid = 1, kAis = 2 };

struct MiningFigures {
  long transactions = 0;                // N
  int items = 0;                        // M: columns, and classes in generalized mode
  double averageTransactionSize = 0.0;  // "1" cells / N
  int frequentPatterns = 0;
  double averagePatternSize = 0.0;  // items over all frequent itemsets / their number
};

// Where the time of the last run went; reading is the time spent fetching rows.
struct MiningTimes {
  double totalSeconds = 0.0;
  double readSeconds = 0.0;
  int tablePasses = 0;
};

// Support and confidence are fractions of the transactions: both must lie in [0, 1].
Status CheckThresholds(float minSupport, float minConfidence);

class AssociationMiner {
 public:
  void SetParameters(const std::string& table, float minSupport, float minConfidence, int algorithm,
                     bool aisPruning, DataSource& source);
  void SetGeneralization(bool generalized, bool ancestorPruning);
  // The taxonomy of generalized mode; it must outlive the runs that use it.
  void SetTaxonomy(const Taxonomy* taxonomy);

  // Mines the table under exclusive use of the data source, replacing the previous result.
  // Generalized mode always uses A priori. Fails with a message and no result on: support or
  // confidence outside [0, 1], an unknown algorithm, a missing or empty table, a cell that is
  // no 0/1 value, a generalized run without a complete taxonomy of the table's columns
  // (kDefineTaxonomy when it has no classes).
  Status Run(Progress& progress = NoProgress());
  void Clear();

  // --- the result of the last run: only the chosen algorithm's part is filled ---
  const ItemsetList& AprioriResult() const { return aprioriResult_; }
  const TidResult& AprioriTidResult() const { return tidResult_; }
  const ItemsetList& AisResult() const { return aisResult_; }
  // Whichever part is filled, as one list (A priori Tid's entries in their order).
  ItemsetList FrequentItemsets() const;

  // As they were at the run: the item names (columns, then classes) and F.
  const std::vector<std::string>& ItemNames() const { return itemNames_; }
  int ColumnCount() const { return columnCount_; }
  bool Generalized() const { return ranGeneralized_; }
  long Transactions() const { return transactions_; }
  // A run succeeded since the last Clear: a failed run leaves none (it never has 0 rows).
  bool HasResult() const { return transactions_ > 0; }
  float MinSupport() const { return minSupport_; }
  float MinConfidence() const { return minConfidence_; }
  const std::string& Table() const { return table_; }

  MiningFigures Figures() const;
  const MiningTimes& Times() const { return times_; }

 private:
  std::string table_;
  float minSupport_ = 0.05f;
  float minConfidence_ = 0.5f;
  int algorithm_ = kApriori;
  bool aisPruning_ = false;
  DataSource* source_ = nullptr;
  bool generalized_ = false;
  bool ancestorPruning_ = false;
  const Taxonomy* taxonomy_ = nullptr;

  ItemsetList aprioriResult_;
  TidResult tidResult_;
  ItemsetList aisResult_;
  std::vector<std::string> itemNames_;
  int columnCount_ = 0;
  bool ranGeneralized_ = false;
  long transactions_ = 0;
  int64_t oneCells_ = 0;
  MiningTimes times_;
};

}  // namespace quarry::assoc
