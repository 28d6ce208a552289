#pragma once
// File > Import File: a data text file of the working folder becomes a new table.

#include <QString>

namespace quarry::gui {

class Workbench;

// Asks for the file, checks its two header lines, asks the new table's name and imports the
// rows on a worker over a connection of its own; the completion box says how many rows came in.
void ImportFileCommand(Workbench& workbench);

// The same from the point where the file is chosen.
void ImportFile(Workbench& workbench, const QString& path);

}  // namespace quarry::gui
