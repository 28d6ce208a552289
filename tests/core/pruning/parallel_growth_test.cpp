// Jobs that grow many independent trees grow them at once: with QUARRY_THREADS=2 they leave the
// report, figures, files and tables they leave with QUARRY_THREADS=1, byte for byte.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

#include "core/advisor/model_variance.h"
#include "core/common/text_util.h"
#include "core/modeltree/regression_cv.h"
#include "core/pruning/classification_cv.h"
#include "core/pruning/decision_tree_job.h"
#include "core/pruning/pruning_tables.h"
#include "tests/core/dtree/engine_test_support.h"
#include "tests/core/modeltree/piecewise_table.h"

namespace quarry::pruning {
namespace {

// What a job leaves for the user.
struct Output {
  std::string report;
  std::vector<std::string> figures;
  std::map<std::string, std::string> files;
  std::vector<std::string> tables;
  bool operator==(const Output&) const = default;
};

class ParallelGrowthTest : public dtree::EngineTest {
 protected:
  void TearDown() override {
    unsetenv("QUARRY_THREADS");
    EngineTest::TearDown();
  }

  // Runs `job` one tree at a time, then two at a time, each from an empty working folder; returns
  // the first run's output.
  Output ExpectTheSameAtOnce(const std::string& what, size_t minFiles,
                             const std::function<Status(Output&)>& job) {
    Output runs[2];
    for (int at = 0; at < 2; ++at) {
      setenv("QUARRY_THREADS", at == 0 ? "1" : "2", 1);
      testing::TakeWorkingFiles();
      Output& out = runs[at];
      const Status s = job(out);
      EXPECT_TRUE(s.ok()) << what << ": " << s.message();
      out.files = testing::TakeWorkingFiles();
      out.tables = Tables();
    }
    EXPECT_GE(runs[0].files.size(), minFiles) << what;
    EXPECT_FALSE(runs[0].figures.empty()) << what;
    EXPECT_TRUE(runs[0] == runs[1]) << what;
    return runs[0];
  }

  // 400 training rows (u_data) and 80 pruning rows (u_prune) with unknown values, so weights go
  // fractional, in numeric and text columns; with `foldPairs`, the ten fold pairs u_xt/u_xs the
  // error complexity cross-validation methods read.
  void MakeUnknowns(bool foldPairs) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 480; ++i) {
      const int x = (i * 37) % 101, y = (i * 53) % 89;
      const std::string colour[] = {"red", "green", "blue", "grey", "?"};
      rows.push_back({i % 11 == 3 ? "?" : std::to_string(x), std::to_string(y), colour[(i * 7) % 5],
                      (x + y) % 3 == 0 || i % 13 == 0 ? "yes" : "no"});
    }
    const std::vector<std::string> names = {"x", "y", "colour", "c"};
    const std::vector<std::string> types = {"real", "real", "string", "string"};
    MakeRows("u_prune", names, types, {rows.begin() + 400, rows.end()});
    rows.resize(400);
    MakeRows("u_data", names, types, rows);
    for (int v = 1; foldPairs && v <= kFoldPairs; ++v) {
      std::vector<std::vector<std::string>> training, test;
      for (size_t i = 0; i < rows.size(); ++i) {
        (static_cast<int>(i % kFoldPairs) == v - 1 ? test : training).push_back(rows[i]);
      }
      MakeRows(FoldTrainingName("u", v), names, types, training);
      MakeRows(FoldTestName("u", v), names, types, test);
    }
  }
};

