// "Apply Model" on the sample database: the menu command offers the tree files that have model
// files, a run scores the table in the background, shows the confusion matrix and opens the
// table viewer on the table; a refusal says why and leaves the table as it was; the tree
// viewer's button opens the dialog on the tree it shows.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <sstream>

#include "core/data/working_folder.h"
#include "core/pruning/decision_tree_job.h"
#include "gui/app/command_table.h"
#include "gui/app/database_panel.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/scoring/apply_model_dialog.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"

namespace quarry::gui {
namespace {

using testing::Child;

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

// The column names the database panel lists under `table`.
QStringList PanelColumns(DatabasePanel& panel, const QString& table) {
  QStringList names;
  const auto found = panel.Tables().findItems(table, Qt::MatchExactly);
  if (found.isEmpty()) return names;
  for (int i = 0; i < found[0]->childCount(); ++i) names << found[0]->child(i)->text(0);
  return names;
}

class ApplyModelDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void scoresTheTableAndRefusesAnExistingColumn() {
    GrowGolf();
    QStringList offered;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      offered = Items(Child<QComboBox>(modal, "models"));
      static_cast<QDialog*>(modal)->reject();
    });
    window_->CommandAction(kCmdApplyModel)->trigger();
    delete watch;
    QCOMPARE(offered, (QStringList{"golf_data", "golf_dataPRUNED"}));

    auto& dialog = window_->Bench().Dialog<ApplyModelDialog>();
    dialog.Prepare();
    auto* execute = Child<QPushButton>(&dialog, "execute");
    execute->click();
    QCOMPARE(dialog.StatusText(), QString(kChooseTreeAndTable));
    dialog.ChooseModel(WorkingFile("golf_dataPRUNED.tree"));
    dialog.ChooseTable("golf_test");
    Child<QLineEdit>(&dialog, "column")->setText("predicted play");
    Child<QLineEdit>(&dialog, "leaf")->setText("Predicted Play");
    execute->click();
    QCOMPARE(dialog.StatusText(), QString("the new columns need different names: Predicted Play"));
    QCOMPARE(window_->Jobs().Running().size(), size_t{0});

    Child<QLineEdit>(&dialog, "leaf")->setText("leaf");
    QString shown;
    watch = testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle() + "|" + QString::fromStdString(window_->Source().CurrentTable());
      static_cast<QDialog*>(modal)->reject();
    });
    execute->click();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(shown, QString("QUARRY Query Set|golf_test"));
    delete watch;
    QVERIFY2(dialog.SummaryText().startsWith("8 rows scored into column predicted play"),
             qPrintable(dialog.SummaryText()));
    QVERIFY(dialog.SummaryText().contains("\nactual "));
    QVERIFY(dialog.SummaryText().contains("errors: "));
    const auto columns = testing::ColumnNames(window_->Source(), "golf_test");
    QCOMPARE(QString::fromStdString(columns.at(columns.size() - 2)), QString("predicted play"));
    QTRY_VERIFY(PanelColumns(window_->Panel(), "golf_test").contains("predicted play"));
    const auto rows = testing::ReadRows(window_->Source(), "select * from golf_test");

    // Again without replacing: the box says why and how to replace; the table stays as it was
    // and no viewer opens.
    prompts_->boxes.clear();
    shown.clear();
    watch = testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle();
      static_cast<QDialog*>(modal)->reject();
    });
    execute->click();
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_VERIFY(!prompts_->boxes.isEmpty());
    delete watch;
    const QString refusal =
        "golf_test already has a column predicted play: choose another name, or replace it with "
        "\"Replace columns of these names\"";
    QCOMPARE(prompts_->Texts(), QStringList{refusal});
    QCOMPARE(dialog.StatusText(), refusal);
    QCOMPARE(shown, QString());
    QCOMPARE(testing::ColumnNames(window_->Source(), "golf_test"), columns);
    QCOMPARE(testing::ReadRows(window_->Source(), "select * from golf_test"), rows);
  }

  void treeViewerAppliesTheTreeItShows() {
    GrowGolf();
    TreeViewerDialog viewer;
    QVERIFY(viewer.Load(WorkingFile("golf_dataPRUNED.tree")));
    QVERIFY(!viewer.ApplyButton().isHidden());
    QString chosen;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      chosen = Child<QComboBox>(modal, "models")->currentText();
      static_cast<QDialog*>(modal)->reject();
    });
    viewer.ApplyButton().click();
    delete watch;
    QCOMPARE(chosen, QString("golf_dataPRUNED"));
    // A tree file without its model file offers no button.
    std::filesystem::remove(WorkingFile("golf_data.model"));
    QVERIFY(viewer.Load(WorkingFile("golf_data.tree")));
    QVERIFY(viewer.ApplyButton().isHidden());
  }

 private:
  void GrowGolf() {
    pruning::DecisionTreeParameters p;
    p.table = "golf_data";
    pruning::InductionResult result;
    std::ostringstream report;
    QVERIFY(pruning::DecisionTreeJob(p, window_->Source(), report, NoProgress(), result).ok());
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ApplyModelDialogTest)
#include "apply_model_dialog_test.moc"
