#include "gui/data/import_file_command.h"

#include "core/data/data_file.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "gui/app/workbench.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

void ImportFileCommand(Workbench& workbench) {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().OpenFileName(
      workbench.Window(), "Import File", QString::fromStdString(WorkingFolder().string()),
      "Data text files (*.txt)");
  if (path.isEmpty()) return;
  ImportFile(workbench, path);
}

void ImportFile(Workbench& workbench, const QString& path) {
  Prompts& prompts = CurrentPrompts();
  QWidget* window = workbench.Window();
  const std::string connect = workbench.Source().ConnectString();
  if (connect.empty()) {
    prompts.Message(window, QMessageBox::Warning, kImportNoDatabase);
    return;
  }
  auto header = ReadDataFileHeader(path.toStdString());
  if (!header) {
    prompts.Message(window, QMessageBox::Warning,
                    QString::fromStdString(header.status().message()));
    return;
  }
  // The import writes through a connection of its own, but to the open database: it counts as
  // one of its users, so that the database is not closed or switched under it.
  JobRunner& runner = workbench.Runner("Import File");
  if (runner.IsRunning()) {
    prompts.Message(window, QMessageBox::Information, kChildIsRunning);
    return;
  }
  const std::optional<QString> name = prompts.TableName(window);
  if (!name) return;
  JobSpec job;
  job.lockWholeJob = false;
  job.work = [connect, file = path.toStdString(),
              table = name->toStdString()](Progress& progress) -> Status {
    auto result = ImportDataFile(connect, file, table, progress);
    if (!result) return result.status();
    const std::string text = ImportSummary(*result, table);
    return Status(StatusCode::kOk, text);
  };
  if (runner.Start(std::move(job)) == JobRunner::StartResult::kLatched) {
    prompts.Message(window, QMessageBox::Information, kMethodInWorkingStatus);
  }
}

}  // namespace quarry::gui
