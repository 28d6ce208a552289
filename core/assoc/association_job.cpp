#include "core/assoc/association_job.h"

#include "core/assoc/binarization.h"
#include "core/assoc/rule_files.h"
#include "core/assoc/rule_filter.h"
#include "core/assoc/taxonomy_file.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"

namespace quarry::assoc {

namespace {

// Drops the binarized copy when the job ends, whichever way: one stopped half way through its
// rows leaves them open.
struct ScratchTables {
  explicit ScratchTables(DataSource& source) : source(source), work(source) {}
  ~ScratchTables() {
    source.CloseResult();
    work.DropAll();
  }
  DataSource& source;
  WorkTables work;
};

}  // namespace

Expected<AssociationJobResult> RunAssociationJob(DataSource& source,
                                                 const AssociationJobParams& params,
                                                 std::ostream& report, Progress& progress) {
  if (Status s = CheckThresholds(params.minSupport, params.minConfidence); !s.ok()) return s;
  TemplateSet templates;
  if (Status s = templates.AddText(params.templates); !s.ok()) return s;

  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  AssociationJobResult result;
  result.minedTable = params.table;
  ScratchTables scratch(source);
  if (params.binarize) {
    auto binarized = BinarizeTable(source, scratch.work, params.table, progress);
    if (!scratch.work.LeftoversDropped().empty())
      report << LeftoversText(scratch.work.LeftoversDropped()) << "\n";
    if (!binarized) return binarized.status();
    result.minedTable = binarized->table;
    result.binarizeSkipped = binarized->skipped;
  }

  const bool generalized = !params.taxonomyFile.empty();
  Taxonomy taxonomy;
  if (generalized) {
    std::vector<std::string> columns;
    if (!source.FieldNames(SelectAllFrom(result.minedTable), columns) || columns.empty()) {
      return NotFound("cannot read table " + result.minedTable + ": " + source.LastError());
    }
    auto read = ReadTaxonomyFile(params.taxonomyFile, columns);
    if (!read) return read.status();
    taxonomy = std::move(read.value());
    result.taxonomy = taxonomy.Figures();
  }

  AssociationMiner miner;
  miner.SetParameters(result.minedTable, params.minSupport, params.minConfidence, params.algorithm,
                      params.aisPruning, source);
  miner.SetGeneralization(generalized, params.ancestorPruning);
  miner.SetTaxonomy(generalized ? &taxonomy : nullptr);
  const ItemCatalog catalog{{}, generalized ? &taxonomy : nullptr};
  for (const KindedTemplate& t : templates.Templates()) {
    if (Status s = t.rule.CheckClasses(catalog); !s.ok()) return s;
  }
  if (Status s = miner.Run(progress); !s.ok()) return s;

  result.itemNames = miner.ItemNames();
  result.frequent = miner.FrequentItemsets();
  result.figures = miner.Figures();
  result.times = miner.Times();
  result.rules = Extract(miner);
  std::vector<std::string> notWritten;
  for (const Status& s : {WriteOutRules(result.rules), WriteAssocFile(result.rules)}) {
    if (!s.ok()) notWritten.push_back(s.message());
  }
  if (Status s = WithFilesNotWritten(Status::Ok(), notWritten); !s.ok()) return s;

  RuleFilter filter;
  filter.SetRules(result.rules, ItemCatalog{result.itemNames, catalog.taxonomy});
  auto kept = filter.Apply(templates);
  if (!kept) return kept.status();
  result.kept = std::move(kept.value());
  return result;
}

}  // namespace quarry::assoc
