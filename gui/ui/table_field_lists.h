#pragma once
// The "Tables List" and "Fields List" pair that the transformation dialogs start from: the
// tables of the open database and the columns of the chosen one, read without blocking the
// window while a job holds the database.

#include <QObject>
#include <QString>

class QListWidget;
class QWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class TableFieldLists : public QObject {
  Q_OBJECT

 public:
  // `fields` may be null for a dialog that chooses a table only.
  TableFieldLists(DataSource& source, QListWidget* tables, QListWidget* fields,
                  QObject* parent = nullptr);

  // Lists the tables again, keeping the chosen table and field when they are still there. False,
  // with the reason in `why`, when the database is busy or cannot list its tables.
  bool Refresh(QString* why = nullptr);
  // Lists the chosen table's columns again (after a column was added).
  bool RefreshFields(QString* why = nullptr);

  QString Table() const;
  QString Field() const;
  bool SelectTable(const QString& table);
  bool SelectField(const QString& field);

 signals:
  void TableChosen(const QString& table);
  void FieldChosen(const QString& field);
  // The database could not be read when a table was chosen.
  void Busy(const QString& why);

 private:
  DataSource& source_;
  QListWidget* tables_;
  QListWidget* fields_;
};

}  // namespace quarry::gui
