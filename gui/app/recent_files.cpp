#include "gui/app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace quarry::gui {

namespace {

constexpr const char* kGroup = "Recent File List";

QString Key(int i) { return QString("File%1").arg(i + 1); }

}  // namespace

RecentFiles::RecentFiles() {
  QSettings settings(kSettingsOrganization, kSettingsApplication);
  settings.beginGroup(kGroup);
  for (int i = 0; i < kRecentFileCount; ++i) {
    const QString path = settings.value(Key(i)).toString();
    if (!path.isEmpty() && !files_.contains(path)) files_ << path;
  }
}

void RecentFiles::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  files_.removeAll(absolute);
  files_.prepend(absolute);
  while (files_.size() > kRecentFileCount) files_.removeLast();
  Store();
}

void RecentFiles::Remove(const QString& path) {
  files_.removeAll(path);
  Store();
}

void RecentFiles::Store() const {
  QSettings settings(kSettingsOrganization, kSettingsApplication);
  settings.beginGroup(kGroup);
  for (int i = 0; i < kRecentFileCount; ++i) {
    if (i < files_.size()) {
      settings.setValue(Key(i), files_[i]);
    } else {
      settings.remove(Key(i));
    }
  }
}

}  // namespace quarry::gui
