#pragma once
// "TemWin": edits one rule template, its left and right side and whether it is inclusive or
// restrictive (syntax: docs/rule_templates.md). The items and classes of the current rules are
// listed so that they can be put into a side without typing; OK checks the template and keeps
// the window open with the reason when it is not valid.

#include <QDialog>
#include <string>
#include <vector>

#include "core/assoc/rule_filter.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace quarry::gui {

class TemplateWindow : public QDialog {
  Q_OBJECT

 public:
  // The catalog names the items of the rules and, in generalized mode, the taxonomy.
  TemplateWindow(const assoc::ItemCatalog& catalog, QWidget* parent = nullptr);

  void SetTemplate(assoc::TemplateKind kind, const QString& left, const QString& right);
  assoc::TemplateKind Kind() const;
  QString Left() const;
  QString Right() const;
  QString StatusText() const;

  void accept() override;

 private:
  void Insert(QLineEdit& side);
  void ShowText();

  const assoc::ItemCatalog& catalog_;
  QLineEdit* left_;
  QLineEdit* right_;
  QRadioButton* inclusive_;
  QRadioButton* restrictive_;
  QListWidget* items_;
  QListWidget* classes_;
  QLabel* text_;
  QLabel* status_;
};

}  // namespace quarry::gui
