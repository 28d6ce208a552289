#pragma once
// The textual view: the main window's document area. It keeps its own scratch copy of the
// document and draws the copy's non-empty lines in Arial 12, twelve units apart.

#include <QAbstractScrollArea>
#include <filesystem>

#include "core/shell/scratch_copy.h"
#include "core/shell/textual_layout.h"

namespace quarry::gui {

class TextualView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TextualView(QWidget* parent = nullptr);

  // Shows the document held in `documentCopy`; a copy that cannot be read shows nothing.
  void ShowDocument(const std::filesystem::path& documentCopy);
  void Clear();

  const TextualLayout& Layout() const { return layout_; }
  // The drawn lines, one per line: what Ctrl+C copies from the view (it has no selection).
  QString Text() const;
  static QFont TextFont();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateScrollBars();

  ScratchCopy copy_;
  TextualLayout layout_;
};

}  // namespace quarry::gui
