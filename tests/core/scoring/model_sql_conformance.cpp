#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"
#include "core/modeltree/model_tree_job.h"
#include "core/pruning/decision_tree_job.h"
#include "core/scoring/apply_model.h"
#include "core/scoring/model_sql.h"
#include "tests/core/scoring/model_sql_conformance.h"

namespace quarry {
namespace {

unsigned Next(unsigned& state) {
  state = state * 1103515245u + 12345u;
  return (state >> 8) % 10000;
}

// x, y real; kind text (a value the tree never saw now and then in the scored table); cls.
std::vector<std::vector<std::string>> ClassRows(int n, unsigned seed, bool unseen) {
  std::vector<std::vector<std::string>> rows;
  unsigned s = seed;
  const char* kinds[] = {"red", "green", "blue", "grey", "pink"};
  for (int i = 0; i < n; ++i) {
    const double x = Next(s) / 97.0;
    const double y = Next(s) / 31.0 - 100;
    const int k = static_cast<int>(Next(s) % 5);
    std::string cls = x > 50 ? (k < 2 ? "a" : "b") : (y > 20 ? "c" : "a");
    if (Next(s) % 10 == 0) cls = std::string(1, static_cast<char>('a' + Next(s) % 3));
    std::vector<std::string> row = {Format("%.3f", x), Format("%.2f", y), kinds[k], cls};
    for (int c = 0; c < 3; ++c) {
      if (Next(s) % 15 == 0) row[static_cast<size_t>(c)] = "?";
    }
    if (unseen && Next(s) % 20 == 0) row[2] = "violet";
    rows.push_back(row);
  }
  return rows;
}

Status AddSqlColumn(DataSource& source, const std::string& table, const std::string& column,
                    const treefiles::SavedTree& tree) {
  const std::string type = tree.decision ? " string" : " float";
  if (!source.Execute("ALTER TABLE [" + table + "] ADD COLUMN [" + column + "]" + type) ||
      !source.Execute("UPDATE [" + table + "] SET [" + column +
                      "] = " + scoring::PredictionExpression(tree))) {
    return DatabaseError(source.LastError());
  }
  return Status::Ok();
}

// Decision trees: the SQL's class is apply's on every row apply routes to one leaf, and NULL on
// exactly the rows apply spreads (NULLs, a never-seen value, a value of no group).
TEST_P(ModelSqlConformance, DecisionTreeAgreesWithApply) {
  const std::vector<std::string> names = {"x", "y", "kind", "cls"};
  const std::vector<std::string> types = {"real", "real", "string", "string"};
  MakeTable("g_data", names, types, ClassRows(400, 7, false));
  MakeTable("g_test", names, types, ClassRows(300, 13, true));
  pruning::DecisionTreeParameters p;
  p.table = "g_data";
  p.unseen = false;
  p.subsets = true;
  pruning::InductionResult grown;
  std::ostringstream report;
  ASSERT_TRUE(pruning::DecisionTreeJob(p, source_, report, NoProgress(), grown).ok());
  for (const char* model : {"g_data", "g_dataPRUNED"}) {
    scoring::ApplyParams params;
    params.model = model;
    params.table = "g_test";
    params.column = "a";
    params.leafColumn = "lf";
    params.overwrite = true;
    std::ostringstream messages;
    auto applied = scoring::ApplyModel(source_, params, messages);
    ASSERT_TRUE(applied.ok()) << applied.status().message();
    ASSERT_GT(applied->spread, 0);
    auto tree = treefiles::ReadSavedTree(WorkingFile(std::string(model) + ".tree"));
    ASSERT_TRUE(tree.ok());
    const std::string column = std::string("s_") + model;
    ASSERT_TRUE(AddSqlColumn(source_, "g_test", column, *tree).ok());
    long routed = 0;
    for (const auto& row : Rows("SELECT a, lf, [" + column + "] FROM g_test")) {
      ASSERT_EQ(row[1] == "?", row[2] == "?") << model;
      if (row[2] == "?") continue;
      ASSERT_EQ(row[2], row[0]) << model;
      ++routed;
    }
    EXPECT_EQ(routed, 300 - applied->spread);
  }
}

// Model trees: on rows without NULLs the SQL's value is apply's; a row with a NULL the path
// reads gets NULL.
TEST_P(ModelSqlConformance, ModelTreeAgreesWithApply) {
  std::vector<std::vector<std::string>> rows;
  unsigned s = 5;
  for (int i = 0; i < 300; ++i) {
    const double a = Next(s) / 100.0;
    const double b = Next(s) / 100.0;
    const std::string soil = Next(s) > 5000 ? "sand" : "clay";
    const double t = (soil == "sand" ? 3 : -2) * a + 0.5 * b + Next(s) / 1000.0;
    rows.push_back({i % 17 == 0 ? "?" : Format("%.2f", a), Format("%.2f", b),
                    i % 23 == 0 ? "?" : soil, Format("%.3f", t)});
  }
  MakeTable("m", {"a", "b", "soil", "t"}, {"real", "real", "string", "real"}, rows);
  std::ostringstream report;
  modeltree::ModelTreeEngine engine(source_, modeltree::StrataParameters(), report);
  ASSERT_TRUE(engine.RunModelTree("m", "m").ok());
  scoring::ApplyParams params;
  params.model = "m";
  params.table = "m";
  params.column = "p";
  std::ostringstream messages;
  ASSERT_TRUE(scoring::ApplyModel(source_, params, messages).ok());
  auto tree = treefiles::ReadSavedTree(WorkingFile("m.tree"));
  ASSERT_TRUE(tree.ok());
  ASSERT_TRUE(AddSqlColumn(source_, "m", "q", *tree).ok());
  long compared = 0;
  long apart = 0;
  for (const auto& row : Rows("SELECT a, b, soil, p, q FROM m")) {
    const bool known = row[0] != "?" && row[1] != "?" && row[2] != "?";
    if (!known) continue;
    ASSERT_NE(row[4], "?");
    const double p = std::stod(row[3]);
    // A row whose transformed value is a cut below a regression node (the row the cut was
    // taken from) may take the other side in double precision, where the neighbouring leaf's
    // line gives nearly the same value.
    const double difference = std::fabs(std::stod(row[4]) - p);
    EXPECT_LT(difference, 1e-3 * (1 + std::fabs(p)));
    if (difference > 1e-5 * (1 + std::fabs(p))) ++apart;
    ++compared;
  }
  EXPECT_GT(compared, 250);
  EXPECT_LE(apart, compared / 50);
  // Some rows with a NULL on their path get NULL.
  EXPECT_GT(Count("m") - compared, 0);
  EXPECT_FALSE(Rows("SELECT count(*) FROM m WHERE q IS NULL")[0][0] == "0");
}

}  // namespace
}  // namespace quarry
