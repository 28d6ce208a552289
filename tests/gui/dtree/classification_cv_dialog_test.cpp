// "Classification k-fold CV" as the user meets it: its settings dialog, Execute's refusals, and
// complete runs whose fold lines, summaries and viewer buttons show the folds' own trees.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <set>

#include "core/data/data_source.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/dtree/classification_cv_dialog.h"
#include "gui/dtree/cv_settings_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

class ClassificationCvDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void settingsNameTheMethodAndTheTableItWants() {
    CvSettingsDialog& settings = Dialog().Settings();
    QCOMPARE(settings.windowTitle(), QString("Settig C4.5 Parameters"));
    QCOMPARE(settings.StatusText(),
             QString("pruning method :standard Prune\nPlease select *_data table"));
    QVERIFY(settings.Options().findChild<QCheckBox*>("windowing")->isHidden());
    settings.Options().MethodAction(pruning::kIterativeGrowingPruning)->trigger();
    QCOMPARE(settings.StatusText(),
             QString("pruning method :Iterative growing pruning\nPlease select *_train1 table"));
    settings.Options().MethodAction(pruning::kErrorComplexityNewCV1SE)->trigger();
    QCOMPARE(settings.StatusText(), QString("pruning method :Error Complexity pruning new CV-1SE\n"
                                            "Please select *_data table"));
    QCOMPARE(Dialog().findChild<QLineEdit*>("folds")->text(), QString("10"));
  }

  // Each refusal says why and leaves the database as it was.
  void executeRefusesWhatCannotRun() {
    const size_t before = Tables().size();
    Dialog().Execute();
    Dialog().SelectTable("golf_test");
    Dialog().Execute();
    Dialog().SelectTable("loan_data");  // there is no loan_prune
    Dialog().Settings().Options().MethodAction(pruning::kReducedErrorPruning)->trigger();
    Dialog().Execute();
    Dialog().SelectTable(
        "golf_data");  // golf_prune and golf_test have 8 rows, fewer than ten folds
    Dialog().Execute();
    Dialog().findChild<QLineEdit*>("folds")->setText("x");
    Dialog().Execute();
    const QStringList texts = prompts_->Texts();
    QCOMPARE(texts.size(), 5);
    QCOMPARE(texts[0], QString("Please, select table"));
    QCOMPARE(texts[1], QString("Please, select a *_train1 or *_data table"));
    QCOMPARE(texts[2], QString("you need the *_prune table"));
    QVERIFY2(texts[3].contains("more than the 8 rows of golf_"), qPrintable(texts[3]));
    QCOMPARE(texts[4], QString("K fold must be 2 or more"));
    QVERIFY(!Dialog().Runner().IsRunning());
    QCOMPARE(Tables().size(), before);
  }

  void aRunListsEveryFoldAndOpensItsTrees() {
    const std::set<std::string> before = Tables();
    Dialog().SelectTable("golf_data");
    Dialog().findChild<QLineEdit*>("folds")->setText("4");
    Dialog().Settings().Options().MethodAction(pruning::kReducedErrorPruning)->trigger();
    auto* rawTree = Dialog().findChild<QPushButton*>("rawTree");
    auto* prunedRules = Dialog().findChild<QPushButton*>("prunedRules");
    Dialog().Execute();
    QVERIFY(!rawTree->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"classification trees created"},
                              60000);
    QTRY_VERIFY(rawTree->isEnabled());
    QCOMPARE(Tables(), before);  // every fold table dropped

    auto* raw = Dialog().findChild<QListWidget*>("rawTrees");
    auto* pruned = Dialog().findChild<QListWidget*>("prunedTrees");
    QCOMPARE(raw->count(), 4);
    QCOMPARE(pruned->count(), 4);
    QVERIFY2(raw->item(3)->text().startsWith("tree 4: "), qPrintable(raw->item(3)->text()));
    const QString summary = Dialog().SummaryText();
    QVERIFY2(summary.startsWith(" Mean Error on Raw Trees0.") ||
                 summary.startsWith(" Mean Error on Raw Trees-0."),
             qPrintable(summary));
    QVERIFY(summary.contains("\n Mean Error on Pruned Trees"));
    QVERIFY(Dialog().ProgressText().isEmpty());

    rawTree->click();
    QCOMPARE(prompts_->Texts().last(), QString("Please, select Tree"));
    QCOMPARE(ViewerTitle(rawTree, raw, 1),
             QString("Tree Visualization - golf_data_escluso_1.tree"));
    QCOMPARE(ViewerTitle(prunedRules, pruned, 3),
             QString("Rules Visualization - golf_data_escluso_3PRUNED.rules"));
  }

  void theFoldInProgressShows_data() {
    QTest::addColumn<QByteArray>("threads");
    QTest::newRow("one fold at a time") << QByteArray("1");
    QTest::newRow("two folds at once") << QByteArray("2");
  }

  // The fold in progress shows while the job runs, in the order the folds are made, whether
  // they grow one at a time or several at once.
  void theFoldInProgressShows() {
    QFETCH(QByteArray, threads);
    qputenv("QUARRY_THREADS", threads);
    const auto reset = qScopeGuard([] { qunsetenv("QUARRY_THREADS"); });
    Dialog().SelectTable("wave_data");
    Dialog().findChild<QLineEdit*>("folds")->setText("10");
    Dialog().Settings().Options().MethodAction(pruning::kPessimisticErrorPruning)->trigger();
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      const QString text = Dialog().ProgressText();
      if (seen.isEmpty() || seen.last() != text) seen << text;
    });
    Dialog().Execute();
    seen << Dialog().ProgressText();  // before the job's first report can arrive
    watch.start(5);
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"classification trees created"},
                              120000);
    watch.stop();
    QCOMPARE(seen.first(), QString("Please, wait"));
    QCOMPARE(seen.last(), QString());
    int lastFold = 0;
    for (const QString& text : seen.mid(1, seen.size() - 2)) {
      if (text == "cross validation") {
        QCOMPARE(lastFold, 0);
        continue;
      }
      QVERIFY2(text.startsWith("tree number "), qPrintable(text));
      const int fold = text.mid(12).toInt();
      QVERIFY(fold > lastFold && fold <= 10);
      lastFold = fold;
    }
    QVERIFY2(seen.size() > 2, "no fold was shown while the job ran");
    QCOMPARE(Dialog().findChild<QListWidget*>("prunedTrees")->count(), 10);
  }

 private:
  // The session's dialog, opened the way its command opens it.
  ClassificationCvDialog& Dialog() {
    ClassificationCvDialog& dialog = window_->Bench().Dialog<ClassificationCvDialog>();
    if (prepared_ != &dialog) dialog.Prepare();
    prepared_ = &dialog;
    return dialog;
  }
  QPointer<QDialog> prepared_;

  std::set<std::string> Tables() {
    std::vector<std::string> names;
    window_->Source().ListTables(names);
    return {names.begin(), names.end()};
  }

  // Selects line `row` of `list`, clicks `button` and returns the title of the viewer it opens.
  static QString ViewerTitle(QPushButton* button, QListWidget* list, int row) {
    list->setCurrentRow(row);
    return testing::ModalTitle([button] { button->click(); });
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ClassificationCvDialogTest)
#include "classification_cv_dialog_test.moc"
