#include "gui/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "core/data/connect_string.h"
#include "core/data/database_switch.h"
#include "core/data/sample_database.h"
#include "core/data/working_folder.h"
#include "gui/app/command_bindings.h"
#include "gui/app/command_table.h"
#include "gui/app/database_panel.h"
#include "gui/app/job_center.h"
#include "gui/app/job_status_indicator.h"
#include "gui/app/textual_view.h"
#include "gui/app/workbench.h"
#include "gui/ui/copy_selection.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      jobs_(new JobCenter(this, this)),
      commands_(this),
      view_(new TextualView(this)) {
  setObjectName("mainWindow");
  workbench_ = std::make_unique<Workbench>(source_, *jobs_, this);
  workbench_->showTextFile = [this](const QString& path) { OpenDocument(path); };
  connect(workbench_.get(), &Workbench::DatabaseChanged, this, &MainWindow::RefreshDatabaseState);
  // The database panel beside the textual view, the document area.
  panel_ = new DatabasePanel(*workbench_, this);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName("mainSplitter");
  split->addWidget(panel_);
  split->addWidget(view_);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({300, 660});
  setCentralWidget(split);
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BindCommands(commands_, *this);
  RefreshRecentFiles();
  RefreshDatabaseState();
  resize(960, 640);
}

MainWindow::~MainWindow() {
  // Workers use the data source and the job center, both of which die with this window; the
  // user agreed to stop them in closeEvent, so they are cancelled and waited for here.
  jobs_->Silence();
  jobs_->CancelAll();
  jobs_->WaitForWorkers(24 * 3600 * 1000);
  panel_->Stop();
  // Dialogs are children of this window; the workbench they refer to must outlive them.
  const QList<QDialog*> dialogs = findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
  qDeleteAll(dialogs);
}

QAction* MainWindow::CommandAction(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::BuildMenus() {
  std::map<QString, QMenu*> menus;
  std::map<QString, QMenu*> submenus;
  for (const CommandSpec& command : MenuCommands()) {
    QMenu*& menu = menus[command.menu];
    if (!menu) menu = menuBar()->addMenu(command.menu);
    QMenu* target = menu;
    if (command.submenu) {
      QMenu*& sub = submenus[QString(command.menu) + "/" + command.submenu];
      if (!sub) sub = menu->addMenu(command.submenu);
      target = sub;
    }
    if (command.id == kCmdExit) {
      fileMenu_ = menu;
      recentSeparator_ = menu->addSeparator();
    }
    // The menus show only keys that work: a command that shares its key with an earlier one
    // does not own the key, and its text loses what follows the tab.
    const QKeySequence key = CommandShortcut(command.id);
    QString text = command.text;
    if (key.isEmpty() && text.contains('\t')) text.truncate(text.indexOf('\t'));
    QAction* action = target->addAction(text);
    action->setObjectName(QString("command_%1").arg(command.id));
    action->setProperty("commandId", command.id);
    action->setShortcut(key);
    action->setIconText(command.name);
    action->setToolTip(command.name);
    action->setStatusTip(command.name);
    const int id = command.id;
    connect(action, &QAction::triggered, this, [this, id] { commands_.Run(id); });
    actions_[id] = action;
    if (command.id == kCmdCloseDatabase) menu->addSeparator();
  }
  // Ctrl+C, the key of Close DataBase, copies first (see eventFilter).
  CommandAction(kCmdCloseDatabase)->installEventFilter(this);
  for (int i = 0; i < kRecentFileCount; ++i) {
    auto* action = new QAction(this);
    action->setObjectName(QString("command_%1").arg(kCmdRecentFile1 + i));
    action->setProperty("commandId", kCmdRecentFile1 + i);
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, i] {
      if (i >= recent_.Files().size()) return;
      const QString path = recent_.Files()[i];
      if (!OpenDocument(path)) {
        recent_.Remove(path);
        RefreshRecentFiles();
      }
    });
    fileMenu_->insertAction(recentSeparator_, action);
    recentActions_ << action;
  }
}

void MainWindow::BuildToolBar() {
  QToolBar* bar = addToolBar("Standard");
  bar->setObjectName("toolBar");
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  bar->setMovable(true);
  struct Tool {
    int id;
    QStyle::StandardPixmap icon;
  };
  const Tool tools[] = {
      {kCmdOpenDatabase, QStyle::SP_DirOpenIcon},
      {kCmdCloseDatabase, QStyle::SP_DialogCloseButton},
      {kCmdImportFile, QStyle::SP_ArrowDown},
      {kCmdExportFile, QStyle::SP_ArrowUp},
      {kCmdEditNewQuery, QStyle::SP_FileDialogDetailedView},
      {kCmdExistingQuery, QStyle::SP_FileDialogListView},
      {kCmdTextualView, QStyle::SP_FileIcon},
      {kCmdGraphicView, QStyle::SP_DirLinkIcon},
      {kCmdRulesView, QStyle::SP_FileDialogContentsView},
      {kCmdAbout, QStyle::SP_MessageBoxQuestion},
  };
  for (const Tool& tool : tools) {
    if (tool.id == kCmdEditNewQuery || tool.id == kCmdTextualView || tool.id == kCmdAbout)
      bar->addSeparator();
    QAction* action = CommandAction(tool.id);
    action->setIcon(style()->standardIcon(tool.icon));
    bar->addAction(action);
  }
}

