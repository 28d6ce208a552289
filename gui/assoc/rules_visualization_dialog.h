#pragma once
// "Rules Visualization": the rules of the last extraction, listed as "Rule 1", "Rule 2", ...;
// the selected rule's text, support and confidence; OK writes them all to "assoc.txt" in the
// working folder (numbered from 0 there) and closes.

#include <QDialog>
#include <vector>

#include "core/assoc/rule_generator.h"

class QLineEdit;
class QListWidget;

namespace quarry::gui {

class RulesVisualizationDialog : public QDialog {
  Q_OBJECT

 public:
  RulesVisualizationDialog(std::vector<assoc::AssociationRule> rules, QWidget* parent = nullptr);

  void accept() override;

 private:
  void ShowRule(int row);

  std::vector<assoc::AssociationRule> rules_;
  QListWidget* list_;
  QLineEdit* text_;
  QLineEdit* support_;
  QLineEdit* confidence_;
};

}  // namespace quarry::gui
