#include "gui/graphics/graphic_visualization_dialog.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "core/common/number_text.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/transform/value_distribution.h"
#include "gui/app/workbench.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

GraphicVisualizationDialog::GraphicVisualizationDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("graphicVisualizationDialog");
  setWindowTitle("Graphic Visualization");
  auto* tables = new QListWidget(this);
  tables->setObjectName("tables");
  auto* fields = new QListWidget(this);
  fields->setObjectName("fields");
  lists_ = new TableFieldLists(workbench.Source(), tables, fields, this);
  value_ = new QRadioButton("Value", this);
  value_->setObjectName("value");
  value_->setChecked(true);
  probability_ = new QRadioButton("Probability", this);
  probability_->setObjectName("probability");
  grid_ = new QTableWidget(this);
  grid_->setObjectName("grid");
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->setStretchLastSection(true);
  chartView_ = new QChartView(this);
  chartView_->setObjectName("chart");
  chartView_->setRenderHint(QPainter::Antialiasing);
  chartView_->setMinimumSize(420, 300);
  chartView_->setContextMenuPolicy(Qt::CustomContextMenu);
  status_ = NewStatusLine(this);
  BuildMenu();

  auto* graph = new QPushButton("Graph", this);
  graph->setObjectName("graph");
  auto* save = new QPushButton("Save Chart...", this);
  save->setObjectName("saveChart");
  auto* close = new QPushButton("Close", this);
  for (QPushButton* button : {graph, save, close}) button->setAutoDefault(false);
  connect(graph, &QPushButton::clicked, this,
          [this, graph] { menu_->popup(graph->mapToGlobal(QPoint(0, graph->height()))); });
  connect(chartView_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(chartView_->mapToGlobal(at)); });
  connect(save, &QPushButton::clicked, this, &GraphicVisualizationDialog::ChooseSaveFile);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(lists_, &TableFieldLists::Busy, status_, &QLabel::setText);
  connect(lists_, &TableFieldLists::FieldChosen, this, &GraphicVisualizationDialog::ShowValues);
  connect(probability_, &QRadioButton::toggled, this, &GraphicVisualizationDialog::ShowValues);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Choose Table", this), 0, 0);
  layout->addWidget(new QLabel("Choose Field", this), 0, 1);
  layout->addWidget(tables, 1, 0);
  layout->addWidget(fields, 1, 1);
  auto* choice = new QHBoxLayout;
  choice->addWidget(value_);
  choice->addWidget(probability_);
  choice->addStretch(1);
  layout->addLayout(choice, 2, 0, 1, 2);
  layout->addWidget(new QLabel("Query Set", this), 3, 0, 1, 2);
  layout->addWidget(grid_, 4, 0, 1, 2);
  layout->addWidget(chartView_, 0, 2, 5, 1);
  layout->setColumnStretch(2, 1);
  layout->addWidget(status_, 5, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(graph);
  buttons->addWidget(save);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons, 6, 0, 1, 3);
  resize(980, 600);
}

void GraphicVisualizationDialog::BuildMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName("graphMenu");
  for (ChartKind kind : kChartKinds) {
    QAction* action = menu_->addAction(ChartKindCaption(kind));
    connect(action, &QAction::triggered, this, [this, kind] { Graph(kind); });
  }
  menu_->addSeparator();
  QAction* legend = menu_->addAction("Show Legend");
  legend->setCheckable(true);
  connect(legend, &QAction::toggled, this, [this](bool on) {
    look_.legend = on;
    Redraw();
  });
  QAction* stacking = menu_->addAction("Stacking");
  stacking->setCheckable(true);
  connect(stacking, &QAction::toggled, this, [this](bool on) {
    look_.stacking = on;
    Redraw();
  });
}

void GraphicVisualizationDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

void GraphicVisualizationDialog::SetProbability(bool probability) {
  (probability ? probability_ : value_)->setChecked(true);
}

QString GraphicVisualizationDialog::StatusText() const { return status_->text(); }

void GraphicVisualizationDialog::ShowValues() {
  grid_->clear();
  grid_->setRowCount(0);
  grid_->setColumnCount(0);
  const QString table = lists_->Table();
  const QString field = lists_->Field();
  if (table.isEmpty() || field.isEmpty()) return;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  auto values = ValueDistribution(source, table.toStdString(), field.toStdString(),
                                  probability_->isChecked());
  if (!values) {
    status_->setText(QString::fromStdString(values.status().message()));
    return;
  }
  status_->clear();
  QStringList header;
  for (const std::string& caption : values->header) header << QString::fromStdString(caption);
  grid_->setColumnCount(static_cast<int>(header.size()));
  grid_->setHorizontalHeaderLabels(header);
  grid_->setRowCount(static_cast<int>(values->rows.size()));
  QStringList labels;
  for (int row = 0; row < grid_->rowCount(); ++row) {
    const ValueRow& value = values->rows[static_cast<size_t>(row)];
    labels << QString::fromStdString(value.label);
    grid_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(value.value)));
    if (header.size() > 1)
      grid_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(value.probability)));
  }
  grid_->setVerticalHeaderLabels(labels);
}

ChartData GraphicVisualizationDialog::Data() const {
  ChartData data;
  const int heightColumn = grid_->columnCount() - 1;
  if (heightColumn < 0) return data;
  data.series = grid_->horizontalHeaderItem(heightColumn)->text();
  const bool probability = heightColumn > 0;
  for (int row = 0; row < grid_->rowCount(); ++row) {
    // A probability is drawn over its value; a value alone over its row's number, which fits
    // under the narrow columns of a long list where "Value 12" would not.
    data.categories << (probability ? grid_->item(row, 0)->text() : QString::number(row + 1));
    const auto height = ParseNumber(grid_->item(row, heightColumn)->text().toStdString());
    data.heights.push_back(height.value_or(0.0));
  }
  return data;
}

void GraphicVisualizationDialog::Graph(ChartKind kind) {
  look_.kind = kind;
  drawn_ = true;
  Redraw();
}

void GraphicVisualizationDialog::Redraw() {
  if (!drawn_) return;
  QChart* old = chartView_->chart();
  chartView_->setChart(MakeValueChart(Data(), look_));
  delete old;
}

bool GraphicVisualizationDialog::SaveChart(const QString& path) {
  if (!chartView_->grab().save(path, "PNG")) {
    CurrentPrompts().Message(this, QMessageBox::Warning, "Cannot write the chart to " + path);
    return false;
  }
  return true;
}

void GraphicVisualizationDialog::ChooseSaveFile() {
  EnsureWorkingFolder();
  QString path = CurrentPrompts().SaveFileName(
      this, "Save Chart", QString::fromStdString(WorkingFolder().string()), "PNG images (*.png)");
  if (path.isEmpty()) return;
  if (!path.endsWith(".png", Qt::CaseInsensitive)) path += ".png";
  SaveChart(path);
}

}  // namespace quarry::gui
