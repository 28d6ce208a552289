#pragma once
// The assistant's balloon: a small frameless window beside the pointer that shows what the
// assistant says, speech tags stripped, and speaks it when a voice is installed.

#include <QFrame>
#include <QStringList>
#include <string>
#include <vector>

class QLabel;
class QTextToSpeech;

namespace quarry::gui {

class AssistantBalloon : public QFrame {
  Q_OBJECT

 public:
  explicit AssistantBalloon(QWidget* owner);

  // Shows `texts` in order near `globalPos` (tagged texts: tags are stripped for the eye and
  // the voice). `note` is a smaller line below them that is shown, not spoken.
  void Say(const QPoint& globalPos, const std::vector<std::string>& texts,
           const QString& note = QString());
  // Shows that the assistant is working on an answer.
  void ShowSearching(const QPoint& globalPos);

  // The texts on show, one per spoken text.
  const QStringList& Shown() const { return shown_; }
  QString Note() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ShowAt(const QPoint& globalPos);
  void Speak(const QString& text);

  QLabel* text_;
  QLabel* note_;
  QStringList shown_;
  QTextToSpeech* voice_ = nullptr;
  bool voiceChecked_ = false;
};

}  // namespace quarry::gui
