#pragma once
// "FilWin" ("Filter Rules"): the rules of the last extraction and the templates that choose among
// them. A rule is shown when it matches at least one inclusive template (if there is any) and no
// restrictive one (core/assoc/rule_filter.h); the list follows every change of the templates.
// Templates are made in "TemWin" and can be kept in and read from a text file.

#include <QDialog>
#include <memory>
#include <vector>

#include "core/assoc/rule_filter.h"
#include "core/assoc/taxonomy.h"

class QLabel;
class QListWidget;

namespace quarry::gui {

class Workbench;

class RuleFilterWindow : public QDialog {
  Q_OBJECT

 public:
  RuleFilterWindow(Workbench& workbench, QWidget* parent = nullptr);

  // The rules of an extraction, with the names of their items and, for generalized rules, the
  // taxonomy they were mined with (copied: later edits of the taxonomy do not change them).
  void SetRules(std::vector<assoc::AssociationRule> rules, std::vector<std::string> itemNames,
                const assoc::Taxonomy* taxonomy);

  // Adds a template as "TemWin" hands it over; its message when it is refused.
  Status AddTemplate(assoc::TemplateKind kind, const QString& left, const QString& right);
  void RemoveSelectedTemplate();
  Status LoadTemplates(const QString& path);
  Status SaveTemplates(const QString& path) const;

  // Rows of the rules shown, in rule order.
  const std::vector<size_t>& Kept() const { return kept_; }
  QString StatusText() const;

 private:
  void NewTemplate();
  void Load();
  void Save();
  void Refilter();

  std::vector<std::string> itemNames_;
  std::unique_ptr<assoc::Taxonomy> taxonomy_;
  assoc::RuleFilter filter_;
  assoc::TemplateSet templates_;
  std::vector<size_t> kept_;
  QListWidget* rules_;
  QListWidget* inclusive_;
  QListWidget* restrictive_;
  QLabel* status_;
};

}  // namespace quarry::gui
