#include "gui/assoc/binarization_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "core/assoc/binarization.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "gui/app/workbench.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

BinarizationDialog::BinarizationDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("binarizationDialog");
  setWindowTitle("Binarization");
  tables_ = MakeList(this, "tables");
  fields_ = MakeList(this, "fields");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  QPushButton* ok = MakeButton(this, "&OK", "ok");
  QPushButton* close = MakeButton(this, "C&lose", "close");
  QPushButton* cancel = MakeButton(this, "&Cancel", "cancel");
  connect(ok, &QPushButton::clicked, this, &BinarizationDialog::Binarize);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(tables_, &QListWidget::currentTextChanged, this, &BinarizationDialog::ShowFields);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Tables List", this), 0, 0);
  grid->addWidget(new QLabel("Fields List", this), 0, 1);
  grid->addWidget(tables_, 1, 0);
  grid->addWidget(fields_, 1, 1);
  grid->addWidget(status_, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(close);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 3, 0, 1, 2);
  resize(460, 340);
}

void BinarizationDialog::Prepare() {
  const QString previous = tables_->currentItem() ? tables_->currentItem()->text() : QString();
  tables_->clear();
  fields_->clear();
  status_->clear();
  DataSource& source = workbench_.Source();
  if (!source.IsOpen()) return;
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
  Fill(*tables_, names);
  SelectText(*tables_, previous);
  ShowFields();
}

QString BinarizationDialog::StatusText() const { return status_->text(); }

void BinarizationDialog::ShowFields() {
  fields_->clear();
  QListWidgetItem* table = tables_->currentItem();
  if (table == nullptr) return;
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  std::vector<std::string> names;
  if (!source.FieldNames(SelectAllFrom(table->text().toStdString()), names)) {
    status_->setText(QString::fromStdString(source.LastError()));
    return;
  }
  Fill(*fields_, names);
}

void BinarizationDialog::Binarize() {
  QListWidgetItem* table = tables_->currentItem();
  QListWidgetItem* field = fields_->currentItem();
  if (table == nullptr || field == nullptr) return;
  status_->clear();
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  const QString column = field->text();
  auto result = assoc::BinarizeColumn(source, table->text().toStdString(), column.toStdString());
  if (!result) {
    status_->setText(QString::fromStdString(result.status().message()));
    return;
  }
  ShowFields();
  SelectText(*fields_, column);
  QString text = "Process finished";
  // Values left without a column are named, so that the user is not left to find the gap.
  for (const std::string& note : result->skipped)
    text += "\nskipped " + QString::fromStdString(note);
  status_->setText(text);
}

}  // namespace quarry::gui
