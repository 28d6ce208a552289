#pragma once
// "Import CSV File": the columns of a CSV file with the type guessed for each from its values
// and the first few of them, to confirm or change (a type, a name) before the import.

#include <QDialog>
#include <string>
#include <vector>

#include "core/data/import_rows.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace quarry::gui {

class CsvColumnsDialog : public QDialog {
  Q_OBJECT

 public:
  // `examples` holds each column's first values, as GuessCsvColumns gives them.
  CsvColumnsDialog(const QString& file, const DataFileHeader& guess,
                   const std::vector<std::vector<std::string>>& examples,
                   QWidget* parent = nullptr);

  // The columns as the user left them: names without surrounding blanks, "real" or "string".
  DataFileHeader Columns() const;
  void SetType(int column, const QString& type);
  void SetName(int column, const QString& name);
  // Why OK is refused (an empty or repeated name); empty when it is not.
  QString Problem() const;

 private:
  void Check();

  QTableWidget* table_;
  QLabel* problem_;
  QPushButton* ok_;
};

}  // namespace quarry::gui
