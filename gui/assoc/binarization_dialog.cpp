#include "gui/assoc/binarization_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "core/assoc/binarization.h"
#include "core/data/data_source.h"
#include "gui/app/workbench.h"
#include "gui/assoc/assoc_widgets.h"
#include "gui/ui/prompts.h"
#include "gui/ui/table_field_lists.h"

namespace quarry::gui {

BinarizationDialog::BinarizationDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("binarizationDialog");
  setWindowTitle("Binarization");
  QListWidget* tables = MakeList(this, "tables");
  QListWidget* fields = MakeList(this, "fields");
  lists_ = new TableFieldLists(workbench.Source(), tables, fields, this);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  QPushButton* ok = MakeButton(this, "&OK", "ok");
  QPushButton* close = MakeButton(this, "C&lose", "close");
  QPushButton* cancel = MakeButton(this, "&Cancel", "cancel");
  connect(ok, &QPushButton::clicked, this, &BinarizationDialog::Binarize);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(lists_, &TableFieldLists::Busy, status_, &QLabel::setText);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Tables List", this), 0, 0);
  grid->addWidget(new QLabel("Fields List", this), 0, 1);
  grid->addWidget(tables, 1, 0);
  grid->addWidget(fields, 1, 1);
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
  status_->clear();
  QString why;
  if (!lists_->Refresh(&why)) status_->setText(why);
}

QString BinarizationDialog::StatusText() const { return status_->text(); }

void BinarizationDialog::Binarize() {
  const QString table = lists_->Table();
  const QString column = lists_->Field();
  if (table.isEmpty() || column.isEmpty()) return;
  status_->clear();
  DataSource& source = workbench_.Source();
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status_->setText(kSystemBusy);
    return;
  }
  auto result = assoc::BinarizeColumn(source, table.toStdString(), column.toStdString());
  if (!result) {
    status_->setText(QString::fromStdString(result.status().message()));
    return;
  }
  lists_->RefreshFields();  // keeps the column chosen
  QString text = "Process finished";
  // Values left without a column are named, so that the user is not left to find the gap.
  for (const std::string& note : result->skipped)
    text += "\nskipped " + QString::fromStdString(note);
  status_->setText(text);
}

}  // namespace quarry::gui
