#pragma once
// The workbench's main window: the menu of every command, the toolbar, the status bar with its
// four indicators, the database panel beside the textual view (the document area), and for its
// whole life the one data source, the job center and one instance of every dialog.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>

#include "core/data/data_source.h"
#include "core/shell/scratch_copy.h"
#include "gui/app/command_map.h"
#include "gui/app/recent_files.h"

class QAction;
class QLabel;
class QMenu;

namespace quarry::gui {

class DatabasePanel;
class JobCenter;
class JobStatusIndicator;
class TextualView;
class Workbench;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  Workbench& Bench() { return *workbench_; }
  DataSource& Source() { return source_; }
  JobCenter& Jobs() { return *jobs_; }
  CommandMap& Commands() { return commands_; }
  TextualView& View() { return *view_; }
  DatabasePanel& Panel() { return *panel_; }
  RecentFiles& Recent() { return recent_; }

  // The menu action of a command (nullptr for an unknown id).
  QAction* CommandAction(int id) const;

  // Opens the connect string or SQLite file given on the command line, else the sample
  // database, so that a new user sees tables at once. Says why when it cannot.
  void OpenStartDatabase(const QString& database);
  // Shows a text file in the textual view and puts it on the recent-file list.
  bool OpenDocument(const QString& path);
  void CloseDocument();
  // View > Textual View: asks for a tree or rules file and shows it.
  void ChooseTextualView();
  // Centres the window on its screen.
  void CenterOnScreen();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void RefreshRecentFiles();
  void RefreshDatabaseState();
  // Ctrl+C: copies the selection, or the textual view's text; else asks, then closes the database.
  void CopyOrAskToClose();

  DataSource source_;
  JobCenter* jobs_;
  std::unique_ptr<Workbench> workbench_;
  CommandMap commands_;
  RecentFiles recent_;
  std::map<int, QAction*> actions_;
  QMenu* fileMenu_ = nullptr;
  QAction* recentSeparator_ = nullptr;
  QList<QAction*> recentActions_;
  TextualView* view_;
  DatabasePanel* panel_;
  QElapsedTimer panelRefreshed_;
  ScratchCopy document_;
  QString documentName_;
  QLabel* databaseIndicator_ = nullptr;
  QLabel* folderIndicator_ = nullptr;
  JobStatusIndicator* jobIndicator_ = nullptr;
};

}  // namespace quarry::gui
