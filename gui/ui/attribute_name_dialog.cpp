#include "gui/ui/attribute_name_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quarry::gui {

AttributeNameDialog::AttributeNameDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Attribute Name");
  setObjectName("AttributeNameDialog");
  name_ = new QLineEdit(this);
  name_->setObjectName("attributeName");
  name_->setMinimumWidth(260);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Insert Name of New Attribute:", this));
  layout->addWidget(name_);
  layout->addWidget(buttons);
}

QString AttributeNameDialog::Name() const { return name_->text().trimmed(); }

}  // namespace quarry::gui
