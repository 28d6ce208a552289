#include "gui/app/workbench.h"

namespace quarry::gui {

Workbench::Workbench(DataSource& source, JobCenter& jobs, QWidget* window)
    : source_(source), jobs_(jobs), window_(window) {}

Workbench::~Workbench() = default;

JobRunner& Workbench::Runner(const QString& method, bool usesSource) {
  std::unique_ptr<JobRunner>& runner = runners_[method];
  if (!runner) runner = std::make_unique<JobRunner>(method, jobs_, usesSource ? &source_ : nullptr);
  return *runner;
}

}  // namespace quarry::gui
