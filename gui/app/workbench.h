#pragma once
// What the main window shares with every dialog and command: the one data source, the job
// center, the window itself, and one instance of each dialog for the whole session, so that the
// values typed into a dialog are still there the next time its command opens it.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>

#include "gui/app/job_runner.h"

namespace quarry {
class DataSource;
}

namespace quarry::gui {

class JobCenter;

class Workbench : public QObject {
  Q_OBJECT

 public:
  Workbench(DataSource& source, JobCenter& jobs, QWidget* window);
  ~Workbench() override;
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  DataSource& Source() const { return source_; }
  JobCenter& Jobs() const { return jobs_; }
  QWidget* Window() const { return window_; }

  // The session's instance of dialog class D, made on first use as D(Workbench&, QWidget*).
  template <class D>
  D& Dialog() {
    QPointer<QDialog>& slot = dialogs_[std::type_index(typeid(D))];
    if (!slot) slot = new D(*this, window_);
    return static_cast<D&>(*slot);
  }

  // The job runner of a command that has no dialog of its own (Import File, Export File...),
  // one per method for the whole session like a dialog's.
  JobRunner& Runner(const QString& method, bool usesSource = true);

  // Shows a text file in the main window's textual view (set by the main window).
  std::function<void(const QString& path)> showTextFile;

 signals:
  // Another database was opened, or the database was closed.
  void DatabaseChanged();

 private:
  DataSource& source_;
  JobCenter& jobs_;
  QWidget* window_;
  std::map<std::type_index, QPointer<QDialog>> dialogs_;
  std::map<QString, std::unique_ptr<JobRunner>> runners_;
};

}  // namespace quarry::gui
