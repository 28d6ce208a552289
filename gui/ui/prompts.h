#pragma once
// Every message box, question and file chooser of the workbench goes through one Prompts object,
// so that a test can answer them and read what the user would have been told. Boxes are titled
// "QUARRY" as everywhere in the workbench.

#include <QMessageBox>
#include <QString>
#include <optional>

#include "core/query/table_view.h"

class QWidget;

namespace quarry::gui {

inline constexpr const char* kProductName = "QUARRY";
// What a window says when a job holds the data source it needs is core's kSystemBusy.
using quarry::kSystemBusy;
// What a command says when its previous job still runs.
inline constexpr const char* kChildIsRunning = "child is running try again later";

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A modal message box.
  virtual void Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                       const QString& detail = {});
  // A box that does not block: a job's completion, which may arrive while the user works. It
  // shows over the active window (a modal dialog included) and is usable from it; `parent` is
  // where it goes when no window of the program is active. Completions that arrive while it is
  // up join it rather than stacking further boxes.
  virtual void Notify(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                      const QString& detail = {});
  virtual bool AskYesNo(QWidget* parent, const QString& question);
  // File choosers; an empty result means the user cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter);
  virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter);
  // "QUARRY Insert Table Name", holding `suggested` at first; nullopt when cancelled.
  virtual std::optional<QString> TableName(QWidget* parent, const QString& suggested = {});
  // "Attribute Name", the name of a new column; nullopt when cancelled.
  virtual std::optional<QString> AttributeName(QWidget* parent);
};

// The prompts in use; tests install their own with SetPrompts (nullptr restores the real ones).
Prompts& CurrentPrompts();
void SetPrompts(Prompts* prompts);

}  // namespace quarry::gui
