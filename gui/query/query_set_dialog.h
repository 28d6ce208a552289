#pragma once
// "QUARRY Query Set", the table viewer: shows the data source's current table in a grid, a page
// of rows at a time. Clicking a column's header sorts the table by that column (again: the other
// way); Ctrl+C or the grid's menu copies the selected cells. Callers set the current table
// (DataSource::SetCurrentTable) and call ShowQuerySet.

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTableView;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class QuerySetModel;

class QuerySetDialog : public QDialog {
  Q_OBJECT

 public:
  explicit QuerySetDialog(QWidget* parent = nullptr);

  // Reads the first page of the current table. False, with "System busy, try again later"
  // shown, when a job holds the data source; false with the reason shown when the table cannot
  // be read.
  bool Load(DataSource& source);
  const QuerySetModel& Model() const { return *model_; }
  QTableView& Grid() const { return *view_; }
  // "T: N rows, C columns" of the whole table.
  QString Summary() const;
  // Which rows the page shows, "Rows 1-5000 of 12000".
  QString PageText() const;

  // Rows per page (5000 unless set); takes effect at the next page read.
  void SetPageSize(long rows) { pageSize_ = rows; }
  bool NextPage();
  bool PreviousPage();
  // Sorts by `column` (-1: the table's own order) and shows the first page.
  bool SortBy(int column, bool descending);
  // The selected cells to the clipboard, rows by line, cells by tab.
  void CopySelection();

 private:
  bool ReadPage(long offset);

  DataSource* source_ = nullptr;
  std::string table_;
  long pageSize_ = 5000;
  long offset_ = 0;
  long totalRows_ = 0;
  int sortColumn_ = -1;
  bool descending_ = false;
  QTableView* view_;
  QuerySetModel* model_;
  QLabel* summary_;
  QLabel* page_;
  QPushButton* previous_;
  QPushButton* next_;
};

// Opens the viewer modally on the current table (nothing opens when it cannot be read).
void ShowQuerySet(QWidget* parent, DataSource& source);

}  // namespace quarry::gui
