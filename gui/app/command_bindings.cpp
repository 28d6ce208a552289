#include "gui/app/command_bindings.h"

#include <QPointer>

#include "core/data/working_folder.h"
#include "gui/app/about_dialog.h"
#include "gui/app/command_table.h"
#include "gui/app/database_commands.h"
#include "gui/app/getting_started_dialog.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/assoc/association_rules_dialog.h"
#include "gui/assoc/binarization_dialog.h"
#include "gui/assoc/rule_filter_window.h"
#include "gui/cluster/clustering_dialog.h"
#include "gui/data/export_file_dialog.h"
#include "gui/data/import_file_command.h"
#include "gui/dtree/classification_cv_dialog.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/dtree/pruning_comparison_dialog.h"
#include "gui/graphics/graphic_visualization_dialog.h"
#include "gui/knn/knn_dialog.h"
#include "gui/modeltree/regression_cv_dialog.h"
#include "gui/modeltree/strata_dialog.h"
#include "gui/query/edit_query_dialog.h"
#include "gui/query/query_creator_wizard.h"
#include "gui/query/selecting_query_dialog.h"
#include "gui/scoring/apply_model_dialog.h"
#include "gui/transform/discretization_dialog.h"
#include "gui/transform/null_substitution_dialog.h"
#include "gui/transform/sampling_dialog.h"
#include "gui/transform/scaling_dialog.h"
#include "gui/transform/statistical_analysis_dialog.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

// The session's dialog D, prepared (tables listed again) and shown modally.
template <class D>
void OpenPrepared(Workbench& bench) {
  D& dialog = bench.Dialog<D>();
  dialog.Prepare();
  dialog.exec();
}

QString ChooseResultFile(QWidget& window, const QString& caption, const QString& filter) {
  EnsureWorkingFolder();
  return CurrentPrompts().OpenFileName(&window, caption,
                                       QString::fromStdString(WorkingFolder().string()), filter);
}

// The session's dialog of a method, its table list read again.
template <class D>
void OpenMethodDialog(Workbench& bench) {
  D& dialog = bench.Dialog<D>();
  dialog.Prepare();
  dialog.exec();
}

}  // namespace

void BindCommands(CommandMap& map, MainWindow& window) {
  Workbench& bench = window.Bench();
  map.Bind(kCmdOpenDatabase, [&bench] { OpenDatabaseCommand(bench); });
  map.Bind(kCmdImportFile, [&bench] { ImportFileCommand(bench); });
  map.Bind(kCmdExportFile, [&bench] {
    ExportFileDialog& dialog = bench.Dialog<ExportFileDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdDecisionTrees, [&bench] {
    DecisionTreeDialog& dialog = bench.Dialog<DecisionTreeDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdClassificationKcv, [&bench] {
    ClassificationCvDialog& dialog = bench.Dialog<ClassificationCvDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdComparePruning, [&bench] {
    PruningComparisonDialog& dialog = bench.Dialog<PruningComparisonDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdCloseDatabase, [&bench] { CloseDatabaseCommand(bench); });
  map.Bind(kCmdWizardNewQuery, [&bench] { OpenQueryCreator(bench); });
  map.Bind(kCmdEditNewQuery, [&bench] { bench.Dialog<EditQueryDialog>().exec(); });
  map.Bind(kCmdExistingQuery, [&bench] {
    SelectingQueryDialog& dialog = bench.Dialog<SelectingQueryDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  for (const auto& [command, generalized] :
       {std::pair{kCmdDiscoveryRules, false}, std::pair{kCmdDiscoveryGenRules, true}}) {
    map.Bind(command, [&bench, generalized] {
      AssociationRulesDialog& dialog = bench.Dialog<AssociationRulesDialog>();
      dialog.Prepare(generalized);
      dialog.exec();
    });
  }
  map.Bind(kCmdFilterRules, [&bench] { bench.Dialog<RuleFilterWindow>().exec(); });
  map.Bind(kCmdBinarization, [&bench] {
    BinarizationDialog& dialog = bench.Dialog<BinarizationDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdRegressionTrees, [&bench] { OpenMethodDialog<StrataDialog>(bench); });
  map.Bind(kCmdRegressionKcv, [&bench] { OpenMethodDialog<RegressionCvDialog>(bench); });
  map.Bind(kCmdPruningRegressionKcv,
           [&bench] { OpenMethodDialog<PruningRegressionCvDialog>(bench); });
  map.Bind(kCmdExit, [&window] { window.close(); });
  map.Bind(kCmdTextualView, [&window] { window.ChooseTextualView(); });
  map.Bind(kCmdGraphicView, [&window] {
    const QString file = ChooseResultFile(window, "Graphic View", "Trees (*.tree)");
    if (!file.isEmpty()) ShowTree(&window, file.toStdString());
  });
  map.Bind(kCmdRulesView, [&window] {
    const QString file = ChooseResultFile(window, "Rules View", "Rules (*.rules)");
    if (!file.isEmpty()) ShowRules(&window, file.toStdString());
  });
  map.Bind(kCmdClustering, [&bench] { OpenPrepared<ClusteringDialog>(bench); });
  map.Bind(kCmdApplyModel, [&bench] { OpenPrepared<ApplyModelDialog>(bench); });
  // The tree viewer's "Apply to a Table..." opens the same dialog on the tree it shows.
  TreeViewerDialog::SetApplyAction(
      [bench = QPointer<Workbench>(&bench)](const std::filesystem::path& treeFile) {
        if (!bench) return;
        ApplyModelDialog& dialog = bench->Dialog<ApplyModelDialog>();
        dialog.Prepare();
        dialog.ChooseModel(treeFile);
        dialog.exec();
      });
  map.Bind(kCmdKNearestNeighbour, [&bench] { OpenPrepared<KnnDialog>(bench); });
  map.Bind(kCmdDiscretization, [&bench] { OpenPrepared<DiscretizationDialog>(bench); });
  map.Bind(kCmdStatisticalAnalysis, [&bench] { OpenPrepared<StatisticalAnalysisDialog>(bench); });
  map.Bind(kCmdNullValueSubstitution, [&bench] { OpenPrepared<NullSubstitutionDialog>(bench); });
  map.Bind(kCmdSampling, [&bench] { OpenPrepared<SamplingDialog>(bench); });
  map.Bind(kCmdScaling, [&bench] { OpenPrepared<ScalingDialog>(bench); });
  map.Bind(kCmdGraphicAnalysis, [&bench] { OpenPrepared<GraphicVisualizationDialog>(bench); });
  map.Bind(kCmdGettingStarted, [&window] {
    GettingStartedDialog page(&window);
    page.exec();
  });
  map.Bind(kCmdAbout, [&window] {
    AboutDialog about(&window);
    about.exec();
  });
}

}  // namespace quarry::gui
