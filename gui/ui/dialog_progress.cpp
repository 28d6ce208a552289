#include "gui/ui/dialog_progress.h"

#include <QCoreApplication>
#include <limits>

namespace quarry::gui {

DialogProgress::DialogProgress(QWidget* parent, const QString& title, bool cancellable) {
  dialog_ = new QProgressDialog(title, cancellable ? "Cancel" : QString(), 0, 0, parent);
  dialog_->setWindowTitle(title);
  dialog_->setWindowModality(Qt::ApplicationModal);
  // Shown by Update once the work has taken half a second; quick work shows no dialog at all.
  dialog_->setMinimumDuration(std::numeric_limits<int>::max());
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->reset();
  dialog_->hide();
  started_.start();
  sinceEvents_.start();
}

DialogProgress::~DialogProgress() { delete dialog_; }

void DialogProgress::Update(std::string_view what, long done, long total) {
  if (!dialog_) return;
  // Events are handled a few times a second only: more would cost more than the work.
  if (sinceEvents_.elapsed() < 100) return;
  sinceEvents_.restart();
  const long limit = std::numeric_limits<int>::max();
  if (total > 0 && total <= limit) {
    dialog_->setMaximum(static_cast<int>(total));
    dialog_->setValue(static_cast<int>(std::min(done, total)));
  } else {
    dialog_->setMaximum(0);
  }
  if (!dialog_->isVisible() && started_.elapsed() >= 500) dialog_->show();
  dialog_->setLabelText(QString("%1: %2")
                            .arg(QString::fromUtf8(what.data(), static_cast<int>(what.size())))
                            .arg(done));
  QCoreApplication::processEvents();
}

bool DialogProgress::Cancelled() const { return dialog_ && dialog_->wasCanceled(); }

}  // namespace quarry::gui
