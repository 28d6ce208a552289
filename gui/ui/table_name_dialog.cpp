#include "gui/ui/table_name_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarry::gui {

TableNameDialog::TableNameDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("QUARRY Insert Table Name");
  setObjectName("TableNameDialog");
  name_ = new QLineEdit(this);
  name_->setObjectName("tableName");
  name_->setMinimumWidth(260);
  auto* form = new QFormLayout;
  form->addRow("Table Name:", name_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setEnabled(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A blank name would reach the database as a statement error; better not to offer OK at all.
  connect(name_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(!Name().isEmpty()); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString TableNameDialog::Name() const { return name_->text().trimmed(); }

void TableNameDialog::SetName(const QString& name) { name_->setText(name); }

}  // namespace quarry::gui
