// "Clustering" driven from its menu command on the sample database: the tables it offers, the
// parameter checks, a run whose tables agree with the data, the result buttons around a run,
// and what it says while a job or the database is busy.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include "gui/app/command_table.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/cluster/clustering_dialog.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"

namespace quarry::gui {
namespace {

using testing::Child;
using testing::Rows;

class ClusteringDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void menuCommandOffersOnlyNumericTables() {
    QStringList offered;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      offered = testing::ItemTexts(Child<QListWidget>(modal, "1036"));
      static_cast<QDialog*>(modal)->reject();
    });
    window_->CommandAction(kCmdClustering)->trigger();
    delete watch;
    // Of the sample tables only baskets has no string column.
    QCOMPARE(offered, QStringList{"baskets"});
  }

  void badParametersStartNothing() {
    auto& dialog = Dialog();
    auto* k = Child<QLineEdit>(&dialog, "1350");
    QVERIFY(k->text().isEmpty());
    Execute(dialog);  // no table, no number
    QCOMPARE(Status(dialog), QString("Insert parameters"));
    Child<QListWidget>(&dialog, "1036")->setCurrentRow(0);
    for (const char* bad : {"", "0", "abc", "-2", "2000000"}) {
      k->setText(bad);
      Execute(dialog);
      QCOMPARE(Status(dialog), QString("Insert parameters"));
    }
    QVERIFY(window_->Jobs().Running().empty());
    QVERIFY(!window_->Source().TableExists("Clusterbaskets"));
  }

  void runWritesTablesThatAgreeWithTheData() {
    auto& dialog = Dialog();
    Child<QListWidget>(&dialog, "1036")->setCurrentRow(0);
    Child<QLineEdit>(&dialog, "1350")->setText("3");
    Execute(dialog);
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_COMPARE(prompts_->Texts(), QStringList{"Clustering Executed"});
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Information);

    DataSource& source = window_->Source();
    // Every distinct row once, its frequency summing to the table, clusters 0..K-1.
    const Rows expected =
        testing::ReadRows(source,
                          "select (select count(*) from baskets), count(*), 0, 2 from "
                          "(select distinct * from baskets)");
    QCOMPARE(testing::ReadRows(source,
                               "select sum(Frequence), count(*), min(NumberClustering), "
                               "max(NumberClustering) from Clusterbaskets"),
             expected);
    // The statistics table agrees with the cluster table, cluster by cluster.
    const Rows perCluster = testing::ReadRows(
        source,
        "select NumberClustering, sum(Frequence), count(*) from Clusterbaskets group by "
        "NumberClustering order by NumberClustering");
    const Rows stats = testing::ReadRows(
        source,
        "select [Number Clustering], N, NumberOfIndividuals from StatisticClusterbaskets "
        "order by [Number Clustering]");
    QCOMPARE(stats, perCluster);
  }

  void resultButtonsWaitForTheJobAndOpenTheTables() {
    auto& dialog = Dialog();
    auto* clusterTable = Child<QPushButton>(&dialog, "1373");
    auto* statisticTable = Child<QPushButton>(&dialog, "1374");
    Child<QListWidget>(&dialog, "1036")->setCurrentRow(0);
    Child<QLineEdit>(&dialog, "1350")->setText("2");
    {
      // The job waits for the database the test holds: it is running meanwhile.
      testing::DatabaseHolder holder(window_->Source());
      Execute(dialog);
      QVERIFY(dialog.Runner().IsRunning());
      QVERIFY(!clusterTable->isEnabled());
      QVERIFY(!statisticTable->isEnabled());
      Execute(dialog);
      QCOMPARE(Status(dialog), QString("child is running try again later"));
      dialog.Prepare();
      QCOMPARE(prompts_->Texts(), QStringList{"method in working status"});
      QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Warning);
    }
    QVERIFY(window_->Jobs().WaitForWorkers(60000));
    QTRY_VERIFY(clusterTable->isEnabled() && statisticTable->isEnabled());

    QString shown;
    QPointer<QTimer> watch = testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle() + "|" + QString::fromStdString(window_->Source().CurrentTable());
      static_cast<QDialog*>(modal)->reject();
    });
    statisticTable->click();
    delete watch;
    QCOMPARE(shown, QString("QUARRY Query Set|StatisticClusterbaskets"));
    watch = testing::OnNextModal([&](QWidget* modal) {
      shown = modal->windowTitle() + "|" + QString::fromStdString(window_->Source().CurrentTable());
      static_cast<QDialog*>(modal)->reject();
    });
    clusterTable->click();
    delete watch;
    QCOMPARE(shown, QString("QUARRY Query Set|Clusterbaskets"));

    window_->CommandAction(kCmdCloseDatabase)->trigger();
    prompts_->boxes.clear();
    clusterTable->click();
    QCOMPARE(prompts_->Texts(), QStringList{"Please, open a DataBase"});
  }

  void openingWhileTheDatabaseIsBusySaysWait() {
    auto& dialog = Dialog();
    testing::DatabaseHolder holder(window_->Source());
    dialog.Prepare();
    QCOMPARE(prompts_->Texts(), QStringList{"wait please"});
    QCOMPARE(prompts_->boxes[0].icon, QMessageBox::Information);
  }

 private:
  ClusteringDialog& Dialog() {
    auto& dialog = window_->Bench().Dialog<ClusteringDialog>();
    dialog.Prepare();
    return dialog;
  }
  static void Execute(ClusteringDialog& dialog) { Child<QPushButton>(&dialog, "1068")->click(); }
  static QString Status(ClusteringDialog& dialog) { return Child<QLabel>(&dialog, "1375")->text(); }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::ClusteringDialogTest)
#include "clustering_dialog_test.moc"