void MainWindow::BuildStatusBar() {
  statusBar()->setObjectName("statusBar");
  statusBar()->showMessage("Ready");
  databaseIndicator_ = new QLabel(this);
  databaseIndicator_->setObjectName("databaseIndicator");
  jobIndicator_ = new JobStatusIndicator(*jobs_, this);
  folderIndicator_ = new QLabel(this);
  folderIndicator_->setObjectName("folderIndicator");
  folderIndicator_->setText(
      QString("Folder: %1").arg(QString::fromStdString(WorkingFolder().string())));
  statusBar()->addPermanentWidget(jobIndicator_);
  statusBar()->addPermanentWidget(databaseIndicator_);
  statusBar()->addPermanentWidget(folderIndicator_);
}

void MainWindow::RefreshRecentFiles() {
  const QStringList& files = recent_.Files();
  for (int i = 0; i < recentActions_.size(); ++i) {
    QAction* action = recentActions_[i];
    if (i < files.size()) {
      action->setText(QString("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName()));
      action->setToolTip(files[i]);
      action->setVisible(true);
    } else {
      action->setVisible(false);
    }
  }
}

void MainWindow::RefreshDatabaseState() {
  const std::string connect = source_.ConnectString();
  const QString name = QString::fromStdString(DatabaseDisplayName(connect));
  QString title = kProductName;
  if (!name.isEmpty()) title += " - " + name;
  if (!documentName_.isEmpty()) title += " - " + documentName_;
  setWindowTitle(title);
  databaseIndicator_->setText(name.isEmpty() ? QString("No database")
                                             : QString("Database: %1").arg(name));
  databaseIndicator_->setToolTip(QString::fromStdString(RemovePassword(connect)));
}

void MainWindow::OpenStartDatabase(const QString& database) {
  std::string connect;
  if (database.isEmpty()) {
    auto sample = SampleDatabase(ExecutableFolder());
    if (!sample) {
      statusBar()->showMessage(
          QString("No sample database: %1").arg(QString::fromStdString(sample.status().message())));
      return;
    }
    connect = SqliteConnectString(sample->string());
  } else {
    auto resolved = ConnectStringForDatabase(database.toStdString());
    if (!resolved) {
      CurrentPrompts().Message(this, QMessageBox::Critical, kInvalidDataSource,
                               QString::fromStdString(resolved.status().message()));
      return;
    }
    connect = *resolved;
  }
  std::string reason;
  if (!SwitchDatabase(source_, connect, &reason).ok()) {
    CurrentPrompts().Message(this, QMessageBox::Critical, kInvalidDataSource,
                             QString::fromStdString(reason));
  }
  RefreshDatabaseState();
  panel_->Refresh();
}

bool MainWindow::OpenDocument(const QString& path) {
  auto copy = ScratchCopy::Make(path.toStdString(), kDocumentScratchName);
  if (!copy) {
    CurrentPrompts().Message(this, QMessageBox::Warning, QString("Cannot open %1").arg(path),
                             QString::fromStdString(copy.status().message()));
    return false;
  }
  // The view copies the document before the document's own copy is replaced.
  view_->ShowDocument(copy->path());
  document_ = std::move(copy.value());
  documentName_ = QFileInfo(path).fileName();
  recent_.Add(path);
  RefreshRecentFiles();
  RefreshDatabaseState();
  return true;
}

void MainWindow::CloseDocument() {
  view_->Clear();
  document_ = ScratchCopy();
  documentName_.clear();
  RefreshDatabaseState();
}

void MainWindow::ChooseTextualView() {
  EnsureWorkingFolder();
  const QString path =
      CurrentPrompts().OpenFileName(this, "Open ", QString::fromStdString(WorkingFolder().string()),
                                    "Trees and rules (*.tree *.rules)");
  if (path.isEmpty()) return;
  OpenDocument(path);
}

void MainWindow::CenterOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Back from a dialog that may have made or changed tables: the panel lists them again (not
  // more than once in two seconds, as activation comes and goes).
  if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
      (!panelRefreshed_.isValid() || panelRefreshed_.elapsed() > 2000)) {
    panelRefreshed_.start();
    panel_->Refresh();
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Shortcut && watched == CommandAction(kCmdCloseDatabase)) {
    CopyOrAskToClose();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::CopyOrAskToClose() {
  // The key copies wherever something is selected, and the textual view copies what it shows.
  QWidget* focus = QApplication::focusWidget();
  if (CopySelection(focus)) return;
  if (focus && (focus == view_ || view_->isAncestorOf(focus)) && !view_->Text().isEmpty()) {
    QApplication::clipboard()->setText(view_->Text());
    return;
  }
  // Else the key closes the database, but not without asking: a slip would lose the session's
  // connection and what the windows show of it.
  if (!source_.IsOpen()) return;
  const QString name = QString::fromStdString(DatabaseDisplayName(source_.ConnectString()));
  if (!CurrentPrompts().AskYesNo(this, QString("Close the database %1?").arg(name))) return;
  commands_.Run(kCmdCloseDatabase);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!jobs_->Running().empty() || jobs_->LiveWorkers() > 0) {
    QStringList names;
    for (const RunningJob& job : jobs_->Running()) names << job.method;
    const QString question =
        QString(
            "Still running: %1.\nQuit anyway? The running jobs are stopped and what they "
            "have not finished is lost.")
            .arg(names.join(", "));
    if (!CurrentPrompts().AskYesNo(this, question)) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace quarry::gui
