#pragma once
// The assistant's balloon: a small frameless window beside the pointer that shows what the
// assistant says, speech tags stripped, and speaks it when a voice is installed. While the
// assistant searches for an answer it shows how far the search is, with a button to stop it.

#include <QFrame>
#include <QStringList>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
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
  // Shows that the assistant is working on an answer, with its Stop button.
  void ShowSearching(const QPoint& globalPos);
  // While searching: the step the work reported last (`done` of `total`, total unknown when
  // negative); an empty `what` until the work has reported one.
  void ShowStep(const std::string& what, long done, long total);
  bool Searching() const;
  // The step as shown, empty when none is.
  QString Step() const;

  // The texts on show, one per spoken text.
  const QStringList& Shown() const { return shown_; }
  QString Note() const;

 signals:
  // The user asked the search to stop.
  void StopClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ShowAt(const QPoint& globalPos);
  void Speak(const QString& text);

  QLabel* text_;
  QLabel* note_;
  QWidget* search_;  // the step, its bar and the Stop button, shown while searching
  QLabel* step_;
  QProgressBar* bar_;
  QPushButton* stop_;
  QStringList shown_;
  QTextToSpeech* voice_ = nullptr;
  bool voiceChecked_ = false;
};

}  // namespace quarry::gui
