#pragma once
// What the tests of the method dialogs share: reading the database as the test's oracle, a
// thread that holds the database the way a running job does, and finding a dialog's controls.

#include <QTest>
#include <QWidget>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/data/data_source.h"

namespace quarry::gui::testing {

using Rows = std::vector<std::vector<std::string>>;

inline Rows ReadRows(DataSource& source, const std::string& sql) {
  Rows rows;
  ExclusiveUse exclusive(source);
  if (!source.Query(sql)) return rows;
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) rows.push_back(row);
  return rows;
}

inline std::vector<std::string> ColumnNames(DataSource& source, const std::string& table) {
  std::vector<std::string> names;
  source.FieldNames("select * from [" + table + "]", names);
  return names;
}

// Holds the data source's exclusive-use lock on a thread of its own, as a job does, until
// Release() or destruction.
class DatabaseHolder {
 public:
  explicit DatabaseHolder(DataSource& source) {
    thread_ = std::thread([this, &source] {
      ExclusiveUse exclusive(source);
      std::unique_lock<std::mutex> lock(mutex_);
      holding_ = true;
      cv_.notify_all();
      cv_.wait(lock, [this] { return released_; });
    });
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return holding_; });
  }
  ~DatabaseHolder() { Release(); }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
      cv_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool holding_ = false;
  bool released_ = false;
};

// The control of `dialog` named `name`; fails the test when there is none.
template <class T>
T* Child(QWidget* dialog, const char* name) {
  T* child = dialog->findChild<T*>(name);
  if (!child) qFatal("no control %s", name);
  return child;
}

}  // namespace quarry::gui::testing
