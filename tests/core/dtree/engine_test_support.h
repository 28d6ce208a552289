#pragma once
// An engine over a table of a fresh SQLite database, for the engine's tests.

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/dtree/induction_engine.h"
#include "tests/support/temp_database.h"

namespace quarry::dtree {

// The 14 days of the classic weather example, numeric temperature and humidity.
std::vector<std::vector<std::string>> GolfRows();

class EngineTest : public testing::DatabaseTest {
 protected:
  // Makes `table` (the last column is the class) and loads it into the engine.
  void Load(const std::string& table, const std::vector<std::string>& names,
            const std::vector<std::string>& types,
            const std::vector<std::vector<std::string>>& rows) {
    MakeRows(table, names, types, rows);
    ASSERT_TRUE(engine_.LoadAttributes(table, source_).ok());
    ASSERT_EQ(engine_.LoadCases(table, source_), 0);
  }
  void MakeRows(const std::string& table, const std::vector<std::string>& names,
                const std::vector<std::string>& types,
                const std::vector<std::vector<std::string>>& rows) {
    ASSERT_TRUE(source_.BeginTransaction());
    MakeTable(table, names, types, rows);
    ASSERT_TRUE(source_.Commit());
  }
  // Makes `table` of the weather example's columns (numeric temperature and humidity) from
  // `rows`, by default the 14 days of the classic example.
  void MakeGolf(const std::string& table,
                const std::vector<std::vector<std::string>>& rows = GolfRows());
  // The same, made and loaded.
  void LoadGolf(const std::string& table = "golf_data",
                const std::vector<std::vector<std::string>>& rows = GolfRows());

  std::ostringstream report_;
  InductionEngine engine_{report_};
};

// A leaf of class `leafClass` with the class weights `dist` (items their sum, errors the rest).
std::unique_ptr<TreeNode> Leaf(std::vector<float> dist, int leafClass);

// Every field of every node of the subtree, one line a node: two trees with the same text are
// the same in everything a method could read or write.
std::string DumpTree(const TreeNode& node);

}  // namespace quarry::dtree
