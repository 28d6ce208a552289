// The transformation dialogs driven from their menu commands on the sample database: the
// messages for missing choices and bad numbers, the "Attribute Name" and table-name questions,
// the columns and tables they add, the statistics' result boxes, and a busy database.

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "core/transform/column_statistics.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/transform/discretization_dialog.h"
#include "gui/transform/null_substitution_dialog.h"
#include "gui/transform/sampling_dialog.h"
#include "gui/transform/scaling_dialog.h"
#include "gui/transform/statistical_analysis_dialog.h"
#include "gui/ui/table_field_lists.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"

namespace quarry::gui {
namespace {

using testing::Child;
using testing::Rows;

void PressOk(QDialog& dialog) {
  dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

class TransformDialogsTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void discretizationChecksThenAddsTheColumn() {
    auto& dialog = Open<DiscretizationDialog>();
    auto* intervals = Child<QLineEdit>(&dialog, "intervals");
    intervals->setText("2");
    PressOk(dialog);
    dialog.Lists().SelectTable("golf_data");
    PressOk(dialog);
    dialog.Lists().SelectField("temperature");
    intervals->setText("2x");
    PressOk(dialog);
    intervals->setText("15");  // more intervals than rows
    PressOk(dialog);
    intervals->setText("2");
    prompts_->attributeNames.push_back("outlook");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), (QStringList{"Please, select a table", "Please, select a field",
                                             "Please, insert a correct number of interval",
                                             "Please, insert a correct number of interval",
                                             "Name of field not valid"}));

