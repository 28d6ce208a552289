#include "gui/transform/null_substitution_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

#include "core/data/data_source.h"
#include "core/transform/null_substitution.h"
#include "gui/app/workbench.h"
#include "gui/ui/table_field_lists.h"
#include "gui/transform/transform_run.h"

namespace quarry::gui {

NullSubstitutionDialog::NullSubstitutionDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
  setObjectName("nullSubstitutionDialog");
  setWindowTitle("Null Value Substitution");
  auto* tables = new QListWidget(this);
  tables->setObjectName("tables");
  auto* fields = new QListWidget(this);
  fields->setObjectName("fields");
  lists_ = new TableFieldLists(workbench.Source(), tables, fields, this);
  status_ = NewStatusLine(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &NullSubstitutionDialog::Substitute);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(lists_, &TableFieldLists::Busy, status_, &QLabel::setText);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Tables List", this), 0, 0);
  layout->addWidget(new QLabel("Fields List", this), 0, 1);
  layout->addWidget(tables, 1, 0);
  layout->addWidget(fields, 1, 1);
  layout->addWidget(status_, 2, 0, 1, 2);
  layout->addWidget(buttons, 3, 0, 1, 2);
  resize(460, 320);
}

void NullSubstitutionDialog::Prepare() {
  QString why;
  status_->setText(lists_->Refresh(&why) ? QString() : why);
}

QString NullSubstitutionDialog::StatusText() const { return status_->text(); }

void NullSubstitutionDialog::Substitute() {
  NullSubstitutionParams params;
  params.table = lists_->Table().toStdString();
  params.column = lists_->Field().toStdString();
  params.newName = AskAttributeName(this);
  RunColumnTransform(this, workbench_.Source(), status_, [&](DataSource& source) {
    auto result = SubstituteNulls(source, params);
    return result ? Status::Ok() : result.status();
  });
  QString why;
  lists_->RefreshFields(&why);
}

}  // namespace quarry::gui
