#pragma once
// What the tree dialogs share besides the table list (gui/ui/table_list.h): their buttons, none
// of which is a default button (Return in a field must not start a job), and the road of a job
// that shows what it is doing in the dialog's progress label.

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "core/jobs/progress.h"

class QLabel;
class QPushButton;
class QWidget;

namespace quarry::gui {

class JobRunner;
struct JobSpec;

QPushButton* DialogButton(const QString& text, const char* name, QWidget* parent);

// Passes a job's progress on to the status bar and shows in `label` the text `shown` gives a step
// (a null QString leaves the label as it is). Runs on the job's threads, which report one at a
// time; the label changes through the GUI thread's queue, in the order the job reports and ahead
// of the job's end, and only when its text changes. The label must outlive the job (a dialog's
// widgets live as long as the session's workers).
class LabelProgress : public Progress {
 public:
  using StepText = std::function<QString(std::string_view what, long done)>;
  LabelProgress(Progress& inner, QLabel* label, StepText shown)
      : inner_(inner), label_(label), shown_(std::move(shown)) {}
  void Update(std::string_view what, long done, long total) override;
  bool Cancelled() const override { return inner_.Cancelled(); }

 private:
  Progress& inner_;
  QLabel* label_;
  StepText shown_;
  QString last_;
};

// Starts `job` on `runner` with `label` saying "Please, wait" until the job's first step shows;
// a latched method says so in the label, a job that does not start leaves it empty. True when
// the job runs.
bool StartLabelledJob(JobRunner& runner, JobSpec job, QLabel* label);

}  // namespace quarry::gui
