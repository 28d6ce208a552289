#include "gui/query/query_set_model.h"

#include <algorithm>
#include <limits>

namespace quarry::gui {

void QuerySetModel::Reset(const std::vector<std::string>& names, long firstRow) {
  beginResetModel();
  names_ = names;
  firstRow_ = firstRow;
  text_.clear();
  ends_.clear();
  shownRows_ = 0;
  endResetModel();
}

void QuerySetModel::AppendRow(const std::vector<std::string>& values) {
  for (size_t c = 0; c < names_.size(); ++c) {
    if (c < values.size()) text_ += values[c];
    ends_.push_back(text_.size());
  }
}

void QuerySetModel::Publish() {
  const int rows =
      static_cast<int>(std::min<size_t>(StoredRows(), std::numeric_limits<int>::max()));
  if (rows == shownRows_) return;
  beginInsertRows({}, shownRows_, rows - 1);
  shownRows_ = rows;
  endInsertRows();
}

std::string_view QuerySetModel::Cell(size_t row, size_t column) const {
  const size_t i = row * names_.size() + column;
  const uint64_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

int QuerySetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int QuerySetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant QuerySetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  const std::string_view cell =
      Cell(static_cast<size_t>(index.row()), static_cast<size_t>(index.column()));
  return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
}

QVariant QuerySetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return static_cast<qlonglong>(firstRow_ + section + 1);
  if (section < 0 || static_cast<size_t>(section) >= names_.size()) return {};
  return QString::fromStdString(names_[static_cast<size_t>(section)]);
}

}  // namespace quarry::gui
