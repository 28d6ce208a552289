#pragma once
// The rules of a rules viewer as a table beside its per-rule view: one row per rule, columns
// that sort by a click on their header (number columns by value), and the row chosen kept in
// step with the rule the viewer shows.

#include <QTableWidget>

class QDialog;
#include <limits>

namespace quarry::gui {

class RulesTable : public QTableWidget {
  Q_OBJECT

 public:
  // A cell shows `text`; a number cell (finite `number`) sorts by the number, the others by
  // their text. Rows without a number sort after every number.
  struct Cell {
    QString text;
    double number = std::numeric_limits<double>::quiet_NaN();
  };

  RulesTable(const QStringList& headers, QWidget* parent = nullptr);

  // Lays out a rules viewer: this table above `single` (the view of one rule), `buttons` below.
  void LayOutViewer(QDialog* viewer, QWidget* single, QWidget* buttons);

  // Adds the next rule: the viewer's index of a rule is the order it was added in.
  void AddRule(const QList<Cell>& cells);
  void Clear();
  // Sizes the columns to their contents, none wider than about 60 characters, so that the
  // figures stay in sight beside long conditions (a long text shows whole in its tooltip).
  void FitColumns();
  // The rule a row shows, in the order the table is sorted now; -1 for no row.
  int RuleAt(int row) const;
  // Makes the row of `rule` the chosen one, without telling RuleChosen.
  void ChooseRule(int rule);

 signals:
  // The user chose the row of a rule.
  void RuleChosen(int rule);
};

}  // namespace quarry::gui
