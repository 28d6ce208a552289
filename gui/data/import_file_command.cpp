#include "gui/data/import_file_command.h"

#include <QFileInfo>

#include "core/data/csv_file.h"
#include "core/data/data_file.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "gui/app/workbench.h"
#include "gui/data/csv_columns_dialog.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

// How the file's rows are read: as a data text file (its two header lines give the columns) or
// as a CSV file with the columns the user confirmed.
struct ImportPlan {
  bool csv = false;
  DataFileHeader columns;
};

// nullopt when the user cancels or the file cannot be imported (the user has been told).
std::optional<ImportPlan> AskColumns(QWidget* window, const QString& path) {
  Prompts& prompts = CurrentPrompts();
  const std::string file = path.toStdString();
  if (!IsCsvFileName(file)) {
    auto header = ReadDataFileHeader(file);
    if (!header) {
      const bool structure = header.status().message() == kImportBadStructure;
      prompts.Message(window, QMessageBox::Warning,
                      QString::fromStdString(header.status().message()),
                      structure ? kImportCsvHint : QString());
      return std::nullopt;
    }
    return ImportPlan{};  // the import reads the header again
  }
  std::vector<std::vector<std::string>> examples;
  auto guess = GuessCsvColumns(file, kCsvGuessRows, &examples);
  if (!guess) {
    prompts.Message(window, QMessageBox::Warning, QString::fromStdString(guess.status().message()));
    return std::nullopt;
  }
  CsvColumnsDialog confirm(path, *guess, examples, window);
  if (confirm.exec() != QDialog::Accepted) return std::nullopt;
  return ImportPlan{true, confirm.Columns()};
}

}  // namespace

void ImportFileCommand(Workbench& workbench) {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().OpenFileName(
      workbench.Window(), "Import File", QString::fromStdString(WorkingFolder().string()),
      kImportFileFilter);
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
  // The import writes through a connection of its own, but to the open database: it counts as
  // one of its users, so that the database is not closed or switched under it.
  JobRunner& runner = workbench.Runner("Import File");
  if (runner.IsRunning()) {
    prompts.Message(window, QMessageBox::Information, kChildIsRunning);
    return;
  }
  const std::optional<ImportPlan> plan = AskColumns(window, path);
  if (!plan) return;
  const std::optional<QString> name = prompts.TableName(window, QFileInfo(path).completeBaseName());
  if (!name) return;
  JobSpec job;
  job.lockWholeJob = false;
  job.work = [connect, file = path.toStdString(), table = name->toStdString(),
              plan = *plan](Progress& progress) -> Status {
    auto result = plan.csv ? ImportCsvFile(connect, file, table, plan.columns, progress)
                           : ImportDataFile(connect, file, table, progress);
    if (!result) return result.status();
    return Status(StatusCode::kOk, ImportSummary(*result, table));
  };
  if (runner.Start(std::move(job)) == JobRunner::StartResult::kLatched) {
    prompts.Message(window, QMessageBox::Information, kMethodInWorkingStatus);
  }
}

}  // namespace quarry::gui
