#pragma once
// Progress for work done on the GUI thread (reading a table into a viewer, the transformations):
// a progress dialog appears when the work takes more than a moment, and
// events are handled between steps so that the window stays alive.

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include "core/jobs/progress.h"

namespace quarry::gui {

class DialogProgress : public Progress {
 public:
  // Without `cancellable` the dialog has no Cancel button (for work that cannot stop half way).
  DialogProgress(QWidget* parent, const QString& title, bool cancellable = true);
  ~DialogProgress() override;

  void Update(std::string_view what, long done, long total) override;
  bool Cancelled() const override;

 private:
  QPointer<QProgressDialog> dialog_;
  QElapsedTimer started_;
  QElapsedTimer sinceEvents_;
};

}  // namespace quarry::gui
