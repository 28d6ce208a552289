#pragma once
// The apply job: a saved tree scores every row of a table, and the table gets the predictions as
// new columns (the predicted class or value; optionally the winning class's share and the leaf).
// The table is rebuilt in one transaction: its rows are copied with the new cells into a work
// table that then takes the table's place, so a failure leaves the table as it was. When the
// table also has the class column, the job counts how the predictions meet it.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/modeltree/tree_evaluation.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry {
class DataSource;
}

namespace quarry::scoring {

struct ApplyParams {
  std::string model;  // a tree file (or its ".model" file); a bare name is looked up in the
                      // working folder, ".tree" added when missing
  std::string table;
  std::string column;            // the prediction; empty: the target's name + "_predicted"
  std::string confidenceColumn;  // the winning class's share; empty: none
  std::string leafColumn;        // the leaf's number; empty: none
  bool overwrite = false;        // replace columns of these names instead of refusing
  // How the caller asks for `overwrite`, named in the refusal of a column that exists already.
  std::string overwriteOption = "--overwrite";
};

struct ApplyResult {
  treefiles::TreeKind kind = treefiles::TreeKind::kDecisionTree;
  std::filesystem::path treeFile;
  std::string column;
  long rows = 0;
  long spread = 0;         // rows spread over several leaves (decision trees)
  bool hasTarget = false;  // the table has the model's class or target column
  // Decision trees with the class column: counts by [actual][predicted] class; rows whose class
  // is NULL or one the model does not know are left out of them.
  std::vector<std::string> classNames;
  std::vector<std::vector<long>> confusion;
  long errors = 0;
  long counted = 0;
  long uncounted = 0;
  // Model trees with the target column: the job's error measures over the table.
  modeltree::ErrorMeasures measures;
};

// The tree files of `folder` that can be applied: each "B.tree" with its model file "B.model"
// beside it (decision trees and model trees alike), sorted by file name.
std::vector<std::filesystem::path> ApplicableTreeFiles(const std::filesystem::path& folder);

// What can be said of the new columns' names before the table is read: each must hold more than
// blanks, and no two may be the same name (without regard to case). ApplyModel checks it first.
Status CheckNewColumnNames(const ApplyParams& params);

// Scores `params.table` with the saved tree. Refusals (nothing changed): kNotFound for a missing
// file, table or model file; kParse for a file that is no tree; kInvalidArgument naming the
// attribute the table lacks or holds as text where the model reads numbers, or the column that
// exists already without `overwrite`. `messages` receives the loader's messages about illegal
// values and the model tree's substitution lines.
Expected<ApplyResult> ApplyModel(DataSource& source, const ApplyParams& params,
                                 std::ostream& messages, Progress& progress = NoProgress());

// The lines quarry-cli prints after applying: rows scored, and the confusion matrix and error
// rate (decision trees) or the error lines (model trees) when the table has the target.
std::string ApplyReport(const ApplyResult& result);

}  // namespace quarry::scoring
