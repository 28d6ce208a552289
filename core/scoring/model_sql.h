#pragma once
// A saved tree as SQL: one CASE expression over the table's columns that computes the
// prediction inside the database, and the statements that add a column and fill it with it.
//
// Decision trees become nested tests with the class each leaf gives a row that reaches it whole.
// A row the tree would spread over several branches (NULL at a test it reaches, a value no branch
// takes) gets NULL: the expression leaves exactly the rows apply spreads, whose leaf column apply
// leaves NULL too. Model trees become the sum of the lines on the row's path, each attribute
// taken through the regression steps above it; a row with NULL in a column its path or its lines
// read, or a text value the tree never saw, gets NULL (apply completes those with the table's
// most frequent values and means first).
//
// Thresholds: the engine compares 32-bit values, so a cut c is written as the double bound that
// gives the same answer for every number the engine reads as c or below.

#include <string>
#include <vector>

#include "core/data/sql_dialect.h"
#include "core/treefiles/model_file.h"

namespace quarry::scoring {

// The expression in the workbench's SQL (bracketed names), before the dialect's rewriting.
std::string PredictionExpression(const treefiles::SavedTree& tree);

// The expression in the dialect's own SQL.
std::string PredictionSql(const treefiles::SavedTree& tree, const SqlDialect& dialect);

// "ALTER TABLE ... ADD COLUMN ..." and "UPDATE ... SET ... = CASE ...", in the dialect's SQL.
std::vector<std::string> ApplySqlStatements(const treefiles::SavedTree& tree,
                                            const SqlDialect& dialect, const std::string& table,
                                            const std::string& column);

// The double bound B such that a number x read by the engine as a 32-bit float is at most `cut`
// exactly when x <= B (`inclusive`) or x < B (not `inclusive`).
struct CutBound {
  double bound = 0.0;
  bool inclusive = true;
};
CutBound FloatCutBound(float cut);

}  // namespace quarry::scoring
