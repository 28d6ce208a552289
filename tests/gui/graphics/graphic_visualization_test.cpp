// "Graphic Visualization" on the sample database: the value and probability grids, every kind
// of the "Graph" popup menu drawn from the grid with the axis titles, the legend and stacking
// switches, and the chart saved as a PNG image.

#include <QAbstractAxis>
#include <QAreaSeries>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QMenu>
#include <QPieSeries>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <set>

#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/graphics/graphic_visualization_dialog.h"
#include "gui/ui/table_field_lists.h"
#include "tests/gui/support/gui_test_support.h"
#include "tests/gui/support/method_dialog_support.h"

namespace quarry::gui {
namespace {

QStringList Column(const QTableWidget& grid, int column) {
  QStringList values;
  for (int row = 0; row < grid.rowCount(); ++row) values << grid.item(row, column)->text();
  return values;
}

QAction* MenuAction(QMenu& menu, const QString& text) {
  for (QAction* action : menu.actions())
    if (action->text() == text) return action;
  return nullptr;
}

class GraphicVisualizationTest : public testing::WorkbenchTest {
  Q_OBJECT

 private slots:
  void gridsShowValuesAndProbabilities() {
    DataSource& source = window_->Source();
    QVERIFY(source.Execute("SELECT * INTO [golf_gaps] FROM [golf_data]"));
    QVERIFY(source.Execute("UPDATE [golf_gaps] SET [outlook] = NULL WHERE [temperature] > 80"));
    auto& dialog = Dialog();
    dialog.Lists().SelectTable("golf_gaps");
    dialog.Lists().SelectField("outlook");
    const QTableWidget& grid = dialog.Grid();
    QCOMPARE(grid.columnCount(), 1);
    QCOMPARE(grid.horizontalHeaderItem(0)->text(), QString("Value"));
    QCOMPARE(grid.verticalHeaderItem(0)->text(), QString("Value 1"));
    const QStringList values = Column(grid, 0);
    QCOMPARE(std::set<QString>(values.begin(), values.end()),
             (std::set<QString>{"?", "overcast", "rainy", "sunny"}));

    dialog.SetProbability(true);
    QCOMPARE(grid.columnCount(), 2);
    QCOMPARE(grid.horizontalHeaderItem(1)->text(), QString("Probability"));
    QCOMPARE(grid.rowCount(), 4);
    double total = 0;
    for (int row = 0; row < grid.rowCount(); ++row) {
      const double p = grid.item(row, 1)->text().toDouble();
      total += p;
      // The missing outlooks (85, 83 and 81 degrees) are a group of their own.
      if (grid.item(row, 0)->text() == "?") QVERIFY(std::abs(p - 3.0 / 14) < 1e-9);
    }
    QVERIFY(std::abs(total - 1) < 1e-9);

    // A field that is not there leaves the grid empty.
    QVERIFY(source.Execute("ALTER TABLE [golf_gaps] RENAME COLUMN [outlook] TO [view]"));
    dialog.ShowValues();
    QCOMPARE(grid.rowCount(), 0);
  }

  void graphMenuDrawsEveryKind() {
    auto& dialog = Dialog();
    dialog.Lists().SelectTable("golf_data");
    dialog.Lists().SelectField("outlook");
    dialog.SetProbability(true);
    QMenu& menu = dialog.GraphMenu();
    QStringList captions;
    for (QAction* action : menu.actions())
      if (!action->isSeparator()) captions << action->text();
    QCOMPARE(captions, (QStringList{"Histogram", "Pie", "Area", "Step", "Histogram 3D", "Area 3D",
                                    "Step 3D", "Show Legend", "Stacking"}));

    for (const QString& kind : captions.mid(0, 7)) {
      MenuAction(menu, kind)->trigger();
      QChart* chart = dialog.ChartView().chart();
      QVERIFY2(!chart->series().isEmpty(), qPrintable(kind));
      if (kind == "Pie") {
        auto* pie = qobject_cast<QPieSeries*>(chart->series()[0]);
        QVERIFY(pie);
        QCOMPARE(pie->count(), 3);
        QVERIFY(std::abs(pie->sum() - 1) < 1e-9);
        QVERIFY(chart->axes().isEmpty());
        continue;
      }
      QCOMPARE(chart->axes(Qt::Horizontal)[0]->titleText(), QString("ASSE X"));
      QCOMPARE(chart->axes(Qt::Vertical)[0]->titleText(), QString("ASSE Y"));
      // The 3D kinds draw their face over an offset copy that gives the depth.
      QCOMPARE(int(chart->series().size()), kind.endsWith("3D") ? 2 : 1);
    }

    MenuAction(menu, "Histogram")->trigger();
    auto* bars = qobject_cast<QBarSeries*>(dialog.ChartView().chart()->series()[0]);
    QVERIFY(bars);
    QCOMPARE(bars->barSets()[0]->count(), 3);
    QVERIFY(!dialog.ChartView().chart()->legend()->isVisible());
    MenuAction(menu, "Show Legend")->trigger();
    QVERIFY(dialog.ChartView().chart()->legend()->isVisible());
    MenuAction(menu, "Stacking")->trigger();
    QVERIFY(qobject_cast<QStackedBarSeries*>(dialog.ChartView().chart()->series()[0]));
    MenuAction(menu, "Stacking")->trigger();
    QVERIFY(qobject_cast<QBarSeries*>(dialog.ChartView().chart()->series()[0]));
    QVERIFY(dialog.ChartView().chart()->legend()->isVisible());
  }

  void chartIsSavedAsPng() {
    auto& dialog = Dialog();
    dialog.resize(900, 560);
    dialog.Lists().SelectTable("golf_data");
    dialog.Lists().SelectField("temperature");
    dialog.Graph(ChartKind::kArea3D);
    const auto file = home_->path() / "temperatures";
    prompts_->saveFiles.push_back(QString::fromStdString(file.string()));
    dialog.findChild<QPushButton*>("saveChart")->click();
    QCOMPARE(prompts_->choosers, QStringList{"Save Chart|PNG images (*.png)"});
    const QImage image(QString::fromStdString(file.string()) + ".png");
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 300);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 5)
      for (int x = 0; x < image.width(); x += 5) colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 8);
    QVERIFY(prompts_->boxes.isEmpty());

    QVERIFY(
        !dialog.SaveChart(QString::fromStdString((home_->path() / "no/such/dir/x.png").string())));
    QCOMPARE(prompts_->boxes.size(), 1);
  }

 private:
  GraphicVisualizationDialog& Dialog() {
    auto& dialog = window_->Bench().Dialog<GraphicVisualizationDialog>();
    dialog.Prepare();
    return dialog;
  }
};

}  // namespace
}  // namespace quarry::gui

QUARRY_GUI_TEST_MAIN(quarry::gui::GraphicVisualizationTest)
#include "graphic_visualization_test.moc"
