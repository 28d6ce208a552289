#include "gui/advisor/assistant_balloon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/advisor/advice_speech.h"

#ifdef QUARRY_HAVE_SPEECH
#include <QTextToSpeech>
#endif

namespace quarry::gui {

AssistantBalloon::AssistantBalloon(QWidget* owner)
    : QFrame(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
  setObjectName("AssistantBalloon");
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setStyleSheet(
      "#AssistantBalloon { background: #fffbe0; border: 1px solid #8a7a30; border-radius: 6px; }");
  text_ = new QLabel(this);
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  note_ = new QLabel(this);
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);
  note_->setStyleSheet("color: #6b6b6b; font-size: small;");
  search_ = new QWidget(this);
  step_ = new QLabel(search_);
  step_->setStyleSheet(note_->styleSheet());
  bar_ = new QProgressBar(search_);
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(12);
  bar_->setMinimumWidth(160);
  stop_ = new QPushButton("Stop", search_);
  stop_->setObjectName("stopAdvice");
  stop_->setAutoDefault(false);
  connect(stop_, &QPushButton::clicked, this, [this] {
    stop_->setEnabled(false);  // one request is enough; the answer comes when the work ends
    emit StopClicked();
  });
  auto* progress = new QVBoxLayout();
  progress->addWidget(step_);
  progress->addWidget(bar_);
  auto* searchLayout = new QHBoxLayout(search_);
  searchLayout->setContentsMargins(0, 4, 0, 0);
  searchLayout->addLayout(progress, 1);
  searchLayout->addWidget(stop_);
  search_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->addWidget(text_);
  layout->addWidget(note_);
  layout->addWidget(search_);
  setMaximumWidth(440);
}

void AssistantBalloon::Say(const QPoint& globalPos, const std::vector<std::string>& texts,
                           const QString& note) {
  shown_.clear();
  for (const std::string& text : texts) shown_ << QString::fromStdString(DisplaySpeech(text));
  text_->setText(shown_.join("\n\n"));
  note_->setText(note);
  note_->setVisible(!note.isEmpty());
  search_->hide();
  ShowAt(globalPos);
  Speak(shown_.join(" "));
}

void AssistantBalloon::ShowSearching(const QPoint& globalPos) {
  shown_.clear();
  text_->setText("Searching...");
  note_->hide();
  if (!search_->isVisibleTo(this)) {
    step_->clear();
    bar_->setRange(0, 0);  // moving bar until the first step is known
    stop_->setEnabled(true);
    search_->show();
  }
  ShowAt(globalPos);
}

void AssistantBalloon::ShowStep(const std::string& what, long done, long total) {
  if (!Searching() || what.empty()) return;
  QString text = QString("%1 %2").arg(QString::fromStdString(what)).arg(done);
  if (total >= 0) text += QString(" of %1").arg(total);
  step_->setText(text);
  if (total > 0) {
    bar_->setRange(0, 1000);
    bar_->setValue(static_cast<int>(1000.0 * static_cast<double>(std::min(done, total)) /
                                    static_cast<double>(total)));
  }
}

bool AssistantBalloon::Searching() const { return search_->isVisibleTo(this); }

QString AssistantBalloon::Step() const { return Searching() ? step_->text() : QString(); }

QString AssistantBalloon::Note() const { return note_->isVisible() ? note_->text() : QString(); }

void AssistantBalloon::mousePressEvent(QMouseEvent*) { hide(); }

void AssistantBalloon::ShowAt(const QPoint& globalPos) {
  adjustSize();
  QPoint at = globalPos + QPoint(16, 16);
  if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
    const QRect area = screen->availableGeometry();
    at.setX(std::min(at.x(), area.right() - width()));
    at.setY(std::min(at.y(), area.bottom() - height()));
    at.setX(std::max(at.x(), area.left()));
    at.setY(std::max(at.y(), area.top()));
  }
  move(at);
  show();
  raise();
}

void AssistantBalloon::Speak(const QString& text) {
#ifdef QUARRY_HAVE_SPEECH
  // Without an installed voice the balloon alone speaks.
  if (!voiceChecked_) {
    voiceChecked_ = true;
    if (!QTextToSpeech::availableEngines().isEmpty()) voice_ = new QTextToSpeech(this);
  }
  if (voice_ && voice_->state() != QTextToSpeech::Error) {
    voice_->stop();
    voice_->say(text);
  }
#else
  (void)text;
  (void)voiceChecked_;
#endif
}

}  // namespace quarry::gui
