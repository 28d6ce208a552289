#pragma once
// The assistant of the decision-tree dialog. Context help on a control (F1, or the dialog's
// "What's This" button and a click) shows the balloon near the pointer with that control's
// explanation; help on the table list advises pruning methods for the selected table. The
// pruning adviser runs as a job of the workbench's (kPruningAdviceJob): the balloon says
// "Searching..." with the job's last step and a Stop button while the dialog stays usable, and
// shows the advice when the job ends. Closing the dialog stops the job.
//
// The dialog adds it with one line, after building its controls:
//   new DecisionTreeAssistant(this, tableList, workbench.Source(),
//                             workbench.Runner(kPruningAdviceJob));
// A control is known by its caption, a field by the caption of the label whose buddy it is, or
// by an "assistantTopic" property set on it (the m-values field: "MValues").

#include <QObject>
#include <QPoint>
#include <filesystem>
#include <memory>

class QAbstractItemView;
class QDialog;
class QTimer;
class QWidget;

namespace quarry {
class DataSource;
struct SpokenAdvice;
}  // namespace quarry

namespace quarry::gui {

class AssistantBalloon;
class JobRunner;

inline constexpr const char* kPruningAdviceJob = "Pruning Advice";

class DecisionTreeAssistant : public QObject {
  Q_OBJECT

 public:
  // `runner` runs the advice; it and `source` outlive the dialog.
  DecisionTreeAssistant(QDialog* dialog, QAbstractItemView* tableList, DataSource& source,
                        JobRunner& runner);
  ~DecisionTreeAssistant() override;

  // Answers a help request on `control` at the pointer position `globalPos`.
  void Help(QWidget* control, const QPoint& globalPos);

  AssistantBalloon& Balloon() { return *balloon_; }
  // Where counsel is; empty for the program beside the workbench.
  std::filesystem::path counselPath;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What the advice job leaves for the assistant; the worker fills it before its end.
  struct Pending {
    std::shared_ptr<SpokenAdvice> advice;
    QPoint at;
  };

  void Advise(const QPoint& globalPos);
  void AdviceEnded();
  void StopAdvice();
  std::string CaptionOf(QWidget* control) const;
  QString SelectedTable() const;
  bool Inside(QWidget* widget) const;

  QDialog* dialog_;
  QAbstractItemView* tableList_;
  DataSource& source_;
  JobRunner& runner_;
  AssistantBalloon* balloon_;
  QTimer* steps_;  // shows the job's last step in the balloon while it runs
  std::unique_ptr<Pending> pending_;
};

}  // namespace quarry::gui
