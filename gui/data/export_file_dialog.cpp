#include "gui/data/export_file_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

#include "core/data/data_file.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "gui/app/workbench.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

ExportFileDialog::ExportFileDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("exportFileDialog");
  setWindowTitle("Export File");
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  fields_ = new QListWidget(this);
  fields_->setObjectName("fields");
  fields_->setSelectionMode(QAbstractItemView::NoSelection);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ExportFileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tables_, &QListWidget::currentTextChanged, this, &ExportFileDialog::ShowFields);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables", this), 0, 0);
  layout->addWidget(new QLabel("Fields", this), 0, 1);
  layout->addWidget(tables_, 1, 0);
  layout->addWidget(fields_, 1, 1);
  layout->addWidget(status_, 2, 0, 1, 2);
  layout->addWidget(buttons, 3, 0, 1, 2);
  resize(440, 320);
}

void ExportFileDialog::Prepare() {
  const QString previous = SelectedTable();
  tables_->clear();
  fields_->clear();
  status_->clear();
  DataSource& source = workbench_.Source();
  if (!source.IsOpen()) {
    status_->setText(kImportNoDatabase);
    return;
  }
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  std::vector<std::string> names;
  if (!source.ListTables(names)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  for (const std::string& name : names) tables_->addItem(QString::fromStdString(name));
  if (!previous.isEmpty()) SelectTable(previous);
}

QString ExportFileDialog::SelectedTable() const {
  QListWidgetItem* item = tables_->currentItem();
  return item ? item->text() : QString();
}

void ExportFileDialog::SelectTable(const QString& table) {
  const QList<QListWidgetItem*> found = tables_->findItems(table, Qt::MatchExactly);
  if (!found.isEmpty()) tables_->setCurrentItem(found.first());
}

QString ExportFileDialog::StatusText() const { return status_->text(); }

void ExportFileDialog::ShowFields() {
  fields_->clear();
  const QString table = SelectedTable();
  if (table.isEmpty()) return;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  std::vector<std::string> names;
  std::vector<std::string> types;
  if (!source.FieldTypes(SelectAllFrom(table.toStdString()), names, types)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    fields_->addItem(
        QString("%1 (%2)").arg(QString::fromStdString(names[i]), QString::fromStdString(types[i])));
  }
}

void ExportFileDialog::accept() {
  const QString table = SelectedTable();
  if (table.isEmpty()) {
    status_->setText("Please, select table");
    return;
  }
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().SaveFileName(
      this, "Export File", QString::fromStdString(WorkingFolder().string()), "Data files (*.qry)");
  if (path.isEmpty()) return;
  ExportTo(path);
  if (status_->text().isEmpty()) QDialog::accept();
}

void ExportFileDialog::ExportTo(const QString& path) {
  status_->clear();
  const QString table = SelectedTable();
  JobRunner& runner = workbench_.Runner("Export File");
  if (runner.IsRunning()) {
    status_->setText(kChildIsRunning);
    return;
  }
  JobSpec job;
  DataSource& source = workbench_.Source();
  job.work = [&source, table = table.toStdString(),
              file = path.toStdString()](Progress& progress) -> Status {
    auto rows = ExportDataFile(source, table, file, progress);
    if (!rows) return rows.status();
    return Status(StatusCode::kOk,
                  std::to_string(*rows) + " rows of " + table + " exported to " + file);
  };
  if (runner.Start(std::move(job)) == JobRunner::StartResult::kLatched)
    status_->setText(kMethodInWorkingStatus);
}

}  // namespace quarry::gui
