#pragma once
// The status-bar indicator that shows, while any job runs, which jobs run and how far the last
// reported step is, with a button to ask them to stop.

#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;
class QToolButton;

namespace quarry::gui {

class JobCenter;

class JobStatusIndicator : public QWidget {
  Q_OBJECT

 public:
  explicit JobStatusIndicator(JobCenter& center, QWidget* parent = nullptr);

  // Reads the running jobs now (the timer does so every quarter second).
  void Refresh();
  QString Text() const;

 private:
  JobCenter& center_;
  QLabel* label_;
  QProgressBar* bar_;
  QToolButton* stop_;
  QTimer* timer_;
};

}  // namespace quarry::gui
