#include "core/advisor/model_variance.h"

#include <mutex>
#include <ostream>

#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"
#include "core/jobs/job_thread.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/run_induction.h"

namespace quarry {

namespace {

// Removes the rounds' sample tables and the files the engine wrote of them, whatever happened.
class SampleRounds {
 public:
  explicit SampleRounds(DataSource& source) : work(source), results(kModelSampleRounds) {}
  ~SampleRounds() {
    work.DropAll();
    std::error_code ignored;
    for (int round = 0; round < kModelSampleRounds; ++round) {
      for (const auto& file : results[static_cast<size_t>(round)].files) {
        std::filesystem::remove(file, ignored);
        // A tree file's model file stands beside it, unlisted.
        if (file.extension() == ".tree") {
          std::filesystem::remove(std::filesystem::path(file).replace_extension(".model"), ignored);
        }
      }
      std::filesystem::remove(WorkingFile(dtree::PruningLogName(ModelSampleData(round))), ignored);
    }
  }
  SampleRounds(const SampleRounds&) = delete;
  SampleRounds& operator=(const SampleRounds&) = delete;

  WorkTables work;
  std::vector<pruning::InductionResult> results;  // one per round
};

}  // namespace

std::string ModelSampleData(int round) {
  return "QuarryModelSample" + std::to_string(round + 1) + "_data";
}

std::string ModelSampleTest(int round) {
  return "QuarryModelSample" + std::to_string(round + 1) + "_test";
}

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
  std::vector<std::string> names;
  for (int round = 0; round < kModelSampleRounds; ++round) {
    names.push_back(ModelSampleData(round));
    names.push_back(ModelSampleTest(round));
  }
  for (const std::string& name : names) {
    if (source.TableExists(name)) {
      return InvalidArgument("the table " + name +
                             " exists: the pruning adviser draws its samples into it, so rename "
                             "or drop it first");
    }
  }
  SampleRounds rounds(source);
  if (Status s = rounds.work.Claim(names); !s.ok()) return s;
  // The samples are drawn first, round by round from one generator, so that each round draws
  // another sample; then their trees grow, as many at once as there are processors.
  // A stop asked while they are drawn ends the job before the next row.
  const Status stopped = Cancelled("the pruning adviser was stopped");
  Rand rand;
  for (int round = 0; round < kModelSampleRounds; ++round) {
    if (Status s = SplitTable(source, table, ModelSampleData(round), ModelSampleTest(round),
                              kModelSamplePercent, rand, progress);
        !s.ok()) {
      return s.code() == StatusCode::kCancelled ? stopped : s;
    }
  }
  std::mutex progressLock;
  auto showRound = [&](int round) {
    std::lock_guard<std::mutex> lock(progressLock);
    progress.Update("model variance: tree", round + 1, kModelSampleRounds);
  };
  std::vector<Status> grown(kModelSampleRounds);
  auto grow = [&](int round) {
    SerialProgress shared(progress, progressLock);
    std::ostream discard(nullptr);  // the engine's report is not part of the advice
    dtree::InductionEngine engine(discard, shared);
    const std::vector<std::string> args = {"counsel", "-f", ModelSampleData(round), "-p", "-s"};
    grown[static_cast<size_t>(round)] =
        pruning::RunInduction(engine, args, pruning::kStandardPrune, std::string(), source,
                              rounds.results[static_cast<size_t>(round)]);
  };
  int leaves[kModelSampleRounds] = {};
  Status status;
  auto take = [&](int round) {
    if (const Status& s = grown[static_cast<size_t>(round)]; !s.ok()) {
      if (s.code() == StatusCode::kCancelled) {
        status = stopped;
        return false;
      }
      status = Status(
          s.code(), "the decision-tree engine failed on a sample of " + table + ": " + s.message());
      return false;
    }
    leaves[round] = rounds.results[static_cast<size_t>(round)].leafCount;
    if (round + 1 < kModelSampleRounds) showRound(round + 1);
    return true;
  };
  showRound(0);
  RunInOrder(kModelSampleRounds, grow, take);
  if (!status.ok()) return status;
  return FiveValueVariance(leaves);
}

}  // namespace quarry
