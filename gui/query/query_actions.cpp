#include "gui/query/query_actions.h"

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/query/materialize.h"
#include "core/query/query_execution.h"
#include "core/query/table_view.h"
#include "gui/app/workbench.h"
#include "gui/query/query_set_dialog.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

// "Error in SQL Statement: <the database's reason>" shows the message with the reason below it.
void ShowFailure(QWidget* parent, const Status& status) {
  const std::string& message = status.message();
  const std::string prefix = std::string(kErrorInSqlStatement) + ": ";
  if (StartsWith(message, prefix)) {
    CurrentPrompts().Message(parent, QMessageBox::Warning, kErrorInSqlStatement,
                             QString::fromStdString(message.substr(prefix.size())));
  } else {
    CurrentPrompts().Message(parent, QMessageBox::Warning, QString::fromStdString(message));
  }
}

void ShowStoreFailure(QWidget* parent, const Status& stored) {
  if (stored.ok()) return;
  CurrentPrompts().Message(parent, QMessageBox::Warning,
                           "The statement could not be stored for Existing Query.",
                           QString::fromStdString(stored.message()));
}

bool ReadyToRun(DataSource& source, QWidget* parent) {
  if (!source.IsOpen()) {
    CurrentPrompts().Message(parent, QMessageBox::Warning, kOpenDatabaseFirst);
    return false;
  }
  return true;
}

}  // namespace

void ExecuteStatement(Workbench& workbench, QWidget* parent, const QString& sql) {
  DataSource& source = workbench.Source();
  if (!ReadyToRun(source, parent)) return;
  // A job holding the data source is answered at once rather than with a frozen window.
  Expected<ExecutedQuery> executed = [&]() -> Expected<ExecutedQuery> {
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) return Busy(kSystemBusy);
    return ExecuteQuery(source, sql.toStdString());
  }();
  if (!executed) {
    ShowFailure(parent, executed.status());
    return;
  }
  ShowQuerySet(parent, source);
  // The scratch table goes whatever the viewer did; a job that took the data source meanwhile
  // is waited for rather than leaving the table behind.
  ExclusiveUse exclusive(source);
  if (Status dropped = CloseExecutedQuery(source, *executed); !dropped.ok()) {
    CurrentPrompts().Message(parent, QMessageBox::Warning,
                             QString("The scratch table %1 could not be dropped.")
                                 .arg(QString::fromStdString(executed->table)),
                             QString::fromStdString(dropped.message()));
  }
  ShowStoreFailure(parent, executed->stored);
}

void MaterializeStatement(Workbench& workbench, QWidget* parent, const QString& sql) {
  DataSource& source = workbench.Source();
  if (!ReadyToRun(source, parent)) return;
  const std::optional<QString> name = CurrentPrompts().TableName(parent);
  if (!name) return;
  Expected<MaterializedQuery> made = [&]() -> Expected<MaterializedQuery> {
    TryExclusiveUse exclusive(source);
    if (!exclusive.Owns()) return Busy(kSystemBusy);
    return MaterializeQuery(
        source, sql.toStdString(), name->toStdString(), [parent](const std::string& question) {
          return CurrentPrompts().AskYesNo(parent, QString::fromStdString(question));
        });
  }();
  if (!made) {
    if (made.status().code() != StatusCode::kCancelled) ShowFailure(parent, made.status());
    return;
  }
  ShowQuerySet(parent, source);
  ShowStoreFailure(parent, made->stored);
}

}  // namespace quarry::gui
