#pragma once
// The rows of a table as a model for a grid: column names in the header, row numbers down the
// side, every cell as the database gave it (NULL as "?"). Rows are appended as they arrive and
// kept in one block of text, so a large table costs little more than its text.

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarry::gui {

class QuerySetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit QuerySetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Starts over with these columns and no rows. Rows appended afterwards are shown once
  // Publish() is called (a grid told about each row would spend its time redrawing).
  // `firstRow` is the table's row number (from 0) of the first row appended: a page of a table
  // numbers its rows as the table does.
  void Reset(const std::vector<std::string>& names, long firstRow = 0);
  void AppendRow(const std::vector<std::string>& values);
  void Publish();

  std::string_view Cell(size_t row, size_t column) const;
  size_t StoredRows() const { return names_.empty() ? 0 : ends_.size() / names_.size(); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::vector<std::string> names_;
  std::string text_;
  std::vector<uint64_t> ends_;  // end of each cell in text_, row after row
  int shownRows_ = 0;
  long firstRow_ = 0;
};

}  // namespace quarry::gui
