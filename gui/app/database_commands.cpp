#include "gui/app/database_commands.h"

#include "core/data/data_source.h"
#include "core/data/database_switch.h"
#include "gui/app/open_database_dialog.h"
#include "gui/app/workbench.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

void OpenDatabaseCommand(Workbench& workbench) {
  Prompts& prompts = CurrentPrompts();
  QWidget* window = workbench.Window();
  if (workbench.Source().Users().load() > 0) {
    prompts.Message(window, QMessageBox::Warning, kDatabaseInUse);
    return;
  }
  OpenDatabaseDialog& dialog = workbench.Dialog<OpenDatabaseDialog>();
  dialog.Prepare();
  if (dialog.exec() != QDialog::Accepted || dialog.ConnectString().isEmpty()) {
    prompts.Message(window, QMessageBox::Critical, kSelectValidDataSource);
    return;
  }
  std::string reason;
  const Status status =
      SwitchDatabase(workbench.Source(), dialog.ConnectString().toStdString(), &reason);
  if (!status.ok()) {
    const bool busy = status.code() == StatusCode::kBusy;
    prompts.Message(window, busy ? QMessageBox::Warning : QMessageBox::Critical,
                    QString::fromStdString(status.message()), QString::fromStdString(reason));
    return;
  }
  emit workbench.DatabaseChanged();
}

void CloseDatabaseCommand(Workbench& workbench) {
  if (workbench.Source().Users().load() > 0) {
    CurrentPrompts().Message(workbench.Window(), QMessageBox::Warning, kCloseWhileUsed);
    return;
  }
  workbench.Source().Close();
  emit workbench.DatabaseChanged();
}

}  // namespace quarry::gui
