#include "core/assoc/association_miner.h"

#include <chrono>
#include <cmath>

#include "core/assoc/ais_miner.h"
#include "core/assoc/apriori_miner.h"
#include "core/assoc/taxonomy.h"
#include "core/assoc/transaction_scan.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"

namespace quarry::assoc {

namespace {

bool IsFraction(float value) { return std::isfinite(value) && value >= 0.0f && value <= 1.0f; }

// The taxonomy a generalized run needs: with classes, closed, and over the table's columns.
Status CheckTaxonomy(const Taxonomy* taxonomy, const std::vector<std::string>& columns,
                     const std::string& table) {
  if (taxonomy == nullptr || taxonomy->Empty()) return InvalidArgument(kDefineTaxonomy);
  if (!taxonomy->Complete()) {
    Status s = taxonomy->Check();
    return s.ok() ? InvalidArgument("the taxonomy is not closed yet") : s;
  }
  if (taxonomy->AttributeNames() != columns) {
    return InvalidArgument("the taxonomy does not describe the columns of table " + table);
  }
  return Status::Ok();
}

}  // namespace

Status CheckThresholds(float minSupport, float minConfidence) {
  if (!IsFraction(minSupport))
    return InvalidArgument("the minimum support must lie between 0 and 1");
  if (!IsFraction(minConfidence)) {
    return InvalidArgument("the minimum confidence must lie between 0 and 1");
  }
  return Status::Ok();
}

void AssociationMiner::SetParameters(const std::string& table, float minSupport,
                                     float minConfidence, int algorithm, bool aisPruning,
                                     DataSource& source) {
  table_ = table;
  minSupport_ = minSupport;
  minConfidence_ = minConfidence;
  algorithm_ = algorithm;
  aisPruning_ = aisPruning;
  source_ = &source;
}

void AssociationMiner::SetGeneralization(bool generalized, bool ancestorPruning) {
  generalized_ = generalized;
  ancestorPruning_ = ancestorPruning;
}

void AssociationMiner::SetTaxonomy(const Taxonomy* taxonomy) { taxonomy_ = taxonomy; }

void AssociationMiner::Clear() {
  aprioriResult_.clear();
  tidResult_ = TidResult{};
  aisResult_.clear();
  itemNames_.clear();
  columnCount_ = 0;
  ranGeneralized_ = false;
  transactions_ = 0;
  oneCells_ = 0;
  times_ = MiningTimes{};
}

Status AssociationMiner::Run(Progress& progress) {
  const auto started = std::chrono::steady_clock::now();
  Clear();
  if (source_ == nullptr) return InvalidArgument("no database is open");
  if (table_.empty()) return InvalidArgument("Please, select a table");
  if (Status s = CheckThresholds(minSupport_, minConfidence_); !s.ok()) return s;
  if (algorithm_ != kApriori && algorithm_ != kAprioriTid && algorithm_ != kAis) {
    return InvalidArgument("unknown algorithm " + std::to_string(algorithm_));
  }
  if (generalized_ && (taxonomy_ == nullptr || taxonomy_->Empty())) {
    return InvalidArgument(kDefineTaxonomy);
  }

  DataSource& source = *source_;
  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  std::vector<std::string> columns;
  if (!source.FieldNames(SelectAllFrom(table_), columns) || columns.empty()) {
    return NotFound("cannot read table " + table_ + ": " + source.LastError());
  }
  if (generalized_) {
    if (Status s = CheckTaxonomy(taxonomy_, columns, table_); !s.ok()) return s;
  }
  if (!source.Query(SelectAllFrom(table_))) {
    return DatabaseError("cannot read table " + table_ + ": " + source.LastError());
  }
  const long n = source.RowCount();
  if (n < 0) return DatabaseError("cannot count the rows of " + table_ + ": " + source.LastError());
  if (n == 0) return InvalidArgument("table " + table_ + " has no rows");

  const int f = static_cast<int>(columns.size());
  std::vector<std::string> names = columns;
  std::vector<ItemPositions> classesOf;
  if (generalized_) {
    const std::vector<std::string>& classes = taxonomy_->ClassNames();
    names.insert(names.end(), classes.begin(), classes.end());
    classesOf.resize(static_cast<size_t>(f));
    for (int i = 0; i < f; ++i) {
      const ItemVector up = taxonomy_->Ancestors(i);
      for (size_t c = 0; c < up.size(); ++c) {
        if (up[c] == 1) classesOf[static_cast<size_t>(i)].push_back(f + static_cast<int32_t>(c));
      }
    }
  }
  TransactionScan scan(source, table_, columns, names.size(), std::move(classesOf), progress);

  Status status;
  ItemsetList apriori;
  TidResult tid;
  ItemsetList ais;
  if (generalized_ || algorithm_ == kApriori) {
    AprioriMiner miner(scan, n, minSupport_, generalized_ ? taxonomy_ : nullptr,
                       generalized_ && ancestorPruning_);
    status = miner.Run(apriori);
  } else if (algorithm_ == kAprioriTid) {
    AprioriTidMiner miner(scan, n, minSupport_, progress);
    status = miner.Run(tid);
  } else {
    AisMiner miner(scan, n, minSupport_, aisPruning_);
    status = miner.Run(ais);
  }
  if (!status.ok()) return status;

  aprioriResult_ = std::move(apriori);
  tidResult_ = std::move(tid);
  aisResult_ = std::move(ais);
  itemNames_ = std::move(names);
  columnCount_ = f;
  ranGeneralized_ = generalized_;
  transactions_ = n;
  oneCells_ = scan.OneCells();
  times_.readSeconds = scan.ReadSeconds();
  times_.tablePasses = scan.Passes();
  times_.totalSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return Status::Ok();
}

ItemsetList AssociationMiner::FrequentItemsets() const {
  if (!aprioriResult_.empty()) return aprioriResult_;
  if (!aisResult_.empty()) return aisResult_;
  ItemsetList list;
  for (const TidEntry& e : tidResult_.entries) {
    list.push_back({e.count, tidResult_.itemVectors[static_cast<size_t>(e.index)]});
  }
  return list;
}

MiningFigures AssociationMiner::Figures() const {
  MiningFigures figures;
  figures.transactions = transactions_;
  figures.items = static_cast<int>(itemNames_.size());
  if (transactions_ > 0) {
    figures.averageTransactionSize =
        static_cast<double>(oneCells_) / static_cast<double>(transactions_);
  }
  const ItemsetList sets = FrequentItemsets();
  figures.frequentPatterns = static_cast<int>(sets.size());
  int64_t items = 0;
  for (const Itemset& s : sets) items += static_cast<int64_t>(ToPositions(s.items).size());
  if (!sets.empty()) {
    figures.averagePatternSize = static_cast<double>(items) / static_cast<double>(sets.size());
  }
  return figures;
}

}  // namespace quarry::assoc
