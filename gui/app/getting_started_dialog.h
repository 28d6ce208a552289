#pragma once
// Help > Getting Started: a short page on the usual way through the workbench, from opening or
// importing data to reading a method's result and applying its model.

#include <QDialog>

class QTextBrowser;

namespace quarry::gui {

class GettingStartedDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GettingStartedDialog(QWidget* parent = nullptr);
  // The page as plain text.
  QString Text() const;

 private:
  QTextBrowser* page_;
};

}  // namespace quarry::gui
