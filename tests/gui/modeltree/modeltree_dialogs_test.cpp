// The model-tree dialogs as a user meets them: the checks of their fields, the pruning settings
// and the growing list, a run of every setting and the file "Show &Tree" opens after it, and the
// cross-validations with their fold lines, summaries and viewers.

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include "core/data/data_source.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/modeltree/regression_cv_dialog.h"
#include "gui/modeltree/strata_dialog.h"
#include "gui/ui/checked_field.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

using testing::ModalTitle;

class ModelTreeDialogsTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void fieldsPutBackTheirDefaultWhenLeftUnusable() {
    auto& dialog = window_->Bench().Dialog<StrataDialog>();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* minItems = dialog.findChild<CheckedField*>("minItems");
    auto* weight = dialog.findChild<CheckedField*>("weight");
    for (const char* typed : {"0", "abc", "-3", "2.5"}) {
      minItems->setFocus();
      minItems->selectAll();
      QTest::keyClicks(minItems, typed);
      weight->setFocus();  // leaving the field checks it
      QCOMPARE(minItems->text(), QString("5"));
    }
    for (auto [typed, kept] : {std::pair{"1", true},
                               {"0.0001", true},
                               {"0", false},
                               {"1.01", false},
                               {"nan", false},
                               {"x", false}}) {
      weight->setFocus();
      weight->selectAll();
      QTest::keyClicks(weight, typed);
      minItems->setFocus();
      QCOMPARE(weight->text(), QString(kept ? typed : "0.5"));
    }
    dialog.close();
  }

  void pruningSettingsDriveTheGrowingList() {
    auto& dialog = window_->Bench().Dialog<StrataDialog>();
    auto* growing = dialog.findChild<QComboBox*>("growingPercent");
    QVERIFY(!growing->isEnabled());
    QCOMPARE(growing->currentText(), QString("70"));
    for (int setting : {1, 2, 3, 4, 5}) {
      growing->setEnabled(false);
      growing->setCurrentText("50");
      dialog.findChild<QAbstractButton*>(QString("pruning%1").arg(setting))->click();
      QVERIFY(growing->isEnabled());
      QCOMPARE(growing->currentText(), QString("70"));
    }
    growing->setCurrentText("90");
    dialog.findChild<QAbstractButton*>("pruning0")->click();
    QVERIFY(!growing->isEnabled());

    dialog.ChoosePruning(3);
    growing->setCurrentText("80");
    dialog.findChild<QLineEdit*>("rLevel")->setText("0.5");
    dialog.findChild<QPushButton*>("cancel")->click();
    const modeltree::ModelTreeParams params = dialog.Params();
    QCOMPARE(params.prune, modeltree::PruneMode::kNone);
    QCOMPARE(params.growingPercent, 70);
    QCOMPARE(params.strata.RLevel, 0.9f);
    QVERIFY(!growing->isEnabled());
  }

  void executeWithoutATableAsksForOne() {
    auto& dialog = window_->Bench().Dialog<StrataDialog>();
    dialog.Prepare();
    dialog.Execute();
    QCOMPARE(dialog.StatusText(), QString("Please, select table"));
    QVERIFY(window_->Jobs().Running().empty());
  }

  void everySettingShowsTheFilesItWrote_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("tree");
    QTest::newRow("No prune") << 0 << "growth_data.tree";
    QTest::newRow("labels on growing set") << 1 << "growth_dataGrownPruned.tree";
    QTest::newRow("labels on pruning set") << 2 << "growth_dataGrownPruned.tree";
    QTest::newRow("labels on training set") << 3 << "growth_dataPruned.tree";
    QTest::newRow("REG") << 4 << "growth_dataGrownPruned.tree";
    QTest::newRow("MDL") << 5 << "growth_dataPruned.tree";
  }
  void everySettingShowsTheFilesItWrote() {
    QFETCH(int, setting);
    QFETCH(QString, tree);
    auto& dialog = window_->Bench().Dialog<StrataDialog>();
    dialog.Prepare();
    dialog.SelectTable("growth_data");
    dialog.ChoosePruning(setting);
    auto* showTree = dialog.findChild<QPushButton*>("showTree");
    dialog.Execute();
    QCOMPARE(dialog.StatusText(), QString("Please, wait"));
    QVERIFY(!showTree->isEnabled());
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(dialog.StatusText(), QString("Regression model is created"));
    QCOMPARE(prompts_->Texts(), QStringList{"regression tree created"});
    QTRY_VERIFY(showTree->isEnabled());
    // The dialog shows the trees it grew and their errors, as quarry-cli prints them.
    const QString summary = dialog.SummaryText();
    QVERIFY2(summary.startsWith("grown tree growth_data") && summary.contains(" leaves\n") &&
                 summary.contains("ERROR = "),
             qPrintable(summary));
    QCOMPARE(summary.contains("pruned tree " + QString(tree).remove(".tree") + ": "), setting != 0);

    QCOMPARE(ModalTitle([&] { showTree->click(); }), "Tree Visualization - " + tree);
    QVERIFY(prompts_->boxes.size() == 1);  // the file was there and readable
    QString rules = tree;
    rules.replace(".tree", ".rules");
    QVERIFY(
        ModalTitle([&] { dialog.findChild<QPushButton*>("showRules")->click(); }).endsWith(rules));
    std::vector<std::string> names;
    QVERIFY(window_->Source().ListTables(names));
    QCOMPARE(std::count(names.begin(), names.end(), "growth_dataGrown"), 0);
    QCOMPARE(std::count(names.begin(), names.end(), "growth_dataPrune"), 0);
  }

  void aFailedRunSaysWhy() {
    auto& dialog = window_->Bench().Dialog<StrataDialog>();
    dialog.Prepare();
    dialog.SelectTable("golf_data");  // its last column is no number
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Warning);
    QTRY_COMPARE(dialog.StatusText(), prompts_->boxes[0].text);
  }

  void crossValidationListsEveryFoldAndItsSummary() {
    auto& dialog = window_->Bench().Dialog<RegressionCvDialog>();
    dialog.Prepare();
    dialog.SelectTable("growth_data");
    auto* folds = dialog.findChild<QLineEdit*>("folds");
    QCOMPARE(folds->text(), QString("10"));
    folds->setText("1");
    dialog.Execute();  // an unchecked "1" is checked before the job reads it
    QCOMPARE(folds->text(), QString("10"));
    QVERIFY(window_->Jobs().WaitForWorkers(120000));
    QTRY_COMPARE(dialog.Results(false)->topLevelItemCount(), 10);
    QCOMPARE(prompts_->Texts(), QStringList{"operation terminated"});
    QTreeWidgetItem* third = dialog.Results(false)->topLevelItem(2);
    QCOMPARE(third->text(0), QString("Tree2"));
    QVERIFY(third->text(1).startsWith("0.") && third->text(1).contains('E'));
    const QStringList summary = dialog.StatusText().split('\n');
    QCOMPARE(summary.size(), 2);
    QVERIFY(summary[0].startsWith("MSE:  0.") && summary[0].contains(QString(" \u00B1 0.")));
    QVERIFY(summary[1].startsWith("SSres/Syy:  0."));
    std::vector<std::string> names;
    QVERIFY(window_->Source().ListTables(names));
    for (const std::string& name : names) QVERIFY2(name.find("growth_data_") != 0, name.c_str());

    auto* showTree = dialog.findChild<QPushButton*>("showTree");
    QTRY_VERIFY(showTree->isEnabled());
    prompts_->boxes.clear();
    QCOMPARE(ModalTitle([&] { showTree->click(); }), QString());
    QCOMPARE(prompts_->Texts(), QStringList{"Please, select Tree"});
    dialog.Results(false)->setCurrentItem(third);
    QCOMPARE(ModalTitle([&] { showTree->click(); }),
             QString("Tree Visualization - growth_data_escluso_2.tree"));
  }

  void crossValidationRefusesMoreFoldsThanRows() {
    auto& dialog = window_->Bench().Dialog<RegressionCvDialog>();
    dialog.Prepare();
    dialog.SelectTable("growth_data");
    dialog.findChild<QLineEdit*>("folds")->setText("301");
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->boxes.size(), 1);
    QTRY_COMPARE(dialog.StatusText(), prompts_->boxes[0].text);
    QCOMPARE(dialog.Results(false)->topLevelItemCount(), 0);
  }

  void crossValidationWithPruningFillsBothLists() {
    auto& dialog = window_->Bench().Dialog<PruningRegressionCvDialog>();
    QCOMPARE(dialog.StatusText(), QString("Please, set parameters."));
    dialog.Prepare();
    dialog.SelectTable("growth_data");
    dialog.findChild<QLineEdit*>("folds")->setText("3");
    dialog.ChoosePruning(4);  // "MDL", on the complement's growing part
    dialog.Execute();
    QVERIFY(window_->Jobs().WaitForWorkers(120000));
    QTRY_COMPARE(dialog.Results(true)->topLevelItemCount(), 3);
    QCOMPARE(dialog.Results(false)->topLevelItemCount(), 3);
    QVERIFY(dialog.SummaryText(false).startsWith("MSE:  "));
    QVERIFY(dialog.SummaryText(true).startsWith("MSE:  "));
    auto* showPruned = dialog.findChild<QPushButton*>("showPrunedTree");
    QTRY_VERIFY(showPruned->isEnabled());
    dialog.Results(true)->setCurrentItem(dialog.Results(true)->topLevelItem(1));
    QCOMPARE(ModalTitle([&] { showPruned->click(); }),
             QString("Tree Visualization - growth_data_escluso_1GrownPruned.tree"));
    dialog.Results(false)->setCurrentItem(dialog.Results(false)->topLevelItem(0));
    QCOMPARE(ModalTitle([&] { dialog.findChild<QPushButton*>("showTree")->click(); }),
             QString("Tree Visualization - growth_data_escluso_0Grown.tree"));
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ModelTreeDialogsTest)
#include "modeltree_dialogs_test.moc"
