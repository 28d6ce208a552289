#include "tests/gui/support/gui_test_support.h"

#include <QHeaderView>

#include "gui/app/job_center.h"

#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <random>

namespace quarry::gui::testing {

namespace {

std::filesystem::path UniqueFolder(const std::string& prefix) {
  std::random_device device;
  const auto path = std::filesystem::temp_directory_path() /
                    (prefix + std::to_string(device()) + std::to_string(device()));
  std::filesystem::create_directories(path);
  return path;
}

// Removes the run's private folder when the test program ends.
struct RunFolder {
  std::filesystem::path path = UniqueFolder("quarry-gui-test-");
  ~RunFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

void PrepareEnvironment() {
  static RunFolder run;
  setenv("XDG_CONFIG_HOME", (run.path / "config").c_str(), 1);
  setenv("QUARRY_HOME", (run.path / "home").c_str(), 1);
  setenv("QUARRY_SAMPLE_DB", QUARRY_SAMPLE_DB, 1);
  std::filesystem::create_directories(run.path / "runtime");
  std::filesystem::permissions(run.path / "runtime", std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", (run.path / "runtime").c_str(), 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

TempHome::TempHome() : path_(UniqueFolder("quarry-gui-home-")), previous_(qgetenv("QUARRY_HOME")) {
  qputenv("QUARRY_HOME", QByteArray::fromStdString(path_.string()));
}

TempHome::~TempHome() {
  qputenv("QUARRY_HOME", previous_);
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WorkbenchTest::init() {
  home_ = std::make_unique<TempHome>();
  prompts_ = std::make_unique<RecordingPrompts>();
  window_ = std::make_unique<MainWindow>();
  window_->OpenStartDatabase({});
}

void WorkbenchTest::cleanup() {
  if (window_) window_->Jobs().WaitForWorkers(60000);  // a completion may be on its way
  window_.reset();
  prompts_.reset();
  home_.reset();
}

QTimer* OnNextModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start();
  return timer;
}

QString ModalTitle(const std::function<void()>& open) {
  QString title;
  QPointer<QTimer> watch = OnNextModal([&title](QWidget* modal) {
    title = modal->windowTitle();
    modal->close();
  });
  open();
  delete watch;
  return title;
}

QStringList ItemTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

void ClickHeader(QTableView* table, int column) {
  QHeaderView* header = table->horizontalHeader();
  const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                      header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

std::filesystem::path SampleDatabaseFile() { return QUARRY_SAMPLE_DB; }

std::filesystem::path TestDataFile(const std::string& name) {
  return std::filesystem::path(QUARRY_TEST_DATA) / name;
}

}  // namespace quarry::gui::testing
