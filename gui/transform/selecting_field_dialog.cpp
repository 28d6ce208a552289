#include "gui/transform/selecting_field_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "gui/ui/list_choice.h"

namespace quarry::gui {

SelectingFieldDialog::SelectingFieldDialog(const QStringList& fields, QWidget* parent)
    : QDialog(parent) {
  setObjectName("selectingFieldDialog");
  setWindowTitle("Selecting field");
  fields_ = new QListWidget(this);
  fields_->setObjectName("fields");
  fields_->addItems(fields);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(fields_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Please, select another field to compare:", this));
  layout->addWidget(fields_);
  layout->addWidget(buttons);
  resize(300, 280);
}

QString SelectingFieldDialog::Field() const { return ChosenText(fields_); }

}  // namespace quarry::gui
