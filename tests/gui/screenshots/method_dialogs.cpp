// Screenshots of the method dialogs as a user leaves them after a run on the sample database
// (clustering, kNN, the transformations, graphic analysis, the model tree and its
// cross-validation), taken on a virtual X server (run under xvfb-run):
//   gui_method_dialog_screenshots OUTPUT_FOLDER
// Fails when a dialog cannot be captured or the capture is blank.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/data/working_folder.h"
#include "core/pruning/decision_tree_job.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/cluster/clustering_dialog.h"
#include "gui/dtree/pruning_comparison_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "gui/graphics/graphic_visualization_dialog.h"
#include "gui/knn/knn_dialog.h"
#include "gui/modeltree/regression_cv_dialog.h"
#include "gui/modeltree/strata_dialog.h"
#include "gui/scoring/apply_model_dialog.h"
#include "gui/transform/discretization_dialog.h"
#include "gui/transform/null_substitution_dialog.h"
#include "gui/transform/sampling_dialog.h"
#include "gui/transform/scaling_dialog.h"
#include "gui/transform/statistical_analysis_dialog.h"
#include "gui/ui/table_field_lists.h"
#include "tests/gui/support/gui_test_support.h"

namespace {

using namespace quarry::gui;

bool Capture(QWidget& dialog, const QString& path) {
  dialog.show();
  dialog.raise();
  if (!QTest::qWaitForWindowExposed(&dialog)) return false;
  QTest::qWait(300);
  const QImage image = dialog.grab().toImage();
  if (image.isNull() || !image.save(path)) return false;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < 16; y += 5) {
    for (int x = 0; x < image.width() && colours.size() < 16; x += 5)
      colours.insert(image.pixel(x, y));
  }
  std::printf("%s: %dx%d\n", qPrintable(path), image.width(), image.height());
  dialog.hide();
  return colours.size() >= 16;
}

