// Screenshots of the workbench as a reviewer would see it, taken on a real X server (run under
// xvfb-run): the main window with its database panel and a tree in its textual view, the column
// types step of a CSV import, the tree and rules viewers, the table viewer sorted by a column, the
// Query Creator's last page, the Association Rules, decision-tree and classification
// cross-validation dialogs after a run, the decision-tree dialog's pruning advice while it runs,
// and the Getting Started page.
//   gui_screenshots OUTPUT_FOLDER
// Fails when a window cannot be captured or the capture is blank.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <QAction>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "core/data/data_source.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/decision_tree_assistant.h"
#include "gui/app/database_panel.h"
#include "gui/app/getting_started_dialog.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/assoc/association_rules_dialog.h"
#include "gui/data/import_file_command.h"
#include "gui/dtree/classification_cv_dialog.h"
#include "gui/dtree/cv_settings_dialog.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "gui/query/query_creator_wizard.h"
#include "gui/query/query_set_dialog.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_diagram.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "gui/ui/rules_table.h"
#include "tests/gui/support/gui_test_support.h"

namespace {

using namespace quarry::gui;

// Whole-screen capture, as the X server shows it; the toolkit's own grab when ImageMagick's
// import is not there.
bool Capture(const QString& path) {
  QTest::qWait(600);
  const bool imported = QProcess::execute("import", {"-window", "root", path}) == 0;
  if (!imported) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(path)) return false;
  }
  const QImage image(path);
  if (image.isNull()) return false;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < 16; y += 7) {
    for (int x = 0; x < image.width() && colours.size() < 16; x += 7)
      colours.insert(image.pixel(x, y));
  }
  std::printf("%s: %dx%d%s\n", qPrintable(path), image.width(), image.height(),
              imported ? "" : " (toolkit grab)");
  return colours.size() >= 16;
}

// Selects `text` in the list or combo box called `name`, then clicks the button `then`.
void Choose(QWidget* dialog, const char* name, const QString& text, const char* then) {
  if (auto* list = dialog->findChild<QListWidget*>(name)) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty()) list->setCurrentItem(found.first());
  } else if (auto* combo = dialog->findChild<QComboBox*>(name)) {
    combo->setCurrentIndex(combo->findText(text));
  }
  if (!then) return;
  if (auto* button = dialog->findChild<QPushButton*>(then)) button->click();
}

