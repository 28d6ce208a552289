#pragma once
// "Rules Visualization": the rules of a rules file in a sortable table (conditions, conclusion,
// cases, error or deviance) and in a list; the selected rule's text (long lines wrapped) and its
// statistics beside the list. Choosing a rule in either chooses it in the other.

#include <QDialog>
#include <filesystem>

#include "core/treefiles/rules_file_reader.h"

class QLabel;
class QListWidget;

namespace quarry::gui {

class RulesTable;

inline constexpr const char* kSelectRuleHint = "Please, select a rule to see its text.";

class RulesViewerDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RulesViewerDialog(QWidget* parent = nullptr);

  // Reads and lists the rules; false when the file cannot be shown (the viewer stays empty).
  bool Load(const std::filesystem::path& file);

  QListWidget& Rules() const { return *rules_; }
  QListWidget& Text() const { return *text_; }
  RulesTable& Table() const { return *table_; }
  QString Statistics() const;
  void SelectRule(int index);

 private:
  void ShowRule(int index);

  treefiles::RulesFile file_;
  QListWidget* rules_;
  RulesTable* table_;
  QListWidget* text_;
  QLabel* statistics_;
  QLabel* hint_;
};

// Shows the rules file `name` (a path with or without ".rules", or a name in the working
// folder) modally; a file that cannot be shown gives the format message and an empty viewer.
void ShowRules(QWidget* parent, const std::string& name);

}  // namespace quarry::gui