void Select(QWidget& dialog, const char* list, const QString& text) {
  auto* widget = dialog.findChild<QListWidget*>(list);
  const auto found = widget->findItems(text, Qt::MatchExactly);
  if (!found.isEmpty()) widget->setCurrentItem(found.first());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_method_dialog_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  if (std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  testing::PrepareEnvironment();
  QApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());
  testing::TempHome home;
  // Boxes would stop the run; the questions are answered from here.
  testing::RecordingPrompts prompts;
  bool ok = true;

  MainWindow window;
  window.OpenStartDatabase({});
  Workbench& bench = window.Bench();

  auto& clustering = bench.Dialog<ClusteringDialog>();
  clustering.Prepare();
  Select(clustering, "1036", "baskets");
  clustering.findChild<QLineEdit*>("1350")->setText("3");
  clustering.Execute();
  window.Jobs().WaitForWorkers(60000);
  QTest::qWait(700);  // the dialog timer gives the result buttons back
  ok = Capture(clustering, out.filePath("clustering.png")) && ok;

  auto& compare = bench.Dialog<PruningComparisonDialog>();
  compare.Prepare();
  compare.SelectTable("wave_data");
  compare.Options().findChild<QLineEdit*>("mValues")->setText("0.5, 2, 8");
  compare.Execute();
  window.Jobs().WaitForWorkers(120000);
  QTest::qWait(700);  // the runner's timer reports the end and the dialog fills its results
  ok = Capture(compare, out.filePath("compare_pruning.png")) && ok;

  auto& knn = bench.Dialog<KnnDialog>();
  knn.Prepare();
  knn.ChooseTrainTable("golf_data");
  knn.ChooseTestTable("golf_test");
  knn.findChild<QListWidget*>("1036")->setCurrentRow(1);
  knn.ChooseDistance(quarry::knn::DistanceKind::kMinkowski);
  knn.findChild<QLineEdit*>("1376")->setText("2");
  knn.findChild<QLineEdit*>("1199")->setText("3");
  knn.Classify();
  ok = Capture(knn, out.filePath("knn.png")) && ok;

  auto& discretization = bench.Dialog<DiscretizationDialog>();
  discretization.Prepare();
  discretization.Lists().SelectTable("golf_data");
  discretization.Lists().SelectField("temperature");
  discretization.findChild<QLineEdit*>("intervals")->setText("3");
  discretization.findChild<QRadioButton*>("textLabel")->setChecked(true);
  ok = Capture(discretization, out.filePath("discretization.png")) && ok;

  auto& statistics = bench.Dialog<StatisticalAnalysisDialog>();
  statistics.Prepare();
  statistics.ChooseTable("golf_data");
  statistics.ChooseField("golf_data.humidity");
  for (quarry::Statistic statistic :
       {quarry::Statistic::kAverage, quarry::Statistic::kMode, quarry::Statistic::kMedian,
        quarry::Statistic::kStDeviation, quarry::Statistic::kMin, quarry::Statistic::kMax,
        quarry::Statistic::kValueNumber, quarry::Statistic::kMissingValues})
    statistics.Compute(statistic);
  ok = Capture(statistics, out.filePath("statistical_analysis.png")) && ok;

  auto& nulls = bench.Dialog<NullSubstitutionDialog>();
  nulls.Prepare();
  nulls.Lists().SelectTable("golf_data");
  nulls.Lists().SelectField("humidity");
  ok = Capture(nulls, out.filePath("null_substitution.png")) && ok;

  auto& sampling = bench.Dialog<SamplingDialog>();
  sampling.Prepare();
  sampling.Lists().SelectTable("golf_data");
  sampling.findChild<QLineEdit*>("percent")->setText("50");
  prompts.tableNames.push_back("golf_half");
  sampling.Sample();
  ok = Capture(sampling, out.filePath("sampling.png")) && ok;

  auto& scaling = bench.Dialog<ScalingDialog>();
  scaling.Prepare();
  scaling.Lists().SelectTable("golf_data");
  scaling.Lists().SelectField("temperature");
  scaling.findChild<QLineEdit*>("extremeInf")->setText("0");
  scaling.findChild<QLineEdit*>("extremeSup")->setText("1");
  ok = Capture(scaling, out.filePath("scaling.png")) && ok;

  auto& graphics = bench.Dialog<GraphicVisualizationDialog>();
  graphics.Prepare();
  graphics.Lists().SelectTable("golf_data");
  graphics.Lists().SelectField("outlook");
  graphics.SetProbability(true);
  graphics.Graph(ChartKind::kHistogram3D);
  ok = Capture(graphics, out.filePath("graphic_visualization.png")) && ok;
  graphics.Lists().SelectField("temperature");
  graphics.SetProbability(false);
  graphics.Graph(ChartKind::kArea3D);
  ok = Capture(graphics, out.filePath("graphic_visualization_area3d.png")) && ok;
  graphics.Graph(ChartKind::kStep3D);
  ok = Capture(graphics, out.filePath("graphic_visualization_step3d.png")) && ok;
  graphics.Lists().SelectField("outlook");
  graphics.SetProbability(true);
  graphics.Graph(ChartKind::kPie);
  ok = Capture(graphics, out.filePath("graphic_visualization_pie.png")) && ok;

  auto& strata = bench.Dialog<StrataDialog>();
  strata.Prepare();
  strata.SelectTable("growth_data");
  strata.ChoosePruning(4);
  strata.Execute();
  window.Jobs().WaitForWorkers(60000);
  QTest::qWait(700);
  ok = Capture(strata, out.filePath("strata.png")) && ok;

  auto& regressionCv = bench.Dialog<PruningRegressionCvDialog>();
  regressionCv.Prepare();
  regressionCv.SelectTable("growth_data");
  regressionCv.findChild<QLineEdit*>("folds")->setText("3");
  regressionCv.Execute();
  window.Jobs().WaitForWorkers(120000);
  QTest::qWait(700);
  ok = Capture(regressionCv, out.filePath("pruning_regression_cv.png")) && ok;

  // Apply Model after a run of the golf tree on the test table: the confusion matrix shows.
  {
    quarry::pruning::DecisionTreeParameters p;
    p.table = "golf_data";
    quarry::pruning::InductionResult grown;
    std::ostringstream report;
    ok = quarry::pruning::DecisionTreeJob(p, window.Source(), report, quarry::NoProgress(), grown)
             .ok() &&
         ok;
  }
  auto& apply = bench.Dialog<ApplyModelDialog>();
  apply.Prepare();
  apply.ChooseModel(quarry::WorkingFile("golf_dataPRUNED.tree"));
  apply.ChooseTable("golf_test");
  apply.findChild<QLineEdit*>("column")->setText("play_predicted");
  apply.findChild<QLineEdit*>("confidence")->setText("share");
  apply.show();
  // The table viewer the run opens is closed at once.
  QPointer<QTimer> viewer = quarry::gui::testing::OnNextModal(
      [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  apply.Execute();
  window.Jobs().WaitForWorkers(60000);
  QTest::qWait(700);
  delete viewer;
  ok = Capture(apply, out.filePath("apply_model.png")) && ok;

  if (!ok) std::fprintf(stderr, "a screenshot is missing or blank\n");
  for (const auto& box : prompts.boxes) std::printf("message: %s\n", qPrintable(box.text));
  return ok ? 0 : 1;
}
