#include "gui/ui/prompts.h"

#include <QFileDialog>

#include "gui/ui/attribute_name_dialog.h"
#include "gui/ui/table_name_dialog.h"

namespace quarry::gui {

namespace {

Prompts* installed = nullptr;

QMessageBox* MakeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     const QString& detail) {
  auto* box = new QMessageBox(icon, kProductName, text, QMessageBox::Ok, parent);
  if (!detail.isEmpty()) box->setInformativeText(detail);
  return box;
}

}  // namespace

void Prompts::Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                      const QString& detail) {
  QMessageBox* box = MakeBox(parent, icon, text, detail);
  box->exec();
  delete box;
}

void Prompts::Notify(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     const QString& detail) {
  QMessageBox* box = MakeBox(parent, icon, text, detail);
  box->setModal(false);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

bool Prompts::AskYesNo(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, kProductName, question,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString Prompts::OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                              const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString Prompts::SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                              const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

std::optional<QString> Prompts::TableName(QWidget* parent) {
  TableNameDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

std::optional<QString> Prompts::AttributeName(QWidget* parent) {
  AttributeNameDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

Prompts& CurrentPrompts() {
  static Prompts real;
  return installed ? *installed : real;
}

void SetPrompts(Prompts* prompts) { installed = prompts; }

}  // namespace quarry::gui
