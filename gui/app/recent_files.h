#pragma once
// The recent-file list of the File menu: the last four documents shown in the textual view,
// newest first, kept in the settings under "Local AppWizard-Generated Applications".

#include <QStringList>

namespace quarry::gui {

inline constexpr const char* kSettingsOrganization = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "QUARRY";
inline constexpr int kRecentFileCount = 4;

class RecentFiles {
 public:
  RecentFiles();  // reads the stored list

  const QStringList& Files() const { return files_; }
  // Puts `path` first (once) and stores the list at once, so that a later crash loses nothing.
  void Add(const QString& path);
  void Remove(const QString& path);

 private:
  void Store() const;
  QStringList files_;
};

}  // namespace quarry::gui
