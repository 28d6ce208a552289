#pragma once
// "Rules Visualization": the rules of the last extraction in a sortable table (antecedent,
// consequent, support, confidence) and listed as "Rule 1", "Rule 2", ...; the selected rule's
// text, support and confidence (choosing a rule in the table or the list chooses it in both); OK
// writes them all to "assoc.txt" in the working folder (numbered from 0 there) and closes.

#include <QDialog>
#include <vector>

#include "core/assoc/rule_generator.h"

class QLineEdit;
class QListWidget;

namespace quarry::gui {

class RulesTable;

class RulesVisualizationDialog : public QDialog {
  Q_OBJECT

 public:
  RulesVisualizationDialog(std::vector<assoc::AssociationRule> rules, QWidget* parent = nullptr);

  void accept() override;

 private:
  void ShowRule(int row);

  std::vector<assoc::AssociationRule> rules_;
  QListWidget* list_;
  RulesTable* table_;
  QLineEdit* text_;
  QLineEdit* support_;
  QLineEdit* confidence_;
};

}  // namespace quarry::gui
