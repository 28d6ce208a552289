#pragma once
// The splash shown at start: it closes by itself after ten seconds, or at once on a key press
// or a click.

#include <QDialog>

namespace quarry::gui {

inline constexpr int kSplashMilliseconds = 10000;

class SplashDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SplashDialog(QWidget* parent = nullptr, int milliseconds = kSplashMilliseconds);
  int exec() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  int milliseconds_;
  int timerId_ = 0;
};

}  // namespace quarry::gui
