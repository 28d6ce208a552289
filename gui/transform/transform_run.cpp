#include "gui/transform/transform_run.h"

#include <QLabel>

#include "core/data/data_source.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

QLabel* NewStatusLine(QWidget* parent) {
  auto* status = new QLabel(parent);
  status->setObjectName("status");
  status->setFrameShape(QFrame::StyledPanel);
  status->setMinimumHeight(24);
  return status;
}

NameQuestion AskAttributeName(QWidget* parent) {
  return [parent] {
    const std::optional<QString> name = CurrentPrompts().AttributeName(parent);
    return name ? name->toStdString() : std::string();
  };
}

NameQuestion AskTableName(QWidget* parent) {
  return [parent] {
    const std::optional<QString> name = CurrentPrompts().TableName(parent);
    return name ? name->toStdString() : std::string();
  };
}

Status RunTransform(QWidget* parent, DataSource& source, QLabel* status,
                    const std::function<Status(DataSource&)>& work) {
  TryExclusiveUse exclusive(source);
  if (!exclusive.Owns()) {
    status->setText(kSystemBusy);
    return Status(StatusCode::kBusy, kSystemBusy);
  }
  status->setText("Please,wait");
  status->repaint();
  const Status done = work(source);
  status->clear();
  if (!done.ok())
    CurrentPrompts().Message(parent, QMessageBox::Warning, QString::fromStdString(done.message()));
  return done;
}

void RunColumnTransform(QWidget* parent, DataSource& source, QLabel* status,
                        const std::function<Status(DataSource&)>& work) {
  if (RunTransform(parent, source, status, work).ok())
    CurrentPrompts().Message(parent, QMessageBox::Information, kTableIsUpdated);
}

}  // namespace quarry::gui
