#pragma once
// The quarry-cli subcommands, one file each.

#include "cli/cli_context.h"

namespace quarry::cli {

void AddTablesCommand(CLI::App& app, CliContext& ctx);
void AddColumnsCommand(CLI::App& app, CliContext& ctx);
void AddQueryCommand(CLI::App& app, CliContext& ctx);
void AddMaterializeCommand(CLI::App& app, CliContext& ctx);
void AddImportCommand(CLI::App& app, CliContext& ctx);
void AddExportCommand(CLI::App& app, CliContext& ctx);
void AddSplitCommand(CLI::App& app, CliContext& ctx);
void AddPartitionCommand(CLI::App& app, CliContext& ctx);
void AddCreateDbCommand(CLI::App& app, CliContext& ctx);
void AddDemoCommand(CLI::App& app, CliContext& ctx);
void AddShowTreeCommand(CLI::App& app, CliContext& ctx);
void AddShowRulesCommand(CLI::App& app, CliContext& ctx);
void AddClusterCommand(CLI::App& app, CliContext& ctx);
void AddKnnCommand(CLI::App& app, CliContext& ctx);
void AddDtreeCommand(CLI::App& app, CliContext& ctx);
void AddDtreeCvCommand(CLI::App& app, CliContext& ctx);
void AddDtreeCompareCommand(CLI::App& app, CliContext& ctx);
void AddStoredQueriesCommand(CLI::App& app, CliContext& ctx);
void AddDiscretizeCommand(CLI::App& app, CliContext& ctx);
void AddStatsCommand(CLI::App& app, CliContext& ctx);
void AddNullsubCommand(CLI::App& app, CliContext& ctx);
void AddSampleCommand(CLI::App& app, CliContext& ctx);
void AddScaleCommand(CLI::App& app, CliContext& ctx);
void AddValuesCommand(CLI::App& app, CliContext& ctx);
void AddAdviseCommand(CLI::App& app, CliContext& ctx);
void AddMtreeCommand(CLI::App& app, CliContext& ctx);
void AddMtreeCvCommand(CLI::App& app, CliContext& ctx);
void AddAssocCommand(CLI::App& app, CliContext& ctx);
void AddBinarizeCommand(CLI::App& app, CliContext& ctx);
void AddApplyCommand(CLI::App& app, CliContext& ctx);
void AddModelSqlCommand(CLI::App& app, CliContext& ctx);

}  // namespace quarry::cli
