#include "gui/app/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "core/data/working_folder.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutDialog");
  setWindowTitle(QString("About %1").arg(kProductName));
  auto* title =
      new QLabel(QString("<b>%1 Version %2</b>").arg(kProductName, kProductVersion), this);
  title->setObjectName("aboutTitle");
  auto* text = new QLabel(
      QString("A data-mining workbench: decision and model trees with their pruning methods, "
              "k-nearest-neighbour classification, association rules, clustering and the "
              "preparation of tables, on any ODBC data source.<br><br>"
              "Files are written to the working folder %1.")
          .arg(QString::fromStdString(WorkingFolder().string()).toHtmlEscaped()),
      this);
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(text);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

}  // namespace quarry::gui
