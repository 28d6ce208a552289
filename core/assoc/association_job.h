#pragma once
// One association-rule job as the "Association Rules" dialog runs it from opening to closing:
// optionally binarize the table into "BinTable", mine it (with a taxonomy in generalized mode),
// extract the rules, write "outrules.txt" and "assoc.txt", filter the rules by templates, and
// drop "BinTable" again. Every input is checked before anything is written; a job that fails
// leaves no "BinTable" and no rule files behind.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/assoc/association_miner.h"
#include "core/assoc/rule_generator.h"
#include "core/assoc/taxonomy.h"
#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {
class DataSource;
}

namespace quarry::assoc {

struct AssociationJobParams {
  std::string table;
  float minSupport = 0.05f;
  float minConfidence = 0.5f;
  int algorithm = kApriori;
  bool aisPruning = false;
  bool binarize = false;
  std::filesystem::path taxonomyFile;  // empty: plain mode; otherwise generalized
  bool ancestorPruning = false;
  std::string templates;  // rule templates, as TemplateSet::AddText reads them
};

struct AssociationJobResult {
  std::string minedTable;  // the table, or the binarized copy that was mined
  std::vector<std::string> binarizeSkipped;
  std::vector<std::string> itemNames;
  ItemsetList frequent;
  MiningFigures figures;
  MiningTimes times;
  std::optional<TaxonomyFigures> taxonomy;
  std::vector<AssociationRule> rules;
  std::vector<size_t> kept;  // the rules the templates keep (all without templates)
};

// `report` receives a line when the job drops the binarized copies that killed runs left.
Expected<AssociationJobResult> RunAssociationJob(DataSource& source,
                                                 const AssociationJobParams& params,
                                                 std::ostream& report,
                                                 Progress& progress = NoProgress());

}  // namespace quarry::assoc
