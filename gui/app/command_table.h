#pragma once
// The commands of the main menu: identifiers, menu places and texts, in menu order. The menu,
// the toolbar and the command map are all built from this one table.

#include <QKeySequence>
#include <QString>
#include <span>

namespace quarry::gui {

enum CommandId : int {
  kCmdOpenDatabase = 32771,
  kCmdImportFile = 32772,
  kCmdExportFile = 32773,
  kCmdCloseDatabase = 32774,
  kCmdWizardNewQuery = 32775,
  kCmdEditNewQuery = 32776,
  kCmdExistingQuery = 32777,
  kCmdDiscretization = 32778,
  kCmdNullValueSubstitution = 32779,
  kCmdBinarization = 32780,
  kCmdSampling = 32781,
  kCmdDecisionTrees = 32782,
  kCmdRegressionTrees = 32784,
  kCmdDiscoveryRules = 32785,
  kCmdGraphicView = 32788,
  kCmdTextualView = 32789,
  kCmdRulesView = 32790,
  kCmdRegressionKcv = 32791,
  kCmdClassificationKcv = 32793,
  kCmdGraphicAnalysis = 32805,
  kCmdStatisticalAnalysis = 32806,
  kCmdPruningRegressionKcv = 32808,
  kCmdScaling = 32814,
  kCmdClustering = 32835,
  kCmdKNearestNeighbour = 32844,
  kCmdDiscoveryGenRules = 32846,
  kCmdFilterRules = 32847,
  // Commands the workbench adds to those of the menu resource.
  kCmdComparePruning = 32850,
  kCmdApplyModel = 32851,
  kCmdGettingStarted = 32900,
  // The application's own commands, with the identifiers such commands conventionally have.
  kCmdRecentFile1 = 57616,  // ..57619 for the four recent files
  kCmdAbout = 57664,
  kCmdExit = 57665,
};

struct CommandSpec {
  int id;
  const char* menu;     // top-level menu text
  const char* submenu;  // nullptr, or the submenu the command sits in
  const char* text;     // the menu text; a shortcut shown in the menu follows a tab
  const char* name;     // how messages name the command
};

// Every command of the main menu, in menu order.
std::span<const CommandSpec> MenuCommands();
const CommandSpec* FindCommand(int id);

// The key that triggers the command: the shortcut written in its menu text, unless a command
// earlier in menu order shows the same one (the menu shows Ctrl+E, Ctrl+S and Ctrl+D on two
// commands each; the first owns the key, so no key is ambiguous).
QKeySequence CommandShortcut(int id);

}  // namespace quarry::gui