    // Two equal-width text intervals over [64, 85].
    prompts_->boxes.clear();
    Child<QRadioButton>(&dialog, "textLabel")->setChecked(true);
    prompts_->attributeNames.push_back("tempBand");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), QStringList{"The table is updated"});
    QVERIFY(dialog.StatusText().isEmpty());
    QCOMPARE(testing::ReadRows(window_->Source(),
                               "select tempBand, count(*) from golf_data group by tempBand "
                               "order by tempBand"),
             (Rows{{"[64.00000,74.50000]", "8"}, {"[74.50000,85.00000]", "6"}}));
    // The new column is offered at once.
    QVERIFY(dialog.Lists().SelectField("tempBand"));

    // Equal frequency with number labels: 14 rows in 3 intervals of 4, 4 and 6.
    prompts_->boxes.clear();
    Child<QRadioButton>(&dialog, "uniformDistribution")->setChecked(true);
    Child<QRadioButton>(&dialog, "numberLabel")->setChecked(true);
    dialog.Lists().SelectField("humidity");
    intervals->setText("3");
    prompts_->attributeNames.push_back("humBand");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), QStringList{"The table is updated"});
    QCOMPARE(testing::ReadRows(window_->Source(),
                               "select humBand, count(*) from golf_data group by humBand"),
             (Rows{{"1", "4"}, {"2", "4"}, {"3", "6"}}));
  }

  void statisticsFillTheirResultBoxes() {
    auto& dialog = Open<StatisticalAnalysisDialog>();
    auto* average = Child<QPushButton>(&dialog, "average");
    QVERIFY(!average->isEnabled());
    Child<QListWidget>(&dialog, "tables")
        ->setCurrentRow(Child<QListWidget>(&dialog, "tables")
                            ->row(Child<QListWidget>(&dialog, "tables")
                                      ->findItems("golf_data", Qt::MatchExactly)[0]));
    auto* fields = Child<QListWidget>(&dialog, "fields");
    QCOMPARE(fields->item(1)->text(), QString("golf_data.temperature"));
    QVERIFY(dialog.ChooseField("golf_data.temperature"));
    QVERIFY(average->isEnabled());
    for (Statistic statistic :
         {Statistic::kAverage, Statistic::kMin, Statistic::kMax, Statistic::kMedian,
          Statistic::kMissingValues, Statistic::kValueNumber, Statistic::kStDeviation}) {
      dialog.Compute(statistic);
    }
    // Values the database computes are shown as it writes them.
    QCOMPARE(dialog.Result(Statistic::kMin).toDouble(), 64.0);
    QCOMPARE(dialog.Result(Statistic::kMax).toDouble(), 85.0);
    QCOMPARE(dialog.Result(Statistic::kMissingValues), QString("0"));
    QCOMPARE(dialog.Result(Statistic::kValueNumber), QString("12"));
    const QStringList median = dialog.Result(Statistic::kMedian).split(" - ");
    QCOMPARE(median.size(), 2);
    QCOMPARE(median[0].toDouble(), 72.0);
    QCOMPARE(median[1].toDouble(), 72.0);
    // The figures the core computes (and tests), as it writes them.
    auto computed = [&](Statistic statistic, const std::string& with = "") {
      return QString::fromStdString(
          ComputeStatistic(window_->Source(), {"golf_data", "temperature", statistic, with})
              .value());
    };
    QCOMPARE(dialog.Result(Statistic::kAverage), computed(Statistic::kAverage));
    QCOMPARE(dialog.Result(Statistic::kStDeviation), computed(Statistic::kStDeviation));

    // The correlation asks for the second field first; cancelling computes nothing.
    QPointer<QTimer> watch = testing::OnNextModal([](QWidget* modal) {
      QCOMPARE(modal->windowTitle(), QString("Selecting field"));
      static_cast<QDialog*>(modal)->reject();
    });
    Child<QPushButton>(&dialog, "correlation")->click();
    delete watch;
    QVERIFY(dialog.Result(Statistic::kCorrelation).isEmpty());
    watch = testing::OnNextModal([](QWidget* modal) {
      auto* others = modal->findChild<QListWidget*>("fields");
      QCOMPARE(others->count(), 4);  // every other column of golf_data
      others->setCurrentItem(others->findItems("humidity", Qt::MatchExactly)[0]);
      static_cast<QDialog*>(modal)->accept();
    });
    Child<QPushButton>(&dialog, "correlation")->click();
    delete watch;
    QCOMPARE(dialog.Result(Statistic::kCorrelation), computed(Statistic::kCorrelation, "humidity"));

    QVERIFY(dialog.ChooseField("golf_data.outlook"));
    dialog.Compute(Statistic::kAverage);
    dialog.Compute(Statistic::kMode);
    QCOMPARE(dialog.Result(Statistic::kAverage), QString("Not available"));
    QVERIFY(QStringList({"rainy", "sunny"}).contains(dialog.Result(Statistic::kMode)));

    // Cancel empties the boxes and the fields and turns the buttons off.
    dialog.reject();
    QVERIFY(dialog.Result(Statistic::kAverage).isEmpty());
    QCOMPARE(fields->count(), 0);
    QVERIFY(!average->isEnabled());
  }

  void nullSubstitutionFillsACopyOfTheColumn() {
    DataSource& source = window_->Source();
    QVERIFY(source.Execute("create table [paint] ([colour] string, [size] integer, [w] float)"));
    for (const char* row : {"'red', 2, 1", "NULL, 2, NULL", "'red', 5, 4", "'blue', NULL, NULL",
                            "NULL, 5, 2", "'blue', 5, NULL", "'red', NULL, 3"}) {
      QVERIFY(source.Execute(std::string("insert into [paint] values (") + row + ")"));
    }
    auto& dialog = Open<NullSubstitutionDialog>();
    PressOk(dialog);
    dialog.Lists().SelectTable("paint");
    PressOk(dialog);
    dialog.Lists().SelectField("colour");
    prompts_->attributeNames.push_back("colour");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), (QStringList{"Please, select a table", "Please, select a field",
                                             "Name of field not valid"}));
    prompts_->boxes.clear();
    prompts_->attributeNames.push_back("colour2");
    PressOk(dialog);
    dialog.Lists().SelectField("size");
    prompts_->attributeNames.push_back("size2");
    PressOk(dialog);
    dialog.Lists().SelectField("w");
    prompts_->attributeNames.push_back("w2");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), (QStringList(3, "The table is updated")));
    // Strings and integers take the most frequent value, floats the average; known values stay.
    QCOMPARE(testing::ReadRows(source, "select colour, colour2, size, size2, w, w2 from paint"),
             (Rows{{"red", "red", "2", "2", "1", "1"},
                   {"?", "red", "2", "2", "?", "2.5"},
                   {"red", "red", "5", "5", "4", "4"},
                   {"blue", "blue", "?", "5", "?", "2.5"},
                   {"?", "red", "5", "5", "2", "2"},
                   {"blue", "blue", "5", "5", "?", "2.5"},
                   {"red", "red", "?", "5", "3", "3"}}));
  }

  void samplingMakesANewTable() {
    auto& dialog = Open<SamplingDialog>();
    auto* percent = Child<QLineEdit>(&dialog, "percent");
    dialog.Lists().SelectTable("golf_data");
    for (const char* bad : {"", "abc", "101", "1.2.3"}) {
      percent->setText(bad);
      PressOk(dialog);
    }
    QCOMPARE(prompts_->Texts(), QStringList(4, "Please, insert a correct percent in [0,100]"));
    prompts_->boxes.clear();
    percent->setText("50.9");  // the integer part counts: 7 of 14 rows
    prompts_->tableNames.push_back("golf_data");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), QStringList{"Please, insert a correct name for the table"});
    prompts_->boxes.clear();
    prompts_->tableNames.push_back("golf_half");
    PressOk(dialog);
    QVERIFY(prompts_->boxes.isEmpty());
    QCOMPARE(dialog.StatusText(), QString("The new table in created"));
    DataSource& source = window_->Source();
    QCOMPARE(testing::ReadRows(source, "select count(*) from golf_half"), (Rows{{"7"}}));
    // Every sampled row is a row of the source, with the source's columns.
    QCOMPARE(testing::ColumnNames(source, "golf_half"), testing::ColumnNames(source, "golf_data"));
    QCOMPARE(testing::ReadRows(source,
                               "select count(*) from (select * from golf_half except "
                               "select * from golf_data)"),
             (Rows{{"0"}}));
    QVERIFY(dialog.Lists().SelectTable("golf_half"));
  }

  void scalingMapsOntoTheInterval() {
    auto& dialog = Open<ScalingDialog>();
    dialog.Lists().SelectTable("golf_data");
    dialog.Lists().SelectField("temperature");
    Child<QLineEdit>(&dialog, "extremeInf")->setText("1");
    Child<QLineEdit>(&dialog, "extremeSup")->setText("0");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), QStringList{"Please, insert extremes with inf<sup"});
    prompts_->boxes.clear();
    Child<QLineEdit>(&dialog, "extremeInf")->setText("0");
    Child<QLineEdit>(&dialog, "extremeSup")->setText("1");
    prompts_->attributeNames.push_back("tempScaled");
    PressOk(dialog);
    QCOMPARE(prompts_->Texts(), QStringList{"The table is updated"});
    const Rows rows =
        testing::ReadRows(window_->Source(), "select temperature, tempScaled from golf_data");
    QCOMPARE(rows.size(), size_t(14));
    for (const auto& row : rows) {
      const double expected = (std::stod(row[0]) - 64) / (85 - 64);
      QVERIFY2(std::abs(std::stod(row[1]) - expected) < 1e-6, row[1].c_str());
    }
  }

  void aBusyDatabaseChangesNothing() {
    auto& dialog = Open<ScalingDialog>();
    dialog.Lists().SelectTable("golf_data");
    dialog.Lists().SelectField("temperature");
    Child<QLineEdit>(&dialog, "extremeInf")->setText("0");
    Child<QLineEdit>(&dialog, "extremeSup")->setText("1");
    prompts_->attributeNames.push_back("tempScaled");
    {
      testing::DatabaseHolder holder(window_->Source());
      PressOk(dialog);
      QCOMPARE(dialog.StatusText(), QString("System busy, try again later"));
      dialog.Prepare();
      QCOMPARE(dialog.StatusText(), QString("System busy, try again later"));
    }
    QVERIFY(prompts_->boxes.isEmpty());
    QCOMPARE(testing::ColumnNames(window_->Source(), "golf_data").size(), size_t(5));
  }

 private:
  template <class D>
  D& Open() {
    auto& dialog = window_->Bench().Dialog<D>();
    dialog.Prepare();
    return dialog;
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::TransformDialogsTest)
#include "transform_dialogs_test.moc"
