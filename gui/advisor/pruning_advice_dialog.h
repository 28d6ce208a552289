#pragma once
// "Pruning Advice": the assistant on a dialog of its own, for a window that wants the advice
// without carrying the assistant itself. It lists the tables, selects the one it is given and
// asks the assistant at once; F1 and "What's This" work in it as in the decision-tree dialog.
//
//   PruningAdviceDialog::Open(this, workbench.Source(), tableName);

#include <QDialog>

class QListWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class DecisionTreeAssistant;

class PruningAdviceDialog : public QDialog {
  Q_OBJECT

 public:
  PruningAdviceDialog(DataSource& source, QWidget* parent = nullptr);

  // Lists the data source's tables again and selects `table` when it is there.
  void Prepare(const QString& table);
  // Asks the assistant about the selected table.
  void Advise();

  DecisionTreeAssistant& Assistant() { return *assistant_; }

  // Shows the dialog (not modal) for `table` and gives the advice.
  static PruningAdviceDialog* Open(QWidget* parent, DataSource& source, const QString& table);

 private:
  DataSource& source_;
  QListWidget* tables_;
  DecisionTreeAssistant* assistant_;
};

}  // namespace quarry::gui