TEST_F(ParallelGrowthTest, ClassificationCrossValidationsFoldsAtOnce) {
  // The weather table, and the table of unknown values under a method that reads fold pairs of
  // its own for every fold (whose fold trees then grow one after another in their fold).
  MakeGolf("golf_data");
  MakeUnknowns(false);
  struct Case {
    const char* table;
    int method;
    int folds;
  };
  for (const Case& c : {Case{"golf_data", kStandardPrune, 7}, Case{"u_data", kStandardPrune, 10},
                        Case{"u_data", kErrorComplexityCV, 2}}) {
    ClassificationCvParameters p;
    p.tree.table = c.table;
    p.tree.unseen = false;
    p.tree.probThreshold = true;
    p.tree.verbosity = "2";
    p.tree.method = c.method;
    p.folds = c.folds;
    ExpectTheSameAtOnce(
        c.table + std::to_string(c.method), static_cast<size_t>(2 * c.folds), [&](Output& out) {
          std::ostringstream report;
          ClassificationCvResult result;
          const Status s = ClassificationCrossValidation(p, source_, report, NoProgress(), result);
          out.report = report.str();
          for (const FoldErrors& f : result.folds) {
            out.figures.push_back(Format("%d %d %d", f.raw, f.pruned, f.cases));
          }
          return s;
        });
  }
}

TEST_F(ParallelGrowthTest, ErrorComplexityCrossValidationsTenFoldTreesAtOnce) {
  // The report prints every fold tree at verbosity 1 and more.
  MakeUnknowns(true);
  for (int method : {kErrorComplexityCV, kErrorComplexityCV1SE, kErrorComplexityNewCV,
                     kErrorComplexityNewCV1SE}) {
    for (const char* verbosity : {"", "2"}) {
      DecisionTreeParameters p;
      p.table = "u_data";
      p.unseen = false;
      p.method = method;
      p.verbosity = verbosity;
      ExpectTheSameAtOnce(std::to_string(method) + " -v" + verbosity, 4, [&](Output& out) {
        std::ostringstream report;
        InductionResult result;
        const Status s = DecisionTreeJob(p, source_, report, NoProgress(), result);
        out.report = report.str();
        out.figures.push_back(Format("%d %d", result.leafCount, result.heldOutPrunedErrors));
        return s;
      });
    }
  }
}

TEST_F(ParallelGrowthTest, RegressionCrossValidationsFoldsAtOnce) {
  // Unknown values in every column but the target; with and without pruning (each fold's
  // complement split with the job's random draws).
  auto rows = modeltree::testdata::PiecewiseRows(300);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i % 7 == 2) rows[i][i % 3] = "?";
  }
  MakeTable("gaps", modeltree::testdata::kColumns, modeltree::testdata::kTypes, rows);
  for (auto mode : {modeltree::PruneMode::kNone, modeltree::PruneMode::kLabelsOnPruningSet}) {
    modeltree::RegressionCvParams params;
    params.table = "gaps";
    params.folds = 10;
    params.prune = mode;
    ExpectTheSameAtOnce("regression " + std::to_string(static_cast<int>(mode)), 20,
                        [&](Output& out) {
                          std::ostringstream report;
                          auto outcome = modeltree::RunRegressionCV(source_, params, report);
                          out.report = report.str();
                          if (!outcome) return outcome.status();
                          out.figures = {outcome->grownSummary.text, outcome->prunedSummary.text};
                          return Status::Ok();
                        });
  }
}

TEST_F(ParallelGrowthTest, TheAdvisersSamplesAtOnce) {
  // Each round's sample is another draw: the rounds' trees differ, and a round growing from
  // another round's sample would change the variance. Nothing stays behind.
  MakeUnknowns(false);
  const Output out = ExpectTheSameAtOnce("model variance", 0, [&](Output& out) {
    Expected<float> variance = MeasureModelVariance(source_, "u_data");
    if (!variance) return variance.status();
    out.figures.push_back(Format("%.9g", static_cast<double>(*variance)));
    EXPECT_GT(*variance, 0.0f);
    return Status::Ok();
  });
  EXPECT_TRUE(out.files.empty());
  EXPECT_EQ(out.tables, (std::vector<std::string>{"u_data", "u_prune"}));
}

}  // namespace
}  // namespace quarry::pruning
