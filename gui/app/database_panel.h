#pragma once
// The main window's database panel: the open database's tables sorted by name, each with its
// number of rows (counted in the background) and its columns with their type names, and a
// filter box. Double-click opens a table in the table viewer; the context menu opens it, shows
// its statistics, exports it, splits it in two or partitions it into K folds, and opens a
// method's dialog with the table chosen. An empty database says what to do first.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarry::gui {

class Workbench;

class DatabasePanel : public QWidget {
  Q_OBJECT

 public:
  explicit DatabasePanel(Workbench& workbench, QWidget* parent = nullptr);
  ~DatabasePanel() override;

  // Lists the tables again and counts their rows anew. A database held by a job is listed once
  // the job lets it go.
  void Refresh();
  // Counts no more rows; the owner of the data source calls it before the source goes.
  void Stop();

  QTreeWidget& Tables() const { return *tree_; }
  QLineEdit& Filter() const { return *filter_; }
  // The tables listed, in order (hidden ones by the filter included).
  QStringList TableNames() const;
  // The row count shown beside `table`: a number, or "..." while it is counted.
  QString RowCountText(const QString& table) const;
  // What the panel says when there is nothing to list; empty when it lists tables.
  QString Hint() const;

  // The actions of the context menu on `table` (the session's dialogs open modally).
  void OpenTable(const QString& table);
  void ShowStatistics(const QString& table);
  void ExportTable(const QString& table);
  void SplitTable(const QString& table);
  void PartitionTable(const QString& table);
  // The menu the panel shows on a table, for tests and the keyboard's menu key.
  QMenu* TableMenu(const QString& table, QWidget* parent);

 signals:
  // GUI thread: the row counts of the last refresh are all in.
  void RowsCounted();

 private:
  void ApplyFilter();
  void ShowHint(const QString& text);
  void CountNextTable();
  QString ChosenTable() const;

  Workbench& workbench_;
  QLineEdit* filter_;
  QTreeWidget* tree_;
  QLabel* hint_;
  QHash<QString, QTreeWidgetItem*> items_;
  // The tables whose rows are still to count, one at a time between the user's events: the
  // counts take the workbench's connection when nobody else holds it, so neither the user nor a
  // job ever finds it busy because of the panel.
  QStringList uncounted_;
  bool counting_ = false;
};

}  // namespace quarry::gui
