#include "gui/advisor/assistant_balloon.h"

#include <QGuiApplication>
#include <QLabel>
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
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->addWidget(text_);
  layout->addWidget(note_);
  setMaximumWidth(440);
}

void AssistantBalloon::Say(const QPoint& globalPos, const std::vector<std::string>& texts,
                           const QString& note) {
  shown_.clear();
  for (const std::string& text : texts) shown_ << QString::fromStdString(DisplaySpeech(text));
  text_->setText(shown_.join("\n\n"));
  note_->setText(note);
  note_->setVisible(!note.isEmpty());
  ShowAt(globalPos);
  Speak(shown_.join(" "));
}

void AssistantBalloon::ShowSearching(const QPoint& globalPos) {
  shown_.clear();
  text_->setText("Searching...");
  note_->hide();
  ShowAt(globalPos);
}

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
