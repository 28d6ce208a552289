#pragma once
// "Graphic Visualization": the distinct values of a column, or each value with its probability,
// in a grid; "Graph" draws the grid as the chart kind chosen from its popup menu, which also
// switches the legend and stacking; the chart can be saved as a PNG image.

#include <QDialog>

#include "gui/graphics/value_chart.h"

class QChartView;
class QLabel;
class QMenu;
class QRadioButton;
class QTableWidget;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class GraphicVisualizationDialog : public QDialog {
  Q_OBJECT

 public:
  GraphicVisualizationDialog(Workbench& workbench, QWidget* parent = nullptr);

  void Prepare();
  TableFieldLists& Lists() { return *lists_; }
  void SetProbability(bool probability);
  // Fills the grid for the chosen field (a failing query leaves it empty).
  void ShowValues();
  const QTableWidget& Grid() const { return *grid_; }
  QString StatusText() const;

  // The "Graph" popup menu: the seven kinds, then "Show Legend" and "Stacking".
  QMenu& GraphMenu() { return *menu_; }
  // Copies the grid into the chart and draws it as `kind`.
  void Graph(ChartKind kind);
  const ChartLook& Look() const { return look_; }
  ChartData Data() const;
  QChartView& ChartView() const { return *chartView_; }
  // Writes the chart as it is shown to a PNG file; false (said in a box) when it cannot.
  bool SaveChart(const QString& path);

 private:
  void BuildMenu();
  void Redraw();
  void ChooseSaveFile();

  Workbench& workbench_;
  TableFieldLists* lists_;
  QRadioButton* value_;
  QRadioButton* probability_;
  QTableWidget* grid_;
  QChartView* chartView_;
  QMenu* menu_;
  QLabel* status_;
  ChartLook look_;
  bool drawn_ = false;
};

}  // namespace quarry::gui
