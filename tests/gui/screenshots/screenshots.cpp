// Screenshots of the workbench as a reviewer would see it, taken on a real X server (run under
// xvfb-run): the main window with a tree in its textual view, and the tree and rules viewers.
//   gui_screenshots OUTPUT_FOLDER
// Fails when a window cannot be captured or the capture is blank.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "gui/app/main_window.h"
#include "gui/treefiles/rules_viewer_dialog.h"
#include "gui/treefiles/tree_diagram.h"
#include "gui/treefiles/tree_viewer_dialog.h"
#include "tests/gui/support/gui_test_support.h"

namespace {

using namespace quarry::gui;

// Whole-screen capture, as the X server shows it; the toolkit's own grab when ImageMagick's
// import is not there.
bool Capture(const QString& path) {
  QTest::qWait(600);
  const bool imported = QProcess::execute("import", {"-window", "root", path}) == 0;
  if (!imported) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(path)) return false;
  }
  const QImage image(path);
  if (image.isNull()) return false;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < 16; y += 7) {
    for (int x = 0; x < image.width() && colours.size() < 16; x += 7)
      colours.insert(image.pixel(x, y));
  }
  std::printf("%s: %dx%d%s\n", qPrintable(path), image.width(), image.height(),
              imported ? "" : " (toolkit grab)");
  return colours.size() >= 16;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  if (std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  testing::PrepareEnvironment();
  QApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());
  testing::TempHome home;
  bool ok = true;

  MainWindow window;
  window.OpenStartDatabase({});
  window.resize(1100, 720);
  window.CenterOnScreen();
  window.show();
  window.OpenDocument(QString::fromStdString(testing::TestDataFile("golf_data.tree").string()));
  ok = QTest::qWaitForWindowExposed(&window) && ok;
  ok = Capture(out.filePath("main_window.png")) && ok;

  TreeViewerDialog tree(&window);
  tree.Load(testing::TestDataFile("golf_data.tree"));
  tree.show();
  ok = QTest::qWaitForWindowExposed(&tree) && ok;
  tree.FollowCase({{"outlook", "sunny"}, {"humidity", "90"}});
  tree.Diagram().FitAll();
  ok = Capture(out.filePath("tree_viewer.png")) && ok;
  tree.close();

  RulesViewerDialog rules(&window);
  rules.Load(testing::TestDataFile("golf_data.rules"));
  rules.show();
  ok = QTest::qWaitForWindowExposed(&rules) && ok;
  rules.SelectRule(4);
  ok = Capture(out.filePath("rules_viewer.png")) && ok;
  rules.close();

  if (!ok) std::fprintf(stderr, "a screenshot is missing or blank\n");
  return ok ? 0 : 1;
}
