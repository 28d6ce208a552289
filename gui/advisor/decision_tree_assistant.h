#pragma once
// The assistant of the decision-tree dialog. Context help on a control (F1, or the dialog's
// "What's This" button and a click) shows the balloon near the pointer with that control's
// explanation; help on the table list advises pruning methods for the selected table, computed
// by the pruning adviser on the GUI thread.
//
// The dialog adds it with one line, after building its controls:
//   new DecisionTreeAssistant(this, tableList, workbench.Source());
// A control is known by its caption, a field by the caption of the label whose buddy it is, or
// by an "assistantTopic" property set on it (the m-values field: "MValues").

#include <QObject>
#include <QPoint>
#include <filesystem>

class QAbstractItemView;
class QDialog;
class QWidget;

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class AssistantBalloon;

class DecisionTreeAssistant : public QObject {
  Q_OBJECT

 public:
  DecisionTreeAssistant(QDialog* dialog, QAbstractItemView* tableList, DataSource& source);

  // Answers a help request on `control` at the pointer position `globalPos`.
  void Help(QWidget* control, const QPoint& globalPos);

  AssistantBalloon& Balloon() { return *balloon_; }
  // Where counsel is; empty for the program beside the workbench.
  std::filesystem::path counselPath;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Advise(const QPoint& globalPos);
  std::string CaptionOf(QWidget* control) const;
  QString SelectedTable() const;
  bool Inside(QWidget* widget) const;

  QDialog* dialog_;
  QAbstractItemView* tableList_;
  DataSource& source_;
  AssistantBalloon* balloon_;
};

}  // namespace quarry::gui
