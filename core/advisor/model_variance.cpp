#include "core/advisor/model_variance.h"

#include <ostream>

#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/run_induction.h"

namespace quarry {

namespace {

// Removes one round's sample tables and the files the engine wrote of them, whatever happened.
class SampleRound {
 public:
  explicit SampleRound(DataSource& source) : work(source) {}
  ~SampleRound() {
    work.DropAll();
    std::error_code ignored;
    for (const auto& file : result.files) {
      std::filesystem::remove(file, ignored);
      // A tree file's model file stands beside it, unlisted.
      if (file.extension() == ".tree") {
        std::filesystem::remove(std::filesystem::path(file).replace_extension(".model"), ignored);
      }
    }
    std::filesystem::remove(WorkingFile(dtree::PruningLogName(kModelSampleData)), ignored);
  }
  SampleRound(const SampleRound&) = delete;
  SampleRound& operator=(const SampleRound&) = delete;

  WorkTables work;
  pruning::InductionResult result;
};

}  // namespace

float FiveValueVariance(const int (&values)[kModelSampleRounds]) {
  float mean = 0;
  for (int value : values) mean += static_cast<float>(value);
  mean /= kModelSampleRounds;
  float sum = 0;
  for (int value : values)
    sum += (static_cast<float>(value) - mean) * (static_cast<float>(value) - mean);
  return sum * 0.2f;
}

Expected<float> MeasureModelVariance(DataSource& source, const std::string& table,
                                     Progress& progress, std::vector<std::string>* leftovers) {
  ExclusiveUse exclusive(source);
  {
    WorkTables work(source);
    if (Status s = work.DropLeftovers(); !s.ok()) return s;
    if (leftovers) *leftovers = work.LeftoversDropped();
  }
  for (const char* name : {kModelSampleData, kModelSampleTest}) {
    if (source.TableExists(name)) {
      return InvalidArgument(std::string("the table ") + name +
                             " exists: the pruning adviser draws its samples into it, so rename "
                             "or drop it first");
    }
  }
  // One generator for the five rounds, so that each round draws another sample.
  Rand rand;
  int leaves[kModelSampleRounds] = {};
  for (int round = 0; round < kModelSampleRounds; ++round) {
    progress.Update("model variance: tree", round + 1, kModelSampleRounds);
    SampleRound sample(source);
    if (Status s = sample.work.Claim({kModelSampleData, kModelSampleTest}); !s.ok()) return s;
    if (Status s = SplitTable(source, table, kModelSampleData, kModelSampleTest,
                              kModelSamplePercent, rand);
        !s.ok()) {
      return s;
    }
    std::ostream discard(nullptr);  // the engine's report is not part of the advice
    dtree::InductionEngine engine(discard, progress);
    const std::vector<std::string> args = {"counsel", "-f", kModelSampleData, "-p", "-s"};
    if (Status s = pruning::RunInduction(engine, args, pruning::kStandardPrune, std::string(),
                                         source, sample.result);
        !s.ok()) {
      return Status(s.code(),
                    "the decision-tree engine failed on a sample of " + table + ": " + s.message());
    }
    leaves[round] = sample.result.leafCount;
  }
  return FiveValueVariance(leaves);
}

}  // namespace quarry
