#include "gui/transform/statistical_analysis_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <tuple>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "gui/app/workbench.h"
#include "gui/transform/selecting_field_dialog.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"
#include "gui/ui/list_choice.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr Statistic kStatistics[] = {
    Statistic::kAverage,     Statistic::kMode,          Statistic::kMedian,
    Statistic::kStDeviation, Statistic::kMin,           Statistic::kMax,
    Statistic::kValueNumber, Statistic::kMissingValues, Statistic::kCorrelation};

// "St Deviation" -> "stDeviation": the object names of a statistic's button and result box.
QString ObjectName(Statistic statistic) {
  QString name = QString(StatisticCaption(statistic)).remove(' ');
  name[0] = name[0].toLower();
  return name;
}

}  // namespace

StatisticalAnalysisDialog::StatisticalAnalysisDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("statisticalAnalysisDialog");
  setWindowTitle("QUARRY Statistical  Analysis");
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  fields_ = new QListWidget(this);
  fields_->setObjectName("fields");
  status_ = NewStatusLine(this);
  lists_ = new TableFieldLists(workbench.Source(), tables_, nullptr, this);
  connect(lists_, &TableFieldLists::TableChosen, this, &StatisticalAnalysisDialog::ChooseTable);
  connect(fields_, &QListWidget::itemSelectionChanged, this,
          [this] { EnableButtons(!ChosenText(fields_).isEmpty()); });

  auto* statistics = new QGridLayout;
  int row = 0;
  for (Statistic statistic : kStatistics) {
    auto* button = new QPushButton(StatisticCaption(statistic), this);
    button->setObjectName(ObjectName(statistic));
    button->setAutoDefault(false);
    auto* result = new QLineEdit(this);
    result->setObjectName(ObjectName(statistic) + "Result");
    result->setReadOnly(true);
    result->setMinimumWidth(200);
    connect(button, &QPushButton::clicked, this, [this, statistic] { Compute(statistic); });
    buttons_[statistic] = button;
    results_[statistic] = result;
    statistics->addWidget(button, row, 0);
    statistics->addWidget(result, row, 1);
    ++row;
  }
  EnableButtons(false);
  auto* close = new QPushButton("Close", this);
  auto* cancel = new QPushButton("Cancel", this);
  close->setAutoDefault(false);
  cancel->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &StatisticalAnalysisDialog::reject);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Table List", this), 0, 0);
  layout->addWidget(new QLabel("Fields List", this), 0, 1);
  layout->addWidget(tables_, 1, 0);
  layout->addWidget(fields_, 1, 1);
  layout->addLayout(statistics, 1, 2);
  layout->addWidget(status_, 2, 0, 1, 3);
  auto* closing = new QHBoxLayout;
  closing->addStretch(1);
  closing->addWidget(close);
  closing->addWidget(cancel);
  layout->addLayout(closing, 3, 0, 1, 3);
  resize(800, 400);
}

void StatisticalAnalysisDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

void StatisticalAnalysisDialog::ChooseTable(const QString& table) {
  if (table.isEmpty()) return;
  if (lists_->Table() != table) {
    // Choosing the item runs this again, through the list's signal.
    lists_->SelectTable(table);
    return;
  }
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  std::vector<std::string> names;
  if (!source.FieldNames(SelectAllFrom(table.toStdString()), names)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  status_->clear();
  for (const std::string& name : names) {
    const QString entry = table + "." + QString::fromStdString(name);
    if (fields_->findItems(entry, Qt::MatchExactly).isEmpty()) fields_->addItem(entry);
  }
}

bool StatisticalAnalysisDialog::ChooseField(const QString& entry) {
  return ChooseItem(fields_, entry);
}

QString StatisticalAnalysisDialog::Result(Statistic statistic) const {
  return results_.at(statistic)->text();
}

QString StatisticalAnalysisDialog::StatusText() const { return status_->text(); }

void StatisticalAnalysisDialog::Compute(Statistic statistic) {
  const QString entry = ChosenText(fields_);
  if (entry.isEmpty()) return;
  StatisticParams params;
  std::tie(params.table, params.column) = SplitFieldEntry(entry.toStdString());
  params.statistic = statistic;
  DataSource& source = workbench_.Source();
  if (statistic == Statistic::kCorrelation) {
    QStringList others;
    {
      TryExclusiveUse exclusive(source);
      std::vector<std::string> names;
      if (!exclusive.Owns()) {
        status_->setText(kSystemBusy);
        return;
      }
      if (source.FieldNames(SelectAllFrom(params.table), names)) {
        for (const std::string& name : names) {
          if (name != params.column) others << QString::fromStdString(name);
        }
      }
    }
    SelectingFieldDialog choose(others, this);
    if (choose.exec() != QDialog::Accepted || choose.Field().isEmpty()) return;
    params.withColumn = choose.Field().toStdString();
  }
  QString text;
  RunTransform(this, source, status_, [&](DataSource& source) {
    auto value = ComputeStatistic(source, params);
    if (!value) return value.status();
    text = QString::fromStdString(*value);
    return Status::Ok();
  });
  results_.at(statistic)->setText(text);
  results_.at(statistic)->setCursorPosition(0);
}

void StatisticalAnalysisDialog::EnableButtons(bool enabled) {
  for (const auto& [statistic, button] : buttons_) button->setEnabled(enabled);
}

void StatisticalAnalysisDialog::reject() {
  EnableButtons(false);
  for (const auto& [statistic, result] : results_) result->clear();
  fields_->clear();
  QDialog::reject();
}

}  // namespace quarry::gui
