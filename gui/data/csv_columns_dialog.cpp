#include "gui/data/csv_columns_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quarry::gui {

namespace {

enum Column { kName, kType, kExamples };

QComboBox* TypeBox(QTableWidget* table, int row) {
  return qobject_cast<QComboBox*>(table->cellWidget(row, kType));
}

}  // namespace

CsvColumnsDialog::CsvColumnsDialog(const QString& file, const DataFileHeader& guess,
                                   const std::vector<std::vector<std::string>>& examples,
                                   QWidget* parent)
    : QDialog(parent) {
  setObjectName("csvColumns");
  setWindowTitle("Import CSV File");
  auto* intro = new QLabel(
      QString("%1: %2 columns. Each column's type is guessed from its values (real: every value "
              "a number; string: anything else). Change a type or a name if the guess is wrong.")
          .arg(QFileInfo(file).fileName())
          .arg(guess.names.size()),
      this);
  intro->setWordWrap(true);

  table_ = new QTableWidget(static_cast<int>(guess.names.size()), 3, this);
  table_->setObjectName("columns");
  table_->setHorizontalHeaderLabels({"Column", "Type", "First values"});
  table_->verticalHeader()->setVisible(false);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  for (int row = 0; row < table_->rowCount(); ++row) {
    const size_t i = static_cast<size_t>(row);
    table_->setItem(row, kName, new QTableWidgetItem(QString::fromStdString(guess.names[i])));
    auto* type = new QComboBox(table_);
    type->addItems({"real", "string"});
    type->setCurrentText(QString::fromStdString(guess.types[i]));
    table_->setCellWidget(row, kType, type);
    QStringList values;
    if (i < examples.size()) {
      for (const std::string& value : examples[i]) values << QString::fromStdString(value);
    }
    auto* shown = new QTableWidgetItem(values.join("  |  ").replace('\n', ' '));
    shown->setFlags(Qt::ItemIsEnabled);
    table_->setItem(row, kExamples, shown);
  }
  table_->horizontalHeader()->setSectionResizeMode(kExamples, QHeaderView::Stretch);
  table_->resizeColumnToContents(kName);
  table_->setColumnWidth(kName, std::max(table_->columnWidth(kName), 140));
  table_->resizeColumnToContents(kType);

  problem_ = new QLabel(this);
  problem_->setObjectName("problem");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableWidget::itemChanged, this, &CsvColumnsDialog::Check);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(table_, 1);
  layout->addWidget(problem_);
  layout->addWidget(buttons);
  resize(560, 380);
  Check();
}

DataFileHeader CsvColumnsDialog::Columns() const {
  DataFileHeader columns;
  for (int row = 0; row < table_->rowCount(); ++row) {
    columns.names.push_back(table_->item(row, kName)->text().trimmed().toStdString());
    columns.types.push_back(TypeBox(table_, row)->currentText().toStdString());
  }
  return columns;
}

void CsvColumnsDialog::SetType(int column, const QString& type) {
  if (QComboBox* box = TypeBox(table_, column)) box->setCurrentText(type);
}

void CsvColumnsDialog::SetName(int column, const QString& name) {
  if (QTableWidgetItem* item = table_->item(column, kName)) item->setText(name);
}

QString CsvColumnsDialog::Problem() const { return problem_->text(); }

void CsvColumnsDialog::Check() {
  // The database compares column names without regard to case; an empty one is no name.
  QSet<QString> seen;
  QString problem;
  for (int row = 0; row < table_->rowCount() && problem.isEmpty(); ++row) {
    const QString name = table_->item(row, kName)->text().trimmed();
    if (name.isEmpty()) {
      problem = QString("Column %1 has no name.").arg(row + 1);
    } else if (seen.contains(name.toLower())) {
      problem = QString("Two columns are named %1.").arg(name);
    }
    seen.insert(name.toLower());
  }
  problem_->setText(problem);
  ok_->setEnabled(problem.isEmpty());
}

}  // namespace quarry::gui
