#include "gui/app/open_database_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/odbc_data_sources.h"
#include "core/data/working_folder.h"
#include "gui/app/workbench.h"
#include "gui/ui/prompts.h"

namespace quarry::gui {

namespace {

constexpr const char* kSqliteFilter = "SQLite databases (*.sqlite *.sqlite3 *.db);;All files (*)";

}  // namespace

OpenDatabaseDialog::OpenDatabaseDialog(Workbench&, QWidget* parent) : QDialog(parent) {
  setObjectName("openDatabaseDialog");
  setWindowTitle("Open DataBase");
  dsns_ = new QListWidget(this);
  dsns_->setObjectName("dataSources");
  connect_ = new QLineEdit(this);
  connect_->setObjectName("connectString");
  connect_->setPlaceholderText("DSN=name;UID=user;PWD=...  or  DRIVER=...;...");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  auto* pick = new QPushButton("SQLite &File...", this);
  pick->setObjectName("pickSqlite");
  auto* make = new QPushButton("&New SQLite File...", this);
  make->setObjectName("newSqlite");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  connect(dsns_, &QListWidget::currentTextChanged, this, [this] {
    if (QListWidgetItem* item = dsns_->currentItem()) {
      connect_->setText(QString::fromStdString(
          DsnConnectString(item->data(Qt::UserRole).toString().toStdString())));
    }
  });
  connect(dsns_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(pick, &QPushButton::clicked, this, &OpenDatabaseDialog::PickSqliteFile);
  connect(make, &QPushButton::clicked, this, &OpenDatabaseDialog::NewSqliteFile);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* files = new QHBoxLayout;
  files->addWidget(pick);
  files->addWidget(make);
  files->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("ODBC &data sources:", this));
  layout->addWidget(dsns_);
  auto* connectLabel = new QLabel("&Connect string:", this);
  connectLabel->setBuddy(connect_);
  layout->addWidget(connectLabel);
  layout->addWidget(connect_);
  layout->addLayout(files);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  resize(480, 360);
}

void OpenDatabaseDialog::Prepare() {
  dsns_->clear();
  status_->clear();
  auto names = ListOdbcDataSources();
  if (!names) {
    status_->setText(QString::fromStdString(names.status().message()));
  } else {
    for (const OdbcDataSourceName& dsn : *names) {
      auto* item =
          new QListWidgetItem(QString("%1 (%2)").arg(QString::fromStdString(dsn.name),
                                                     QString::fromStdString(dsn.description)),
                              dsns_);
      item->setData(Qt::UserRole, QString::fromStdString(dsn.name));
    }
    if (names->empty())
      status_->setText("The driver manager knows no data source; give a connect string or a file.");
  }
  const std::string typed = connect_->text().toStdString();
  if (MaskPassword(typed) != typed) connect_->clear();
}

QString OpenDatabaseDialog::ConnectString() const { return connect_->text().trimmed(); }

void OpenDatabaseDialog::SetConnectString(const QString& connect) { connect_->setText(connect); }

void OpenDatabaseDialog::PickSqliteFile() {
  const QString path = CurrentPrompts().OpenFileName(
      this, "SQLite database", QString::fromStdString(WorkingFolder().string()), kSqliteFilter);
  if (path.isEmpty()) return;
  connect_->setText(QString::fromStdString(SqliteConnectString(path.toStdString())));
}

void OpenDatabaseDialog::NewSqliteFile() {
  EnsureWorkingFolder();
  const QString path = CurrentPrompts().SaveFileName(
      this, "New SQLite database", QString::fromStdString(WorkingFolder().string()), kSqliteFilter);
  if (path.isEmpty()) return;
  std::string error;
  if (!DataSource::CreateSqliteFile(path.toStdString(), &error)) {
    status_->setText(QString::fromStdString(error));
    return;
  }
  connect_->setText(QString::fromStdString(SqliteConnectString(path.toStdString())));
}

}  // namespace quarry::gui
