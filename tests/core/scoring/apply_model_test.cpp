#include "core/scoring/apply_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "core/modeltree/model_tree_job.h"
#include "core/pruning/decision_tree_job.h"
#include "core/pruning/pruning_comparison.h"
#include "core/scoring/tree_scorer.h"
#include "core/treefiles/model_file.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using scoring::ApplyModel;
using scoring::ApplyParams;

// A table whose class follows its attributes, with noise and unknown values in every attribute:
// x (real), y (real), kind (text of five values), cls (text of three classes).
std::vector<std::vector<std::string>> MakeRows(int n, unsigned seed) {
  std::vector<std::vector<std::string>> rows;
  unsigned state = seed;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % 10000;
  };
  const char* kinds[] = {"red", "green", "blue", "grey", "pink"};
  for (int i = 0; i < n; ++i) {
    const double x = next() / 97.0;
    const double y = next() / 31.0 - 100;
    const int k = static_cast<int>(next() % 5);
    std::string cls = x > 50 ? (k < 2 ? "a" : "b") : (y > 20 ? "c" : "a");
    if (next() % 10 == 0) cls = std::string(1, static_cast<char>('a' + next() % 3));
    std::vector<std::string> row = {Format("%.3f", x), Format("%.2f", y), kinds[k], cls};
    for (int c = 0; c < 3; ++c) {
      if (next() % 12 == 0) row[static_cast<size_t>(c)] = "?";
    }
    rows.push_back(row);
  }
  return rows;
}

class ApplyModelTest : public testing::DatabaseTest {
 protected:
  void MakeGenerated(const std::string& name, int n, unsigned seed) {
    MakeTable(name, {"x", "y", "kind", "cls"}, {"real", "real", "string", "string"},
              MakeRows(n, seed));
  }
  Expected<scoring::ApplyResult> Apply(const std::string& model, const std::string& table,
                                       const std::string& column, bool overwrite = false) {
    ApplyParams params;
    params.model = model;
    params.table = table;
    params.column = column;
    params.leafColumn = column + "_leaf";
    params.overwrite = overwrite;
    return ApplyModel(source_, params, messages_);
  }
  // A tree grown with the job's defaults on a generated g_data, its files in the folder.
  void GrowPlainTree() {
    MakeGenerated("g_data", 200, 3);
    pruning::DecisionTreeParameters p;
    p.table = "g_data";
    p.unseen = false;
    pruning::InductionResult result;
    std::ostringstream report;
    ASSERT_TRUE(pruning::DecisionTreeJob(p, source_, report, NoProgress(), result).ok());
  }
  std::ostringstream messages_;
};

struct JobCase {
  const char* name;
  bool subsets;
  bool probThreshold;
  int method;
};

class ApplyReproducesJob : public ApplyModelTest, public ::testing::WithParamInterface<JobCase> {};

// The job's counts on the test table, unknown values and values of no subset included, come back
// from the saved files: raw, pruned and softened trees; distribution and whole-case leaf votes.
TEST_P(ApplyReproducesJob, ErrorsOnTheTestTable) {
  const JobCase& job = GetParam();
  const bool iterative = job.method == pruning::kIterativeGrowingPruning;
  const std::string stem = iterative ? "g_train1" : "g_data";
  MakeGenerated(stem, 400, 7);
  MakeGenerated(iterative ? "g_train2" : "g_prune", 200, 11);
  if (iterative) MakeGenerated("g_train", 600, 7);
  MakeGenerated("g_test", 200, 13);
  pruning::DecisionTreeParameters p;
  p.table = stem;
  p.subsets = job.subsets;
  p.probThreshold = job.probThreshold;
  p.method = job.method;
  pruning::InductionResult result;
  std::ostringstream report;
  const Status grown = pruning::DecisionTreeJob(p, source_, report, NoProgress(), result);
  ASSERT_TRUE(grown.ok()) << grown.message();
  ASSERT_GT(result.rawErrors, 0);

  auto raw = Apply(stem, "g_test", "raw");
  ASSERT_TRUE(raw.ok()) << raw.status().message();
  EXPECT_EQ(raw->errors, result.rawErrors);
  EXPECT_EQ(raw->counted, 200);
  EXPECT_GT(raw->spread, 0);
  auto pruned = Apply(stem + "PRUNED", "g_test", "pruned");
  ASSERT_TRUE(pruned.ok()) << pruned.status().message();
  EXPECT_EQ(pruned->errors, result.prunedErrors);
  if (job.probThreshold) {
    auto soft = Apply("g_prunePROBTHRESH", "g_test", "soft");
    ASSERT_TRUE(soft.ok()) << soft.status().message();
    EXPECT_EQ(soft->errors, result.prunedErrors);
  }
  // The columns hold what the counts were taken from.
  EXPECT_EQ(Rows("SELECT count(*) FROM g_test WHERE raw <> cls")[0][0],
            std::to_string(result.rawErrors));
  EXPECT_EQ(Rows("SELECT count(*) FROM g_test WHERE raw_leaf IS NULL")[0][0],
            std::to_string(raw->spread));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, ApplyReproducesJob,
    ::testing::Values(JobCase{"Plain", false, false, pruning::kStandardPrune},
                      JobCase{"Subsets", true, false, pruning::kStandardPrune},
                      JobCase{"SoftThresholds", true, true, pruning::kStandardPrune},
                      JobCase{"ReducedError", false, false, pruning::kReducedErrorPruning},
                      JobCase{"Iterative", true, false, pruning::kIterativeGrowingPruning}),
    [](const auto& info) { return std::string(info.param.name); });

