// "C4.5: Setting Parameters" as the user meets it: the pruning menu and what each method
// enables, the field rules, Execute's refusals, a failing and a complete run with the viewers.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "core/data/working_folder.h"
#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/dtree/decision_tree_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

class DecisionTreeDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    home_ = std::make_unique<testing::TempHome>();
    prompts_ = std::make_unique<testing::RecordingPrompts>();
    window_ = std::make_unique<MainWindow>();
    window_->OpenStartDatabase({});
    dialog_ = &window_->Bench().Dialog<DecisionTreeDialog>();
    dialog_->Prepare();
  }
  void cleanup() {
    window_->Jobs().WaitForWorkers(60000);
    window_.reset();
    prompts_.reset();
    home_.reset();
  }

  void eachMethodWritesItsHintAndEnablesItsFields() {
    TreeOptionsForm& form = dialog_->Options();
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
      QCOMPARE(dialog_->StatusText(),
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
    auto* minCases = dialog_->Options().findChild<QLineEdit*>("minCases");
    for (const char* text : {"0", "abc", ""}) {
      minCases->setText(text);
      emit minCases->editingFinished();
      QCOMPARE(minCases->text(), QString("2"));
    }
    minCases->setText("7");
    emit minCases->editingFinished();
    QCOMPARE(dialog_->Options().Parameters().minCases, std::string("7"));
  }

  void executeNeedsATableAndGraftingItsPruningTable() {
    dialog_->Execute();
    QCOMPARE(prompts_->Texts(), QStringList{"Please, select table"});
    dialog_->SelectTable("loan_data");  // there is no loan_prune
    dialog_->Options().MethodAction(pruning::kReducedErrorGrafting)->trigger();
    dialog_->Execute();
    QCOMPARE(dialog_->StatusText(), QString("Please, wait"));
    QTRY_COMPARE(prompts_->boxes.size(), 2);
    QVERIFY(prompts_->boxes[1].text.startsWith("error, not all tables are availables"));
  }

  void aRunEnablesTheViewersOnItsFiles() {
    auto* showTree = dialog_->findChild<QPushButton*>("showTree");
    auto* prunedRules = dialog_->findChild<QPushButton*>("prunedRules");
    QVERIFY(!showTree->isEnabled());
    dialog_->SelectTable("wave_data");
    dialog_->Options().MethodAction(pruning::kMinimumErrorPruning)->trigger();
    dialog_->Options().findChild<QLineEdit*>("mValues")->setText("0.5,2,8");
    dialog_->Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"classification tree created"}, 60000);
    QTRY_VERIFY(showTree->isEnabled());
    QVERIFY(prunedRules->isEnabled());
    for (const char* file :
         {"wave_data.tree", "wave_dataPRUNED.tree", "wave_data.rules", "wave_dataPRUNED.rules"}) {
      QVERIFY2(std::filesystem::exists(WorkingFile(file)), file);
    }
    dialog_->Prepare();  // opening again keeps the last table chosen
    QCOMPARE(dialog_->SelectedTable(), QString("wave_data"));
  }

  void theMenuCommandOpensTheDialog() {
    bool shown = false;
    testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle() == "C4.5: Setting Parameters";
      modal->close();
    });
    window_->CommandAction(kCmdDecisionTrees)->trigger();
    QVERIFY(shown);
  }

 private:
  std::unique_ptr<testing::TempHome> home_;
  std::unique_ptr<testing::RecordingPrompts> prompts_;
  std::unique_ptr<MainWindow> window_;
  DecisionTreeDialog* dialog_ = nullptr;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::DecisionTreeDialogTest)
#include "decision_tree_dialog_test.moc"
