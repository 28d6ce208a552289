#pragma once
// What each menu command opens. Every command has its one line in BindCommands; a dialog that
// comes later replaces the "not available yet" answer by adding its line there.

namespace quarry::gui {

class CommandMap;
class MainWindow;

void BindCommands(CommandMap& map, MainWindow& window);

}  // namespace quarry::gui
