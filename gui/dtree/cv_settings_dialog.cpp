#include "gui/dtree/cv_settings_dialog.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dtree/tree_dialog_parts.h"
#include "gui/dtree/tree_options_form.h"

namespace quarry::gui {

CvSettingsDialog::CvSettingsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("cvSettingsDialog");
  setWindowTitle("Settig C4.5 Parameters");
  options_ = new TreeOptionsForm(this);
  options_->HideWindowing();
  status_ = new QLabel(this);
  status_->setObjectName("status");
  hint_ = new QLabel(this);
  hint_->setObjectName("hint");
  QPushButton* ok = DialogButton("OK", "ok", this);
  ok->setDefault(true);

  auto* menuBar = new QMenuBar(this);
  menuBar->addMenu(options_->MethodMenu());
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(options_);
  layout->addWidget(status_);
  layout->addWidget(hint_);
  layout->addWidget(ok, 0, Qt::AlignRight);

  connect(options_, &TreeOptionsForm::MethodChosen, this, &CvSettingsDialog::ShowMethod);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  ShowMethod(options_->Method());
}

QString CvSettingsDialog::StatusText() const { return status_->text() + "\n" + hint_->text(); }

pruning::DecisionTreeParameters CvSettingsDialog::Parameters() const {
  return options_->Parameters();
}

void CvSettingsDialog::ShowMethod(int code) {
  const std::optional<pruning::PruningMethodInfo> info = pruning::FindPruningMethod(code);
  if (!info) return;
  status_->setText("pruning method :" +
                   QString::fromUtf8(info->cvName.data(), static_cast<int>(info->cvName.size())));
  hint_->setText(pruning::UsesTrainingHalves(code) ? "Please select *_train1 table"
                                                   : "Please select *_data table");
}

}  // namespace quarry::gui
