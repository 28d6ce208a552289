#pragma once
// Help > About QUARRY: the product, its version, and where it keeps its files.

#include <QDialog>

namespace quarry::gui {

inline constexpr const char* kProductVersion = "3.0";

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace quarry::gui
