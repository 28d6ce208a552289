#pragma once
// File > Import File: a data text file or a CSV file becomes a new table.

#include <QString>

namespace quarry::gui {

class Workbench;

inline constexpr const char* kImportFileFilter =
    "Data text and CSV files (*.txt *.csv);;Data text files (*.txt);;CSV files (*.csv);;"
    "All files (*)";
// Beside the message of a file whose second line is no types line.
inline constexpr const char* kImportCsvHint =
    "A data text file has a line of column names, then a line of types (real or string). A plain "
    "CSV file (a line of names, then the values) is imported when its name ends in .csv.";

// Asks for the file (in the working folder first). A data text file: checks its two header
// lines. A CSV file (its name ends in .csv): shows each column's guessed type to confirm or
// change. Then asks the new table's name (the file's name without its extension unless changed)
// and imports the rows on a worker over a connection of its own; the completion box says how
// many rows came in and which lines did not import as they stand.
void ImportFileCommand(Workbench& workbench);

// The same from the point where the file is chosen.
void ImportFile(Workbench& workbench, const QString& path);

}  // namespace quarry::gui
