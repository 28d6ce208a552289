#include "gui/ui/prompts.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>

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

// The one completion box of the session. It comes over the window the user works in (the modal
// dialog that started the job, when it is still open) and is usable from there; when that window
// goes away, the box follows to the window under it. A completion that arrives while the box is
// up joins it, so boxes never pile up behind one another.
class CompletionBox : public QObject {
 public:
  void Show(QWidget* fallback, QMessageBox::Icon icon, const QString& text, const QString& detail) {
    fallback_ = fallback;
    Notice notice{icon, text, detail};
    if (Open()) notice = Joined(Take(), notice);
    ShowOver(Host(), notice);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == host_ && event->type() == QEvent::Hide && Open()) {
      // The host may be destroyed right after it hides, taking the box with it: the text is kept
      // and shown again once the window under it is the active one.
      const Notice notice = Take();
      QTimer::singleShot(0, this, [this, notice] {
        Notice shown = notice;
        if (Open()) shown = Joined(notice, Take());
        ShowOver(Host(), shown);
      });
    }
    return false;
  }

 private:
  struct Notice {
    QMessageBox::Icon icon;
    QString text;
    QString detail;
  };

  static Notice Joined(const Notice& earlier, const Notice& later) {
    const bool warn = earlier.icon == QMessageBox::Warning || later.icon == QMessageBox::Warning;
    QString detail = earlier.detail;
    if (!later.detail.isEmpty()) detail += (detail.isEmpty() ? "" : "\n") + later.detail;
    return {warn ? QMessageBox::Warning : later.icon, earlier.text + "\n\n" + later.text, detail};
  }

  // A box dismissed by the user is on its way out (it deletes itself on close).
  bool Open() const { return box_ && box_->isVisible(); }

  // The box's notice; the box itself goes.
  Notice Take() {
    Notice notice{box_->icon(), box_->text(), box_->informativeText()};
    box_->hide();
    box_->deleteLater();
    box_.clear();
    return notice;
  }

  QWidget* Host() const {
    QWidget* host = QApplication::activeModalWidget();
    if (!host || !host->isVisible()) host = QApplication::activeWindow();
    if (!host || !host->isVisible() || (box_ && host == box_.data())) host = fallback_;
    return host;
  }

  void ShowOver(QWidget* host, const Notice& notice) {
    box_ = MakeBox(host, notice.icon, notice.text, notice.detail);
    box_->setObjectName("completionBox");
    box_->setModal(false);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    if (host_ != host) {
      if (host_) host_->removeEventFilter(this);
      host_ = host;
      if (host_) host_->installEventFilter(this);
    }
    box_->show();
    box_->raise();
    box_->activateWindow();
  }

  QPointer<QMessageBox> box_;
  QPointer<QWidget> host_;
  QPointer<QWidget> fallback_;
};

}  // namespace

void Prompts::Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                      const QString& detail) {
  QMessageBox* box = MakeBox(parent, icon, text, detail);
  box->exec();
  delete box;
}

void Prompts::Notify(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     const QString& detail) {
  static CompletionBox* completions = new CompletionBox;  // lives as long as the program
  completions->Show(parent, icon, text, detail);
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

std::optional<QString> Prompts::TableName(QWidget* parent, const QString& suggested) {
  TableNameDialog dialog(parent);
  dialog.SetName(suggested);
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
