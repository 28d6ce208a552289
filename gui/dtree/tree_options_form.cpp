#include "gui/dtree/tree_options_form.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace quarry::gui {

namespace {

QComboBox* TrueFalse(QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems({"False", "True"});  // sorted, as the lists are
  return box;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

bool IsTrue(const QComboBox* box) { return box->currentText() == "True"; }

}  // namespace

TreeOptionsForm::TreeOptionsForm(QWidget* parent) : QWidget(parent) {
  setObjectName("treeOptions");
  minCases_ = Edit(this, "minCases");
  gainRatio_ = TrueFalse(this, "gainRatio");
  subsets_ = TrueFalse(this, "subsets");
  unseen_ = TrueFalse(this, "unseen");
  probThreshold_ = TrueFalse(this, "probThreshold");
  confidence_ = Edit(this, "confidence");
  windowing_ = new QCheckBox("windowing enabled", this);
  windowing_->setObjectName("windowing");
  trials_ = Edit(this, "trials");
  window_ = Edit(this, "window");
  increment_ = Edit(this, "increment");
  mValuesLabel_ = new QLabel("MValues ", this);
  mValues_ = Edit(this, "mValues");
  mValues_->setMaxLength(300);
  mValues_->setProperty("assistantTopic", "MValues");  // its label ends in a space

  auto* form = form_ = new QFormLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("Number of items in each leaf:", minCases_);
  form->addRow("Gain Ratio:", gainRatio_);
  form->addRow("Tests on discrete attribute groups", subsets_);
  form->addRow("Tree evaluated on unseen cases", unseen_);
  form->addRow("probability threshold used", probThreshold_);
  form->addRow("pruning confidence level", confidence_);
  form->addRow(windowing_);
  form->addRow("windowing with trials:", trials_);
  form->addRow("initial window size", window_);
  form->addRow("Maximum window increment ", increment_);
  form->addRow(mValuesLabel_, mValues_);

  menu_ = new QMenu("&Pruning Methhods", this);
  menu_->setObjectName("pruningMethods");
  auto* group = new QActionGroup(this);
  for (const pruning::PruningMethodInfo& method : pruning::PruningMethods()) {
    QAction* action = menu_->addAction(
        QString::fromUtf8(method.menuText.data(), static_cast<int>(method.menuText.size())));
    action->setCheckable(true);
    action->setData(static_cast<int>(method.code));
    group->addAction(action);
    const int code = method.code;
    connect(action, &QAction::triggered, this, [this, code] { ChooseMethod(code); });
  }

  connect(minCases_, &QLineEdit::editingFinished, this, &TreeOptionsForm::CheckMinCases);
  connect(windowing_, &QCheckBox::toggled, this, &TreeOptionsForm::UpdateWindowing);
  SetDefaults();
}

QAction* TreeOptionsForm::MethodAction(int code) const {
  for (QAction* action : menu_->actions()) {
    if (action->data().toInt() == code) return action;
  }
  return nullptr;
}

void TreeOptionsForm::ChooseMethod(int code) {
  method_ = code;
  const bool minimumError = code == pruning::kMinimumErrorPruning;
  mValues_->setEnabled(minimumError);
  mValuesLabel_->setEnabled(minimumError);
  windowing_->setEnabled(code == pruning::kStandardPrune);
  UpdateWindowing();
  if (QAction* action = MethodAction(code)) action->setChecked(true);
  emit MethodChosen(code);
}

void TreeOptionsForm::UpdateWindowing() {
  const bool on = method_ == pruning::kStandardPrune && windowing_->isChecked();
  trials_->setEnabled(on);
  window_->setEnabled(on);
  increment_->setEnabled(on);
}

void TreeOptionsForm::CheckMinCases() {
  bool ok = false;
  const int value = minCases_->text().toInt(&ok);
  if (!ok || value <= 0) minCases_->setText("2");
}

void TreeOptionsForm::SetDefaults() {
  const pruning::DecisionTreeParameters defaults;
  minCases_->setText(QString::fromStdString(defaults.minCases));
  gainRatio_->setCurrentText("False");
  subsets_->setCurrentText("True");
  unseen_->setCurrentText("True");
  probThreshold_->setCurrentText("False");
  confidence_->setText(QString::fromStdString(defaults.confidence));
  windowing_->setChecked(false);
  trials_->setText(QString::fromStdString(defaults.trials));
  window_->setText(QString::fromStdString(defaults.window));
  increment_->setText(QString::fromStdString(defaults.increment));
  ChooseMethod(pruning::kStandardPrune);
}

void TreeOptionsForm::HideWindowing() {
  for (QWidget* field : {static_cast<QWidget*>(windowing_), static_cast<QWidget*>(trials_),
                         static_cast<QWidget*>(window_), static_cast<QWidget*>(increment_)}) {
    form_->setRowVisible(field, false);
  }
}

void TreeOptionsForm::ResetForCancel() {
  minCases_->setText("2");
  gainRatio_->setCurrentText("True");
  subsets_->setCurrentText("True");
}

pruning::DecisionTreeParameters TreeOptionsForm::Parameters() const {
  pruning::DecisionTreeParameters p;
  p.minCases = minCases_->text().toStdString();
  p.gainCriterion = IsTrue(gainRatio_);
  p.subsets = IsTrue(subsets_);
  p.unseen = IsTrue(unseen_);
  p.probThreshold = IsTrue(probThreshold_);
  p.confidence = confidence_->text().toStdString();
  p.windowing = windowing_->isChecked();
  p.trials = trials_->text().toStdString();
  p.window = window_->text().toStdString();
  p.increment = increment_->text().toStdString();
  p.mValues = mValues_->text().toStdString();
  p.method = method_;
  return p;
}

}  // namespace quarry::gui
