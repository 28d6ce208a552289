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

#include "core/advisor/advice_speech.h"
#include "core/advisor/pruning_advisor.h"
#include "core/data/data_source.h"
#include "core/data/work_tables.h"
#include "gui/advisor/assistant_balloon.h"
#include "gui/advisor/dtree_help_texts.h"

namespace quarry::gui {

DecisionTreeAssistant::DecisionTreeAssistant(QDialog* dialog, QAbstractItemView* tableList,
                                             DataSource& source)
    : QObject(dialog),
      dialog_(dialog),
      tableList_(tableList),
      source_(source),
      balloon_(new AssistantBalloon(dialog)) {
  dialog_->setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  // The application sees every event first, so help reaches the assistant whichever control
  // has the focus or lies under the pointer.
  qApp->installEventFilter(this);
}

bool DecisionTreeAssistant::Inside(QWidget* widget) const {
  return widget && widget != balloon_ && (widget == dialog_ || dialog_->isAncestorOf(widget));
}

bool DecisionTreeAssistant::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
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
  const QString table = SelectedTable();
  if (table.isEmpty()) {
    balloon_->Say(globalPos, NoTableSpeech());
    return;
  }
  TryExclusiveUse lock(source_);
  if (!lock.Owns()) {
    balloon_->Say(globalPos, {}, "System busy, try again later");
    return;
  }
  balloon_->ShowSearching(globalPos);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  PruningAdvisor advisor(source_, table.toStdString());
  advisor.counselPath = counselPath;
  RunPruningAdvisor(advisor);
  QApplication::restoreOverrideCursor();
  // Why there is no advice, and the tables of a stopped run that were dropped, are shown below
  // the spoken texts, which stay as they are.
  std::string note = advisor.Failure().message();
  if (const std::string dropped = LeftoversText(advisor.LeftoversDropped()); !dropped.empty())
    note += (note.empty() ? "" : "\n") + dropped;
  balloon_->Say(globalPos, AdviceSpeech(advisor), QString::fromStdString(note));
}

}  // namespace quarry::gui
