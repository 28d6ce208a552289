#pragma once
// File > Open DataBase and File > Close DataBase.

namespace quarry::gui {

class Workbench;

// Refused while a job uses the data source; otherwise asks for a data source and opens it in
// place of the open one, which stays open when the new one cannot be opened.
void OpenDatabaseCommand(Workbench& workbench);

// Closes the database, unless a job is using it: pulling the connection from under a running
// job would make it fail half way.
void CloseDatabaseCommand(Workbench& workbench);

inline constexpr const char* kCloseWhileUsed = "you can't close a database while one is used";

}  // namespace quarry::gui
