#include "gui/app/command_map.h"

#include <exception>

#include "gui/app/command_table.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

void CommandMap::Bind(int id, Handler handler) { handlers_[id] = std::move(handler); }

void CommandMap::Run(int id) const {
  auto it = handlers_.find(id);
  if (it == handlers_.end()) {
    CurrentPrompts().Message(window_, QMessageBox::Information, NotAvailableYetText(id));
    return;
  }
  // The one catch-all of a GUI action: whatever a command throws ends that command, with a
  // message, and never the workbench.
  try {
    it->second();
  } catch (const std::exception& e) {
    CurrentPrompts().Message(window_, QMessageBox::Critical,
                             QString("internal error: ") + e.what());
  }
}

QString NotAvailableYetText(int id) {
  const CommandSpec* command = FindCommand(id);
  const QString name = command ? command->name : QString::number(id);
  return QString("%1 is not available yet in this version of QUARRY.").arg(name);
}

}  // namespace quarry::gui
