#include "gui/advisor/decision_tree_assistant.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "core/advisor/advice_speech.h"
#include "core/data/data_source.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/dtree_help_texts.h"
#include "gui/app/job_runner.h"

namespace quarry::gui {

DecisionTreeAssistant::DecisionTreeAssistant(QDialog* dialog, QAbstractItemView* tableList,
                                             DataSource& source, JobRunner& runner)
    : QObject(dialog),
      dialog_(dialog),
      tableList_(tableList),
      source_(source),
      runner_(runner),
      balloon_(new AssistantBalloon(dialog)),
      steps_(new QTimer(this)) {
  dialog_->setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  connect(&runner_, &JobRunner::Finished, this, &DecisionTreeAssistant::AdviceEnded);
  connect(balloon_, &AssistantBalloon::StopClicked, this, &DecisionTreeAssistant::StopAdvice);
  connect(steps_, &QTimer::timeout, this, [this] {
    const JobProgress::Snapshot step = runner_.LastStep();
    balloon_->ShowStep(step.what, step.done, step.total);
  });
  // The application sees every event first, so help reaches the assistant whichever control
  // has the focus or lies under the pointer.
  qApp->installEventFilter(this);
}

// The advice is for this dialog alone: closed or gone, it has no one to tell.
DecisionTreeAssistant::~DecisionTreeAssistant() { StopAdvice(); }

void DecisionTreeAssistant::StopAdvice() {
  if (pending_) runner_.Stop();
}

bool DecisionTreeAssistant::Inside(QWidget* widget) const {
  return widget && widget != balloon_ && (widget == dialog_ || dialog_->isAncestorOf(widget));
}

bool DecisionTreeAssistant::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // Closed by the user or the program, not minimised by the window system.
  if (watched == dialog_ && type == QEvent::Hide && !event->spontaneous()) StopAdvice();
  if (type != QEvent::WhatsThis && type != QEvent::QueryWhatsThis && type != QEvent::KeyPress) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!Inside(widget)) return false;
  switch (type) {
    case QEvent::QueryWhatsThis:
      event->accept();  // every control has something to say, if only "No comment...."
      return true;
    case QEvent::WhatsThis:
      Help(widget, static_cast<QHelpEvent*>(event)->globalPos());
      return true;
    default: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
      Help(widget, QCursor::pos());
      return true;
    }
  }
}

void DecisionTreeAssistant::Help(QWidget* control, const QPoint& globalPos) {
  for (QWidget* w = control; w && w != dialog_; w = w->parentWidget()) {
    if (w == tableList_) {
      Advise(globalPos);
      return;
    }
  }
  balloon_->Say(globalPos, DecisionTreeHelpTexts(CaptionOf(control)));
}

std::string DecisionTreeAssistant::CaptionOf(QWidget* control) const {
  // The control itself, then what names it: a label whose buddy it is, then its parents (the
  // editor inside a spin box or combo box).
  for (QWidget* w = control; w && w != dialog_; w = w->parentWidget()) {
    const QVariant topic = w->property("assistantTopic");
    if (topic.isValid()) return topic.toString().toStdString();
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(w)) caption = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) caption = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) caption = group->title();
    if (!caption.isEmpty()) return caption.toStdString();
    for (QLabel* label : dialog_->findChildren<QLabel*>()) {
      if (label->buddy() == w) return label->text().toStdString();
    }
  }
  return std::string();
}

QString DecisionTreeAssistant::SelectedTable() const {
  const QModelIndexList selected = tableList_->selectionModel()
                                       ? tableList_->selectionModel()->selectedIndexes()
                                       : QModelIndexList();
  return selected.isEmpty() ? QString() : selected.first().data().toString();
}

void DecisionTreeAssistant::Advise(const QPoint& globalPos) {
  if (pending_) {  // asked again while searching: the search goes on
    pending_->at = globalPos;
    balloon_->ShowSearching(globalPos);
    return;
  }
  const QString table = SelectedTable();
  if (table.isEmpty()) {
    balloon_->Say(globalPos, NoTableSpeech());
    return;
  }
  // Another job holds the database: the advice would only wait behind it.
  if (TryExclusiveUse lock(source_); !lock.Owns() || runner_.IsRunning()) {
    balloon_->Say(globalPos, {}, "System busy, try again later");
    return;
  }
  auto advice = std::make_shared<SpokenAdvice>();
  JobSpec job;
  job.work = [advice, &source = source_, table = table.toStdString(),
              counsel = counselPath](Progress& progress) {
    *advice = SpeakAdvice(source, table, counsel, progress);
    return advice->status;
  };
  job.completionBox = false;  // the balloon shows the outcome
  if (runner_.Start(std::move(job)) != JobRunner::StartResult::kStarted) {
    balloon_->Say(globalPos, {}, "System busy, try again later");
    return;
  }
  pending_ = std::make_unique<Pending>(Pending{advice, globalPos});
  balloon_->ShowSearching(globalPos);
  steps_->start(250);
}

void DecisionTreeAssistant::AdviceEnded() {
  if (!pending_) return;
  const std::unique_ptr<Pending> ended = std::move(pending_);
  steps_->stop();
  if (!dialog_->isVisible()) {
    balloon_->hide();
    return;
  }
  balloon_->Say(ended->at, ended->advice->speech, QString::fromStdString(ended->advice->note));
}

}  // namespace quarry::gui
