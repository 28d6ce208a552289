#include "gui/app/command_table.h"

#include <iterator>

namespace quarry::gui {

namespace {

constexpr const char* kFile = "&File";
constexpr const char* kSelection = "&Selection";
constexpr const char* kPreProcessing = "&PreProcessing";
constexpr const char* kTransformation = "&Transformation";
constexpr const char* kAnalysis = "&Analysis";
constexpr const char* kView = "&View";
constexpr const char* kEvaluation = "&Evaluation";
constexpr const char* kHelp = "&Help";
constexpr const char* kAssociationRules = "Association Rules";

constexpr CommandSpec kCommands[] = {
    {kCmdOpenDatabase, kFile, nullptr, "&Open DataBase\tCtrl+O", "Open DataBase"},
    {kCmdImportFile, kFile, nullptr, "&Import File\tCtrl+I", "Import File"},
    {kCmdExportFile, kFile, nullptr, "&Export File\tCtrl+E", "Export File"},
    {kCmdCloseDatabase, kFile, nullptr, "&Close DataBase\tCtrl+C", "Close DataBase"},
    {kCmdExit, kFile, nullptr, "E&xit", "Exit"},
    {kCmdWizardNewQuery, kSelection, nullptr, "&Wizard New Query\tCtrl+W", "Wizard New Query"},
    {kCmdEditNewQuery, kSelection, nullptr, "&Edit New Query\tCtrl+E", "Edit New Query"},
    {kCmdExistingQuery, kSelection, nullptr, "E&xisting Query\tCtrl+X", "Existing Query"},
    {kCmdGraphicAnalysis, kPreProcessing, nullptr, "&Graphic Analysis ", "Graphic Analysis"},
    {kCmdStatisticalAnalysis, kPreProcessing, nullptr, "&Statistical Analysis",
     "Statistical Analysis"},
    {kCmdDiscretization, kTransformation, nullptr, "&Discretization\tCtrl+D", "Discretization"},
    {kCmdNullValueSubstitution, kTransformation, nullptr, "&Null Value Substitution\tCtrl+S",
     "Null Value Substitution"},
    {kCmdScaling, kTransformation, nullptr, "S&caling", "Scaling"},
    {kCmdSampling, kTransformation, nullptr, "&Sampling\tCtrl+S", "Sampling"},
    {kCmdBinarization, kTransformation, nullptr, "Binarization", "Binarization"},
    {kCmdDecisionTrees, kAnalysis, nullptr, "&Decision Trees\tCtrl+D", "Decision Trees"},
    {kCmdRegressionTrees, kAnalysis, nullptr, "&RegressionTrees\tCtrl+R", "RegressionTrees"},
    {kCmdKNearestNeighbour, kAnalysis, nullptr, "K-Nearest-Neighbour", "K-Nearest-Neighbour"},
    {kCmdDiscoveryRules, kAnalysis, kAssociationRules, "Discovery Rules", "Discovery Rules"},
    {kCmdDiscoveryGenRules, kAnalysis, kAssociationRules, "Discovery Gen Rules",
     "Discovery Gen Rules"},
    {kCmdFilterRules, kAnalysis, kAssociationRules, "Filter Rules", "Filter Rules"},
    {kCmdClustering, kAnalysis, nullptr, "&Clustering", "Clustering"},
    {kCmdApplyModel, kAnalysis, nullptr, "Apply &Model...", "Apply Model"},
    {kCmdTextualView, kView, nullptr, "&Textual View", "Textual View"},
    {kCmdGraphicView, kView, nullptr, "&Graphic View", "Graphic View"},
    {kCmdRulesView, kView, nullptr, "&Rules View", "Rules View"},
    {kCmdRegressionKcv, kEvaluation, nullptr, "Regression k-CV", "Regression k-CV"},
    {kCmdPruningRegressionKcv, kEvaluation, nullptr, "Pruning Regression k-CV",
     "Pruning Regression k-CV"},
    {kCmdClassificationKcv, kEvaluation, nullptr, "Classification k-CV", "Classification k-CV"},
    {kCmdComparePruning, kEvaluation, nullptr, "Compare Pruning Methods",
     "Compare Pruning Methods"},
    {kCmdGettingStarted, kHelp, nullptr, "&Getting Started", "Getting Started"},
    {kCmdAbout, kHelp, nullptr, "&About QUARRY...", "About QUARRY"},
};

QKeySequence ShownShortcut(const CommandSpec& command) {
  const QString text = command.text;
  const int tab = text.indexOf('\t');
  return tab < 0 ? QKeySequence() : QKeySequence(text.mid(tab + 1), QKeySequence::PortableText);
}

}  // namespace

std::span<const CommandSpec> MenuCommands() { return kCommands; }

const CommandSpec* FindCommand(int id) {
  for (const CommandSpec& command : kCommands) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

QKeySequence CommandShortcut(int id) {
  for (auto it = std::begin(kCommands); it != std::end(kCommands); ++it) {
    if (it->id != id) continue;
    const QKeySequence key = ShownShortcut(*it);
    if (key.isEmpty()) return key;
    for (auto earlier = std::begin(kCommands); earlier != it; ++earlier) {
      if (ShownShortcut(*earlier) == key) return {};
    }
    return key;
  }
  return {};
}

}  // namespace quarry::gui