// Waits until the job of `runner` has ended and the dialog's result buttons are back.
bool WaitForJob(JobRunner& runner) {
  for (int waited = 0; runner.IsRunning() && waited < 120000; waited += 50) QTest::qWait(50);
  QTest::qWait(700);
  return !runner.IsRunning();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  if (std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  testing::PrepareEnvironment();
  QApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());
  testing::TempHome home;
  bool ok = true;

  MainWindow window;
  window.OpenStartDatabase({});
  window.resize(1100, 720);
  window.CenterOnScreen();
  window.show();
  window.OpenDocument(QString::fromStdString(testing::TestDataFile("golf_data.tree").string()));
  ok = QTest::qWaitForWindowExposed(&window) && ok;
  // The panel with one table unfolded and every row count in.
  (void)QTest::qWaitFor([&] { return !window.Panel().TableNames().isEmpty(); }, 5000);
  for (QTreeWidgetItem* item : window.Panel().Tables().findItems("golf_data", Qt::MatchExactly))
    item->setExpanded(true);
  (void)QTest::qWaitFor([&] { return window.Panel().RowCountText("wave_test") != "..."; }, 10000);
  ok = Capture(out.filePath("main_window.png")) && ok;

  {
    // File > Import File on a CSV file: the step that shows each column's guessed type.
    const auto csv = home.path() / "stations.csv";
    std::ofstream(csv) << "station,zip,altitude,opened,rainfall\n"
                          "Pisa S. Giusto,56121,2,1938-05-01,901.5\n"
                          "\"Bari, Palese\",70128,49,1962-10-12,\n"
                          "Cortina,32043,1224,1951-01-01,1093\n";
    bool shown = false;
    testing::OnNextModal([&](QWidget* modal) {
      shown = QTest::qWaitForWindowExposed(modal) && Capture(out.filePath("csv_import.png"));
      modal->close();
    });
    ImportFile(window.Bench(), QString::fromStdString(csv.string()));
    ok = shown && ok;
  }

  TreeViewerDialog tree(&window);
  tree.Load(testing::TestDataFile("golf_data.tree"));
  tree.show();
  ok = QTest::qWaitForWindowExposed(&tree) && ok;
  tree.FollowCase({{"outlook", "sunny"}, {"humidity", "90"}});
  ok = Capture(out.filePath("tree_viewer.png")) && ok;
  tree.close();

  RulesViewerDialog rules(&window);
  rules.Load(testing::TestDataFile("golf_data.rules"));
  rules.show();
  ok = QTest::qWaitForWindowExposed(&rules) && ok;
  rules.SelectRule(4);
  rules.Table().sortByColumn(3, Qt::DescendingOrder);  // by number of cases
  ok = Capture(out.filePath("rules_viewer.png")) && ok;
  rules.close();

  window.Source().SetCurrentTable("golf_data");
  QuerySetDialog grid(&window);
  ok = grid.Load(window.Source()) && ok;
  ok = grid.SortBy(2, true) && ok;  // as a click on the "humidity" header twice leaves it
  grid.show();
  ok = QTest::qWaitForWindowExposed(&grid) && ok;
  ok = Capture(out.filePath("query_set.png")) && ok;
  grid.close();

  QueryCreatorWizard& wizard = window.Bench().Dialog<QueryCreatorWizard>();
  ok = wizard.Prepare() && ok;
  wizard.show();
  Choose(&wizard, "tables", "golf_data", "addTable");
  wizard.next();
  wizard.next();
  Choose(&wizard, "fieldColumns", "[golf_data].[outlook]", "addField");
  Choose(&wizard, "aggregate", "Avg", nullptr);
  Choose(&wizard, "fieldColumns", "[golf_data].[temperature]", "addField");
  wizard.next();
  Choose(&wizard, "whereField", "[golf_data].[humidity]", nullptr);
  Choose(&wizard, "whereOperator", ">", nullptr);
  wizard.findChild<QLineEdit*>("whereValue")->setText("80");
  Choose(&wizard, "whereRightField", "(value)", "whereAdd");
  wizard.next();
  Choose(&wizard, "groupColumns", "[golf_data].[outlook]", "addGroupBy");
  wizard.next();
  Choose(&wizard, "orderColumns", "[golf_data].[outlook]", "descending");
  wizard.next();
  ok = QTest::qWaitForWindowExposed(&wizard) && !wizard.Statement().isEmpty() && ok;
  ok = Capture(out.filePath("query_creator.png")) && ok;
  wizard.close();

  {
    // The completion box is recorded rather than shown, so that it does not cover the dialog.
    testing::RecordingPrompts prompts;
    AssociationRulesDialog& assoc = window.Bench().Dialog<AssociationRulesDialog>();
    assoc.Prepare(false);
    assoc.SelectTable("baskets");
    assoc.findChild<QLineEdit*>("minSupport")->setText("0.15");
    assoc.Execute();
    ok = window.Jobs().WaitForWorkers(60000) && ok;
    assoc.show();
    ok = QTest::qWaitForWindowExposed(&assoc) && ok;
    ok = QTest::qWaitFor([&] { return !prompts.boxes.isEmpty(); }, 10000) && ok;
    ok = Capture(out.filePath("association_rules.png")) && ok;
    assoc.hide();
  }
  {
    testing::RecordingPrompts quiet;  // the completion boxes would cover the dialogs
    DecisionTreeDialog& trees = window.Bench().Dialog<DecisionTreeDialog>();
    trees.Prepare();
    trees.show();
    trees.SelectTable("golf_data");
    trees.Execute();
    ok = WaitForJob(trees.Runner()) &&
         quiet.Texts() == QStringList{"classification tree created"} && ok;
    ok = QTest::qWaitForWindowExposed(&trees) && ok;
    ok = Capture(out.filePath("decision_tree_dialog.png")) && ok;
    {
      // The assistant's advice on a table large enough to watch it run, then stopped there.
      quarry::DataSource& source = window.Bench().Source();
      ok = source.Execute("select * into wave_large_data from wave_data") && ok;
      for (int copy = 0; copy < 600; ++copy)
        ok = source.Execute("insert into wave_large_data select * from wave_data") && ok;
      trees.Prepare();
      trees.SelectTable("wave_large_data");
      auto* list = trees.findChild<QListWidget*>("tables");
      const QPoint at = list->visualItemRect(list->currentItem()).center();
      QHelpEvent help(QEvent::WhatsThis, at, list->viewport()->mapToGlobal(at));
      QApplication::sendEvent(list->viewport(), &help);
      AssistantBalloon& balloon = trees.findChild<DecisionTreeAssistant*>()->Balloon();
      JobRunner& advice = window.Bench().Runner(kPruningAdviceJob);
      ok =
          QTest::qWaitFor([&] { return balloon.Step().startsWith("model variance"); }, 60000) && ok;
      ok = Capture(out.filePath("decision_tree_advice.png")) && ok;
      const bool running = advice.IsRunning();
      if (auto* stop = balloon.findChild<QPushButton*>("stopAdvice")) stop->click();
      ok = running && WaitForJob(advice) && balloon.Note() == "the pruning adviser was stopped" &&
           !source.TableExists("QuarryModelSample1_data") && ok;
    }
    trees.close();

    ClassificationCvDialog& cv = window.Bench().Dialog<ClassificationCvDialog>();
    cv.Prepare();
    cv.show();
    cv.SelectTable("wave_data");
    cv.Settings().Options().MethodAction(quarry::pruning::kReducedErrorPruning)->trigger();
    cv.Execute();
    ok = WaitForJob(cv.Runner()) && quiet.Texts().last() == "classification trees created" && ok;
    if (auto* folds = cv.findChild<QListWidget*>("prunedTrees")) folds->setCurrentRow(2);
    ok = QTest::qWaitForWindowExposed(&cv) && ok;
    ok = Capture(out.filePath("classification_cv_dialog.png")) && ok;
    cv.close();
  }

  GettingStartedDialog guide(&window);
  guide.show();
  ok = QTest::qWaitForWindowExposed(&guide) && ok;
  ok = Capture(out.filePath("getting_started.png")) && ok;
  guide.close();

  if (!ok) std::fprintf(stderr, "a screenshot is missing or blank\n");
  return ok ? 0 : 1;
}
