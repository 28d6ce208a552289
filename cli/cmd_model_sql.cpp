#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "core/scoring/model_sql.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry::cli {

void AddModelSqlCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "model-sql",
      "Print a saved tree as an SQL CASE expression of the open database (with --table, the "
      "statements that add a column and fill it)");
  static std::string file;
  static std::string table;
  static std::string column;
  cmd->add_option("file", file, "The tree file (B.tree, found in the working folder)")->required();
  auto* tableOption = cmd->add_option("--table", table, "The table the statements add a column to");
  cmd->add_option("--column", column,
                  "The new column (default: the class column's name + _predicted)")
      ->needs(tableOption);
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      auto tree = treefiles::ReadSavedTree(treefiles::FindResultFile(file, ".tree"));
      if (!tree) return CliContext::Fail(tree.status());
      const SqlDialect& dialect = ctx.source.Dialect();
      if (table.empty()) {
        std::cout << scoring::PredictionSql(*tree, dialect) << "\n";
        return kExitOk;
      }
      const std::string name =
          column.empty()
              ? tree->att.AttName[static_cast<size_t>(tree->att.MaxAtt + 1)] + "_predicted"
              : column;
      for (const std::string& sql : scoring::ApplySqlStatements(*tree, dialect, table, name))
        std::cout << sql << ";\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
