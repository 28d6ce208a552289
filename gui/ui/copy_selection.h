#pragma once
// Ctrl+C where something is selected: what a widget shows selected goes to the clipboard.

class QAbstractItemView;
class QString;
class QWidget;

namespace quarry::gui {

// The selected cells of an item view as text: one line per row, the cells of a row separated
// by tabs, rows and columns in the order the view shows them; empty when nothing is selected.
QString SelectedCellsText(const QAbstractItemView& view);

// Copies the selection of `widget` (a text field's or text view's selected text, an item view's
// selected cells) to the clipboard. False when `widget` shows nothing selected.
bool CopySelection(QWidget* widget);

}  // namespace quarry::gui
