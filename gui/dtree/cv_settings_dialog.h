#pragma once
// "Settig C4.5 Parameters", the options of the classification cross-validation: the decision-tree
// options and pruning menu without windowing, and a status naming the method chosen.

#include <QDialog>

#include "core/pruning/decision_tree_job.h"

class QLabel;

namespace quarry::gui {

class TreeOptionsForm;

class CvSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CvSettingsDialog(QWidget* parent = nullptr);

  TreeOptionsForm& Options() const { return *options_; }
  // "pruning method :" and the method's name, then the table the method wants.
  QString StatusText() const;
  pruning::DecisionTreeParameters Parameters() const;

 private:
  void ShowMethod(int code);

  TreeOptionsForm* options_;
  QLabel* status_;
  QLabel* hint_;
};

}  // namespace quarry::gui
