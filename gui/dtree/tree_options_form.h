#pragma once
// The decision-tree options both tree dialogs share ("C4.5: Setting Parameters" and the
// cross-validation's "Settig C4.5 Parameters"): the engine's fields with their defaults and
// rules, and the pruning-method menu, whose choice enables the fields that method reads.

#include <QWidget>

#include "core/pruning/decision_tree_job.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QMenu;

namespace quarry::gui {

class TreeOptionsForm : public QWidget {
  Q_OBJECT

 public:
  explicit TreeOptionsForm(QWidget* parent = nullptr);

  // The dialog's menu "&Pruning Methhods": one checkable entry per method.
  QMenu* MethodMenu() const { return menu_; }
  QAction* MethodAction(int code) const;
  int Method() const { return method_; }
  // What choosing an entry of the menu does: enables the method's fields, moves the check mark.
  void ChooseMethod(int code);

  // The fields' defaults, standard pruning.
  void SetDefaults();
  // "&Cancel": minimum cases "2", "True" in the Gain Ratio and discrete-groups lists.
  void ResetForCancel();
  // The cross-validation never windows: its settings show no windowing fields.
  void HideWindowing();
  // The fields as the job's parameters (the table is the dialog's).
  pruning::DecisionTreeParameters Parameters() const;

 signals:
  void MethodChosen(int code);

 private:
  void CheckMinCases();
  void UpdateWindowing();

  QFormLayout* form_;
  QMenu* menu_;
  int method_ = pruning::kStandardPrune;
  QLineEdit* minCases_;
  QComboBox* gainRatio_;
  QComboBox* subsets_;
  QComboBox* unseen_;
  QComboBox* probThreshold_;
  QLineEdit* confidence_;
  QCheckBox* windowing_;
  QLineEdit* trials_;
  QLineEdit* window_;
  QLineEdit* increment_;
  QLabel* mValuesLabel_;
  QLineEdit* mValues_;
};

}  // namespace quarry::gui