// The comparison's trees are models too: each, applied to the test table, gives the errors its
// row counted (the iterative method's leaves vote with the whole case, as its row counts).
TEST_F(ApplyModelTest, ComparedTreesGiveTheirRowsErrors) {
  MakeGenerated("g_data", 400, 7);
  MakeGenerated("g_prune", 200, 11);
  MakeGenerated("g_test", 200, 13);
  MakeGenerated("g_train1", 400, 7);
  MakeGenerated("g_train2", 200, 11);
  MakeGenerated("g_train", 600, 7);
  pruning::ComparisonParameters p;
  p.tree.table = "g_data";
  p.tree.subsets = true;
  p.methods = {pruning::kStandardPrune, pruning::kReducedErrorPruning,
               pruning::kIterativeGrowingPruning};
  pruning::ComparisonResult result;
  std::ostringstream report;
  const Status compared = pruning::ComparePruningMethods(p, source_, report, NoProgress(), result);
  ASSERT_TRUE(compared.ok()) << compared.message();
  std::vector<const pruning::ComparisonRow*> rows = {&result.grown};
  for (const auto& row : result.rows) rows.push_back(&row);
  ASSERT_EQ(rows.size(), 4u);
  for (const pruning::ComparisonRow* row : rows) {
    ASSERT_EQ(row->outcome, pruning::RowOutcome::kPruned) << row->name << ": " << row->message;
    auto applied = Apply(row->treeFile.string(), "g_test", "p_" + row->name, true);
    ASSERT_TRUE(applied.ok()) << row->name << ": " << applied.status().message();
    EXPECT_EQ(applied->errors, row->test.errors) << row->name;
    auto saved = treefiles::ReadSavedTree(row->treeFile);
    ASSERT_TRUE(saved.ok()) << saved.status().message();
    EXPECT_EQ(saved->vote, row->method == pruning::kIterativeGrowingPruning
                               ? dtree::LeafVote::kWholeCase
                               : dtree::LeafVote::kDistribution)
        << row->name;
  }
}

// Model trees: every row's residual is the one the engine computes with the tree it grew, and
// the error lines over the table are the job's.
TEST_F(ApplyModelTest, ModelTreePredictsAsTheEngine) {
  std::vector<std::vector<std::string>> rows;
  unsigned state = 5;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) % 10000) / 100.0;
  };
  for (int i = 0; i < 300; ++i) {
    const double a = next();
    const double b = next();
    const std::string soil = next() > 50 ? "sand" : "clay";
    const double t = (soil == "sand" ? 3 : -2) * a + 0.5 * b + next() / 10;
    rows.push_back({i % 17 == 0 ? "?" : Format("%.2f", a), Format("%.2f", b),
                    i % 23 == 0 ? "?" : soil, Format("%.3f", t)});
  }
  MakeTable("m", {"a", "b", "soil", "t"}, {"real", "real", "string", "real"}, rows);
  std::ostringstream report;
  modeltree::ModelTreeEngine engine(source_, modeltree::StrataParameters(), report);
  auto files = engine.RunModelTree("m", "m");
  ASSERT_TRUE(files.ok()) << files.status().message();

  auto saved = treefiles::ReadSavedTree(WorkingFile("m.tree"));
  ASSERT_TRUE(saved.ok()) << saved.status().message();
  scoring::ModelTreeScorer scorer(*saved, messages_);
  modeltree::ModelCaseStore store(report);
  store.Att() = saved->att;
  for (size_t i = 0; i < rows.size(); ++i) {
    scorer.AddRow(rows[i], static_cast<long>(i + 1));
    store.AddCase(rows[i], static_cast<long>(i + 1));
  }
  scorer.Finish();
  store.FinishCases();
  for (int i = 0; i < scorer.Rows(); ++i) {
    const scoring::RowScore score = scorer.Score(i);
    dtree::Case c = store.Item[static_cast<size_t>(i)];
    const double engine2 =
        modeltree::ResidualSquares(*engine.Grown(), {&c, nullptr, 1}, store.Att());
    ASSERT_EQ(score.residual * score.residual, engine2) << "row " << i;
    ASSERT_NEAR(score.number + score.residual, store.LoadedTarget[static_cast<size_t>(i)], 1e-3);
  }

  auto applied = Apply("m", "m", "p");
  ASSERT_TRUE(applied.ok()) << applied.status().message();
  EXPECT_EQ(Format("%f %f", applied->measures.Rmse(), applied->measures.Ratio()),
            Format("%f %f", files->errors.Rmse(), files->errors.Ratio()));
}

