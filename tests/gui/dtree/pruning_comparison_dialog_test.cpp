// "Compare Pruning Methods" on the sample database: methods without their tables are greyed
// with the reason, a run fills the result table and the chart, a row opens its method's tree,
// and the chart is saved as a PNG.

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QTest>

#include "gui/app/command_table.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/dtree/pruning_comparison_dialog.h"
#include "gui/dtree/tree_options_form.h"
#include "tests/gui/support/gui_test_support.h"

namespace quarry::gui {
namespace {

class PruningComparisonDialogTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void methodsWithoutTheirTablesAreGreyedWithTheReason() {
    Dialog().SelectTable("golf_data");  // golf has a pruning and a test table, no folds
    QVERIFY(Dialog().MethodBox(pruning::kReducedErrorPruning)->isEnabled());
    QCheckBox* cv = Dialog().MethodBox(pruning::kErrorComplexityCV);
    QVERIFY(!cv->isEnabled());
    QVERIFY2(cv->text().contains("needs golf_xt1"), qPrintable(cv->text()));
    Dialog().SelectTable("wave_data");
    QVERIFY(cv->isEnabled());
    QCOMPARE(cv->text(), QString("Error Complexity pruning CV"));
  }

  void aRunFillsTheTableAndTheChart() {
    Dialog().SelectTable("wave_data");
    Dialog().Options().findChild<QLineEdit*>("mValues")->setText("0.5, 2, 8");
    Dialog().Execute();
    QTRY_COMPARE_WITH_TIMEOUT(prompts_->Texts(), QStringList{"pruning methods compared"}, 120000);
    QTableWidget* results = Dialog().Results();
    QTRY_COMPARE(results->rowCount(), 14);  // the grown tree and thirteen methods
    int marked = 0;
    for (int r = 0; r < results->rowCount(); ++r) {
      QVERIFY2(!results->item(r, 1)->text().isEmpty(), qPrintable(results->item(r, 0)->text()));
      if (results->item(r, 8)->text().contains("best")) ++marked;
    }
    QCOMPARE(marked, 1);
    const QList<QAbstractSeries*> series = Dialog().Chart()->chart()->series();
    QCOMPARE(series.size(), 14);
    QCOMPARE(series[1]->name(), QString("standard"));
    QCOMPARE(static_cast<QScatterSeries*>(series[1])->count(), 1);

    QCOMPARE(testing::ModalTitle([this] { Dialog().Results()->cellDoubleClicked(2, 0); }),
             QString("Tree Visualization - wave_data_reduced-error.tree"));

    const QString png = QString::fromStdString((home_->path() / "chart.png").string());
    prompts_->saveFiles.push_back(png);
    QPushButton* save = Dialog().findChild<QPushButton*>("saveChart");
    QTRY_VERIFY(save->isEnabled());  // given back by the runner's timer after the job
    save->click();
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 400);
  }

 private:
  PruningComparisonDialog& Dialog() {
    PruningComparisonDialog& dialog = window_->Bench().Dialog<PruningComparisonDialog>();
    if (prepared_ != &dialog) dialog.Prepare();
    prepared_ = &dialog;
    return dialog;
  }
  PruningComparisonDialog* prepared_ = nullptr;
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::PruningComparisonDialogTest)
#include "pruning_comparison_dialog_test.moc"
