#pragma once
// What the workbench's Qt tests share: a private settings and working folder for the whole
// run, prompts that record messages and give scripted answers, and a way to act on the next
// modal dialog.

#include <QApplication>
#include <QList>
#include <QListWidget>
#include <QMessageBox>
#include <QStringList>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "gui/app/main_window.h"
#include "gui/ui/prompts.h"

namespace quarry::gui::testing {

// Points settings, the working folder and the sample database at private places; called
// before the QApplication is made.
void PrepareEnvironment();

// A fresh working folder ($QUARRY_HOME) for the lifetime of the object.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  QByteArray previous_;
};

class RecordingPrompts : public Prompts {
 public:
  struct Box {
    QMessageBox::Icon icon;
    QString text;
    QString detail;
  };

  RecordingPrompts() { SetPrompts(this); }
  ~RecordingPrompts() override { SetPrompts(nullptr); }

  void Message(QWidget*, QMessageBox::Icon icon, const QString& text,
               const QString& detail) override {
    boxes.append({icon, text, detail});
  }
  void Notify(QWidget*, QMessageBox::Icon icon, const QString& text,
              const QString& detail) override {
    boxes.append({icon, text, detail});
  }
  bool AskYesNo(QWidget*, const QString& question) override {
    questions << question;
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QString OpenFileName(QWidget*, const QString& caption, const QString&,
                       const QString& filter) override {
    choosers << caption + "|" + filter;
    return Next(openFiles);
  }
  QString SaveFileName(QWidget*, const QString& caption, const QString&,
                       const QString& filter) override {
    choosers << caption + "|" + filter;
    return Next(saveFiles);
  }
  // An empty name in the queue (or none) is the user cancelling.
  std::optional<QString> TableName(QWidget*, const QString& suggested) override {
    suggestedNames << suggested;
    const QString name = Next(tableNames);
    if (name.isEmpty()) return std::nullopt;
    return name;
  }
  std::optional<QString> AttributeName(QWidget*) override {
    const QString name = Next(attributeNames);
    if (name.isEmpty()) return std::nullopt;
    return name;
  }

  QStringList Texts() const {
    QStringList out;
    for (const Box& box : boxes) out << box.text;
    return out;
  }

  QList<Box> boxes;
  QStringList questions;
  std::deque<bool> answers;
  QStringList choosers;
  std::deque<QString> openFiles;
  std::deque<QString> saveFiles;
  std::deque<QString> tableNames;
  QStringList suggestedNames;  // what each table-name question held at first
  std::deque<QString> attributeNames;

 private:
  static QString Next(std::deque<QString>& queue) {
    if (queue.empty()) return {};
    QString next = queue.front();
    queue.pop_front();
    return next;
  }
};

// Runs `action` on the next modal dialog as soon as it is up (for code that calls exec()). The
// returned timer watches for it; delete it when no dialog came.
QTimer* OnNextModal(std::function<void(QWidget*)> action);

// Runs `open`, which may exec() a modal window, closes that window at once and returns its title
// (empty when none came up).
QString ModalTitle(const std::function<void()>& open);

// The texts of a list's items, in order.
QStringList ItemTexts(const QListWidget* list);

// Clicks the header of column `column` of a shown table, as a user sorting by it does.
void ClickHeader(QTableView* table, int column);

// Base of a test class whose every test function starts with a fresh working folder, recording
// prompts and a main window on the sample database.
class WorkbenchTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

 protected:
  std::unique_ptr<TempHome> home_;
  std::unique_ptr<RecordingPrompts> prompts_;
  std::unique_ptr<MainWindow> window_;
};

// The sample database the build made.
std::filesystem::path SampleDatabaseFile();
// tests/gui/files/<name>
std::filesystem::path TestDataFile(const std::string& name);

}  // namespace quarry::gui::testing

#define QUARRY_GUI_TEST_MAIN(TestClass)         \
  int main(int argc, char** argv) {             \
    quarry::gui::testing::PrepareEnvironment(); \
    QApplication app(argc, argv);               \
    TestClass test;                             \
    return QTest::qExec(&test, argc, argv);     \
  }