// Refusals name what is wrong and leave the table as it was.
TEST_F(ApplyModelTest, RefusalsLeaveTheTableUnchanged) {
  ASSERT_NO_FATAL_FAILURE(GrowPlainTree());
  MakeTable("no_kind", {"x", "y", "cls"}, {"real", "real", "string"}, {{"1", "2", "a"}});
  MakeTable("text_x", {"x", "y", "kind"}, {"string", "real", "string"}, {{"1", "2", "red"}});
  ASSERT_TRUE(Apply("g_data", "g_data", "p").ok());
  ASSERT_TRUE(WriteResultFile(WorkingFile("plain.tree"), "Decision tree\nnot a tree\n").ok());
  // Offered for applying: the tree files with a model file beside them, plain.tree not.
  ASSERT_TRUE(WriteResultFile(WorkingFile("orphan.model"), "").ok());
  EXPECT_EQ(scoring::ApplicableTreeFiles(WorkingFolder()),
            (std::vector<std::filesystem::path>{WorkingFile("g_data.tree"),
                                                WorkingFile("g_dataPRUNED.tree")}));

  struct Refusal {
    std::string model, table, column, message;
  } refusals[] = {
      {"g_data", "no_kind", "p", "the model's attribute kind is not a column of no_kind"},
      {"g_data", "text_x", "p", "the model's attribute x is numeric, but text_x holds text in it"},
      {"plain", "no_kind", "p", "hasn't a correct format"},
      {"g_data", "g_data", "p",
       "g_data already has a column p: choose another name, or replace it with --overwrite"},
      {"g_data", "g_data", "P_leaf", "already has a column"},
      {"g_data", "missing", "p", "no table missing"},
  };
  for (const Refusal& r : refusals) {
    const std::string shown = r.table == "missing" ? "no_kind" : r.table;
    const auto before = Rows("SELECT * FROM " + shown);
    auto applied = Apply(r.model, r.table, r.column);
    ASSERT_FALSE(applied.ok()) << r.message;
    EXPECT_NE(applied.status().message().find(r.message), std::string::npos)
        << applied.status().message();
    EXPECT_EQ(Rows("SELECT * FROM " + shown), before) << r.message;
  }
  // A model file left over from another tree is not taken for this one.
  std::filesystem::copy_file(WorkingFile("g_data.tree"), WorkingFile("g_dataPRUNED.tree"),
                             std::filesystem::copy_options::overwrite_existing);
  auto stale = Apply("g_dataPRUNED", "no_kind", "q");
  ASSERT_FALSE(stale.ok());
  EXPECT_NE(stale.status().message().find("does not hold the tree of"), std::string::npos);
}

// Names with quotes and brackets are quoted wherever they go; --overwrite replaces a column.
TEST_F(ApplyModelTest, OddNamesAndOverwrite) {
  ASSERT_NO_FATAL_FAILURE(GrowPlainTree());
  const std::string odd = "it's [\"odd\"]";
  MakeTable(odd, {"x", "y", "kind", "cls"}, {"real", "real", "string", "string"}, MakeRows(50, 9));
  auto applied = Apply("g_data", odd, "a ]\"'b");
  ASSERT_TRUE(applied.ok()) << applied.status().message();
  auto again = Apply("g_data", odd, "a ]\"'b", true);
  ASSERT_TRUE(again.ok()) << again.status().message();
  const auto rows = Rows(SelectAllFrom(odd));
  ASSERT_EQ(rows.size(), 50u);
  EXPECT_EQ(rows[0].size(), 6u);
}

}  // namespace
}  // namespace quarry
