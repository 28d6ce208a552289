// quarry: the workbench window.
//   quarry [--db CONNECT|FILE] [--no-splash] [FILE]
// Opens the database given (else the sample database) and, when given, a tree or rules FILE in
// the textual view.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdlib>

#include "gui/app/about_dialog.h"
#include "gui/app/job_center.h"
#include "gui/app/main_window.h"
#include "gui/app/recent_files.h"
#include "gui/app/splash_dialog.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(quarry::gui::kSettingsOrganization);
  QApplication::setApplicationName(quarry::gui::kSettingsApplication);
  QApplication::setApplicationVersion(quarry::gui::kProductVersion);

  QCommandLineParser parser;
  parser.setApplicationDescription("QUARRY data-mining workbench");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption database(
      "db", "ODBC connect string or SQLite database file (default: the sample database).",
      "CONNECT|FILE");
  QCommandLineOption noSplash("no-splash", "Start without the splash.");
  parser.addOption(database);
  parser.addOption(noSplash);
  parser.addPositionalArgument("file", "A tree or rules file to show in the textual view.",
                               "[FILE]");
  parser.process(app);

  quarry::gui::MainWindow window;
  window.CenterOnScreen();
  window.OpenStartDatabase(parser.value(database));
  if (!parser.isSet(noSplash)) {
    quarry::gui::SplashDialog splash;
    splash.exec();
  }
  window.show();
  if (!parser.positionalArguments().isEmpty())
    window.OpenDocument(parser.positionalArguments().first());
  const int status = app.exec();
  // The user agreed to quit while jobs ran: they are asked to stop, and a job that does not
  // stop soon is left behind rather than keeping a window-less process alive.
  if (window.Jobs().LiveWorkers() > 0) {
    window.Jobs().CancelAll();
    if (!window.Jobs().WaitForWorkers(10000)) std::_Exit(status);
  }
  return status;
}
