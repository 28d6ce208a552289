#include "gui/transform/discretization_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/data/data_source.h"
#include "core/transform/discretization.h"
#include "gui/app/workbench.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"
#include "gui/ui/dialog_progress.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

DiscretizationDialog::DiscretizationDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("discretizationDialog");
  setWindowTitle("Discretization QUARRY");
  tables_ = new QListWidget(this);
  tables_->setObjectName("tables");
  fields_ = new QListWidget(this);
  fields_->setObjectName("fields");
  lists_ = new TableFieldLists(workbench.Source(), tables_, fields_, this);
  intervals_ = new QLineEdit(this);
  intervals_->setObjectName("intervals");

  auto* typeBox = new QGroupBox("Discretization type:", this);
  regular_ = new QRadioButton("Regulars Intervals", typeBox);
  regular_->setObjectName("regularIntervals");
  uniform_ = new QRadioButton("Uniform distribution", typeBox);
  uniform_->setObjectName("uniformDistribution");
  regular_->setChecked(true);
  auto* typeLayout = new QVBoxLayout(typeBox);
  typeLayout->addWidget(regular_);
  typeLayout->addWidget(uniform_);

  auto* labelBox = new QGroupBox("Label", this);
  numberLabel_ = new QRadioButton("Number label", labelBox);
  numberLabel_->setObjectName("numberLabel");
  textLabel_ = new QRadioButton("TextLabel", labelBox);
  textLabel_->setObjectName("textLabel");
  numberLabel_->setChecked(true);
  auto* labelLayout = new QVBoxLayout(labelBox);
  labelLayout->addWidget(numberLabel_);
  labelLayout->addWidget(textLabel_);

  status_ = NewStatusLine(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &DiscretizationDialog::Discretize);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(lists_, &TableFieldLists::Busy, status_, &QLabel::setText);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables List", this), 0, 0);
  layout->addWidget(new QLabel("Fields List", this), 0, 1);
  layout->addWidget(tables_, 1, 0, 4, 1);
  layout->addWidget(fields_, 1, 1, 4, 1);
  layout->addWidget(new QLabel("Number of interval:", this), 1, 2);
  layout->addWidget(intervals_, 2, 2);
  layout->addWidget(typeBox, 3, 2);
  layout->addWidget(labelBox, 4, 2);
  layout->addWidget(status_, 5, 0, 1, 3);
  layout->addWidget(buttons, 6, 0, 1, 3);
  resize(620, 360);
}

void DiscretizationDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

QString DiscretizationDialog::StatusText() const { return status_->text(); }

void DiscretizationDialog::Discretize() {
  DiscretizationParams params;
  params.table = lists_->Table().toStdString();
  params.column = lists_->Field().toStdString();
  params.intervals = intervals_->text().toStdString();
  params.type = uniform_->isChecked() ? DiscretizationType::kUniformDistribution
                                      : DiscretizationType::kRegularIntervals;
  params.label = textLabel_->isChecked() ? IntervalLabel::kText : IntervalLabel::kNumber;
  params.newName = AskAttributeName(this);
  RunColumnTransform(this, workbench_.Source(), status_, [&](DataSource& source) {
    DialogProgress progress(this, "Discretization");
    return quarry::Discretize(source, params, progress);
  });
  QString why;
  lists_->RefreshFields(&why);
}

}  // namespace quarry::gui
