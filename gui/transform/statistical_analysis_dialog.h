#pragma once
// "QUARRY Statistical  Analysis": the fields of the tables the user picks (as table.column), and
// one button per statistic that fills the result box beside it.

#include <QDialog>
#include <map>

#include "core/transform/column_statistics.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quarry::gui {

class TableFieldLists;
class Workbench;

class StatisticalAnalysisDialog : public QDialog {
  Q_OBJECT

 public:
  StatisticalAnalysisDialog(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the tables again; the fields and results stay until Cancel.
  void Prepare();
  // Adds the columns of `table` to the fields list, as table.column.
  void ChooseTable(const QString& table);
  bool ChooseField(const QString& entry);
  // What a statistic's button does. Correlation first asks for the second column.
  void Compute(Statistic statistic);
  QString Result(Statistic statistic) const;
  QString StatusText() const;
  // Cancel: the buttons off, the results and the fields list emptied.
  void reject() override;

 private:
  void EnableButtons(bool enabled);

  Workbench& workbench_;
  QListWidget* tables_;
  TableFieldLists* lists_;
  QListWidget* fields_;
  std::map<Statistic, QPushButton*> buttons_;
  std::map<Statistic, QLineEdit*> results_;
  QLabel* status_;
};

}  // namespace quarry::gui
