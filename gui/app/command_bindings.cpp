#include "gui/app/command_bindings.h"

#include "gui/app/about_dialog.h"
#include "gui/app/command_table.h"
#include "gui/app/database_commands.h"
#include "gui/app/main_window.h"
#include "gui/app/workbench.h"
#include "gui/data/export_file_dialog.h"
#include "gui/data/import_file_command.h"

namespace quarry::gui {

void BindCommands(CommandMap& map, MainWindow& window) {
  Workbench& bench = window.Bench();
  map.Bind(kCmdOpenDatabase, [&bench] { OpenDatabaseCommand(bench); });
  map.Bind(kCmdImportFile, [&bench] { ImportFileCommand(bench); });
  map.Bind(kCmdExportFile, [&bench] {
    ExportFileDialog& dialog = bench.Dialog<ExportFileDialog>();
    dialog.Prepare();
    dialog.exec();
  });
  map.Bind(kCmdCloseDatabase, [&bench] { CloseDatabaseCommand(bench); });
  map.Bind(kCmdExit, [&window] { window.close(); });
  map.Bind(kCmdTextualView, [&window] { window.ChooseTextualView(); });
  map.Bind(kCmdAbout, [&window] {
    AboutDialog about(&window);
    about.exec();
  });
}

}  // namespace quarry::gui
