#pragma once
// "Selecting field": the second column of a correlation.

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace quarry::gui {

class SelectingFieldDialog : public QDialog {
  Q_OBJECT

 public:
  SelectingFieldDialog(const QStringList& fields, QWidget* parent = nullptr);

  // The chosen field; empty when none is chosen.
  QString Field() const;

 private:
  QListWidget* fields_;
};

}  // namespace quarry::gui
