// "C4.5: Setting Parameters" as the user meets it: the pruning menu and what each method
// enables, the field rules, Execute's refusals, a failing and a complete run with the viewers.

#include <QAction>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include "core/data/working_folder.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/decision_tree_assistant.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

class DecisionTreeDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void eachMethodWritesItsHintAndEnablesItsFields() {
    TreeOptionsForm& form = Dialog().Options();
    auto* mValues = form.findChild<QLineEdit*>("mValues");
    auto* windowing = form.findChild<QCheckBox*>("windowing");
    auto* trials = form.findChild<QLineEdit*>("trials");
    QVERIFY(!mValues->isEnabled());
    QVERIFY(windowing->isEnabled());
    QVERIFY(!trials->isEnabled());
    windowing->setChecked(true);
    QVERIFY(trials->isEnabled());
    for (const pruning::PruningMethodInfo& method : pruning::PruningMethods()) {
      form.MethodAction(method.code)->trigger();
      QCOMPARE(Dialog().StatusText(),
               QString::fromUtf8(method.hint.data(), static_cast<int>(method.hint.size())));
      QCOMPARE(mValues->isEnabled(), method.code == pruning::kMinimumErrorPruning);
      QCOMPARE(windowing->isEnabled(), method.code == pruning::kStandardPrune);
      QCOMPARE(trials->isEnabled(), method.code == pruning::kStandardPrune);
      QVERIFY(form.MethodAction(method.code)->isChecked());
      QCOMPARE(form.Method(), static_cast<int>(method.code));
    }
    QCOMPARE(form.MethodAction(pruning::kStandardPrune)->isChecked(), false);
  }

  void minimumCasesFallBackToTwo() {
    auto* minCases = Dialog().Options().findChild<QLineEdit*>("minCases");
    for (const char* text : {"0", "abc", ""}) {
      minCases->setText(text);
      emit minCases->editingFinished();
      QCOMPARE(minCases->text(), QString("2"));
    }
    minCases->setText("7");
    emit minCases->editingFinished();
    QCOMPARE(Dialog().Options().Parameters().minCases, std::string("7"));
  }

  void executeNeedsATableAndGraftingItsPruningTable() {
    Dialog().Execute();
    QCOMPARE(prompts_->Texts(), QStringList{"Please, select table"});
    Dialog().SelectTable("loan_data");  // there is no loan_prune
    Dialog().Options().MethodAction(pruning::kReducedErrorGrafting)->trigger();
    Dialog().Execute();
    QCOMPARE(Dialog().StatusText(), QString("Please, wait"));
    QTRY_COMPARE(prompts_->boxes.size(), 2);
    QVERIFY(prompts_->boxes[1].text.startsWith("error, not all tables are availables"));
  }

  // A standard run on golf_data (evaluated on golf_test), then one with minimum error pruning on
  // wave_data: each enables the four viewers, and each viewer opens that run's own file.
  void aRunEnablesTheViewersOnItsFiles() {
    QList<QPushButton*> viewers;
    for (const char* name : {"showTree", "showRules", "prunedTree", "prunedRules"})
      viewers << Dialog().findChild<QPushButton*>(name);
    for (QPushButton* viewer : viewers) QVERIFY(!viewer->isEnabled());
    Dialog().SelectTable("golf_data");
    Dialog().Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"classification tree created"}, 60000);
    QTRY_VERIFY(viewers[3]->isEnabled());
    QVERIFY2(
        Dialog().StatusText().startsWith("Please select a *_data table"),  // "Please, wait" no more
        qPrintable(Dialog().StatusText()));
    QCOMPARE(ViewerTitle(viewers[0]), QString("Tree Visualization - golf_data.tree"));
    QCOMPARE(ViewerTitle(viewers[1]), QString("Rules Visualization - golf_data.rules"));
    QCOMPARE(ViewerTitle(viewers[2]), QString("Tree Visualization - golf_dataPRUNED.tree"));
    QCOMPARE(ViewerTitle(viewers[3]), QString("Rules Visualization - golf_dataPRUNED.rules"));
    // The report's evaluation, on the training and the test table, shows in the dialog (as
    // quarry-cli dtree --table golf_data -u -s -c 0.25 -m 2 reports it).
    QCOMPARE(Dialog().SummaryText(),
             QString("golf_data\n"
                     "Training data (14 items): before pruning size 11, 1 errors (7.1%); after "
                     "pruning size 9, 1 errors (7.1%), estimate 45.4%\n"
                     "Test data (8 items): before pruning size 11, 3 errors (37.5%); after "
                     "pruning size 9, 4 errors (50.0%), estimate 45.4%\n"));

    Dialog().SelectTable("wave_data");
    Dialog().Options().MethodAction(pruning::kMinimumErrorPruning)->trigger();
    Dialog().Options().findChild<QLineEdit*>("mValues")->setText("0.5,2,8");
    Dialog().Execute();
    QVERIFY(!viewers[0]->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->boxes.size(), 2, 60000);
    QCOMPARE(prompts_->boxes[1].text, QString("classification tree created"));
    QCOMPARE(prompts_->boxes[1].icon, QMessageBox::Information);
    QTRY_VERIFY(viewers[0]->isEnabled());
    QCOMPARE(ViewerTitle(viewers[2]), QString("Tree Visualization - wave_dataPRUNED.tree"));
    QVERIFY(std::filesystem::exists(WorkingFile("wave_dataPRUNED.rules")));
    Dialog().Prepare();  // opening again keeps the last table chosen
    QCOMPARE(Dialog().SelectedTable(), QString("wave_data"));

    // A row that is only current, as when the list takes the focus, is no choice: Execute asks
    // for a table instead of growing a tree on the first one.
    auto* tables = Dialog().findChild<QListWidget*>("tables");
    tables->clearSelection();
    tables->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QVERIFY(tables->currentItem() != nullptr);
    QCOMPARE(Dialog().SelectedTable(), QString());
    Dialog().Execute();
    QCOMPARE(prompts_->boxes.size(), 3);
    QCOMPARE(prompts_->boxes[2].text, QString("Please, select table"));
  }

  // A tree file that cannot be written makes the run a failure that names it, not "created".
  void aFileNotWrittenFailsTheRun() {
    std::filesystem::create_directories(WorkingFile("golf_data.tree"));
    Dialog().SelectTable("golf_data");
    Dialog().Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->boxes.size(), 1, 60000);
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Warning);
    QVERIFY2(prompts_->boxes[0].text.contains("not written: ") &&
                 prompts_->boxes[0].text.contains("golf_data.tree"),
             qPrintable(prompts_->boxes[0].text));
    QTest::qWait(700);  // the dialog timer has looked at the ended job
    QVERIFY(!Dialog().findChild<QPushButton*>("showTree")->isEnabled());
    QVERIFY(Dialog().SummaryText().isEmpty());
  }

  // Windowing reaches the engine only with standard pruning, whatever the check box says; with
  // the fields as the dialog opens them ("0": computed) it runs.
  void windowingOnlyWithStandardPruning() {
    TreeOptionsForm& form = Dialog().Options();
    form.findChild<QCheckBox*>("windowing")->setChecked(true);
    const auto args = pruning::DecisionTreeArguments(form.Parameters());
    QVERIFY(std::find(args.begin(), args.end(), "-t") != args.end());
    Dialog().SelectTable("wave_data");
    Dialog().Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"classification tree created"}, 60000);
    form.MethodAction(pruning::kPessimisticErrorPruning)->trigger();
    const auto batch = pruning::DecisionTreeArguments(form.Parameters());
    QVERIFY(std::find(batch.begin(), batch.end(), "-t") == batch.end());
    QVERIFY(std::find(batch.begin(), batch.end(), "-w") == batch.end());
  }

  // What an adviser does to the dialog is what choosing from the menu does; Cancel resets the
  // fields it names and closes.
  void assistantChoiceAndCancel() {
    Dialog().SetPruningMethod(pruning::kCriticalValuePruning);
    QCOMPARE(Dialog().Options().Method(), static_cast<int>(pruning::kCriticalValuePruning));
    QVERIFY(Dialog().Options().MethodAction(pruning::kCriticalValuePruning)->isChecked());
    QVERIFY(Dialog().StatusText().startsWith("Please select select a *_data table"));
    Dialog().Options().findChild<QLineEdit*>("minCases")->setText("9");
    Dialog().show();
    Dialog().findChild<QPushButton*>("cancel")->click();
    QVERIFY(!Dialog().isVisible());
    QVERIFY(Dialog().StatusText().isEmpty());
    const pruning::DecisionTreeParameters p = Dialog().Options().Parameters();
    QCOMPARE(p.minCases, std::string("2"));
    QVERIFY(p.gainCriterion);
    QVERIFY(p.subsets);

    // "C&lose" closes and keeps the fields; the assistant explains it.
    auto* close = Dialog().findChild<QPushButton*>("close");
    Dialog().Options().findChild<QLineEdit*>("minCases")->setText("9");
    Dialog().show();
    QHelpEvent help(QEvent::WhatsThis, QPoint(2, 2), close->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(close, &help);
    const QStringList shown = Dialog().findChild<DecisionTreeAssistant*>()->Balloon().Shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].trimmed(), QString("Pressing this button, this window will be closed."));
    close->click();
    QVERIFY(!Dialog().isVisible());
    QCOMPARE(Dialog().Options().Parameters().minCases, std::string("9"));
  }

 private:
  static QString ViewerTitle(QPushButton* button) {
    return testing::ModalTitle([button] { button->click(); });
  }

  // The session's dialog, opened the way its command opens it.
  DecisionTreeDialog& Dialog() {
    DecisionTreeDialog& dialog = window_->Bench().Dialog<DecisionTreeDialog>();
    if (prepared_ != &dialog) dialog.Prepare();
    prepared_ = &dialog;
    return dialog;
  }
  QPointer<QDialog> prepared_;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::DecisionTreeDialogTest)
#include "decision_tree_dialog_test.moc"
