#include "gui/transform/scaling_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "core/data/data_source.h"
#include "core/transform/scaling.h"
#include "gui/app/workbench.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"

namespace quarry::gui {

ScalingDialog::ScalingDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("scalingDialog");
  setWindowTitle("Scaling");
  auto* tables = new QListWidget(this);
  tables->setObjectName("tables");
  auto* fields = new QListWidget(this);
  fields->setObjectName("fields");
  lists_ = new TableFieldLists(workbench.Source(), tables, fields, this);
  inf_ = new QLineEdit(this);
  inf_->setObjectName("extremeInf");
  sup_ = new QLineEdit(this);
  sup_->setObjectName("extremeSup");
  status_ = NewStatusLine(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ScalingDialog::Scale);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(lists_, &TableFieldLists::Busy, status_, &QLabel::setText);

  auto* extremes = new QFormLayout;
  extremes->addRow("Extreme Inf:", inf_);
  extremes->addRow("Extreme Sup:", sup_);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables List", this), 0, 0);
  layout->addWidget(new QLabel("Fields List", this), 0, 1);
  layout->addWidget(tables, 1, 0);
  layout->addWidget(fields, 1, 1);
  layout->addLayout(extremes, 2, 0, 1, 2);
  layout->addWidget(status_, 3, 0, 1, 2);
  layout->addWidget(buttons, 4, 0, 1, 2);
  resize(460, 360);
}

void ScalingDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

QString ScalingDialog::StatusText() const { return status_->text(); }

void ScalingDialog::Scale() {
  ScalingParams params;
  params.table = lists_->Table().toStdString();
  params.column = lists_->Field().toStdString();
  params.inf = inf_->text().toStdString();
  params.sup = sup_->text().toStdString();
  params.newName = AskAttributeName(this);
  RunColumnTransform(this, workbench_.Source(), status_,
                     [&](DataSource& source) { return ScaleColumn(source, params); });
  QString why;
  lists_->RefreshFields(&why);
}

}  // namespace quarry::gui
