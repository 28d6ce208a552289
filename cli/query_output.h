#pragma once
// What the query commands share: running a statement the query editor's way and printing the
// table viewer's content.

#include <string>

#include "cli/cli_context.h"

namespace quarry::cli {

// Prints a table tab-separated: the column names, then the rows ("?" for NULL).
int PrintTable(CliContext& ctx, const std::string& table);

// Execute: the result is printed from its scratch table, which is dropped afterwards.
int ExecuteAndPrint(CliContext& ctx, const std::string& sql);

// Materialize: the result becomes table `name`; an existing one is replaced only with `overwrite`.
int MaterializeAndReport(CliContext& ctx, const std::string& sql, const std::string& name,
                         bool overwrite);

}  // namespace quarry::cli
