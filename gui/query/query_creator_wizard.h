#pragma once
// "Query Creator": composes a SELECT statement page by page from the open database's tables and
// columns (tables, joins, fields, WHERE, GROUP BY with HAVING, ORDER BY) and shows it on a last
// page; Finish hands it to the query editor. The lists stay between invocations; opening or
// closing a database empties them, since they name the old database's tables.

#include <QWizard>
#include <map>
#include <string>
#include <vector>

#include "core/query/query_wizard.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWizardPage;

namespace quarry::gui {

class Workbench;

class QueryCreatorWizard : public QWizard {
  Q_OBJECT

 public:
  enum PageId {
    kTablesPage,
    kJoinsPage,
    kFieldsPage,
    kWherePage,
    kGroupByPage,
    kOrderByPage,
    kStatementPage
  };

  QueryCreatorWizard(Workbench& workbench, QWidget* parent = nullptr);

  // Lists the database's tables again and goes back to the first page; false, with the reason
  // shown, when no database is open or a job holds it.
  bool Prepare();
  const WizardQuery& Query() const { return query_; }
  // The statement the last page shows; empty when it cannot be built.
  QString Statement() const { return statement_; }

 protected:
  void initializePage(int id) override;
  bool validateCurrentPage() override;

 private:
  // The controls of a WHERE or HAVING condition and the list of the conditions added.
  struct ConditionInputs {
    QComboBox* field = nullptr;
    QComboBox* op = nullptr;
    QComboBox* right = nullptr;  // "(value)", then the columns
    QLineEdit* value = nullptr;
    QListWidget* list = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
  };
  struct Columns {
    std::vector<std::string> names;
    std::vector<std::string> types;
  };

  QWizardPage* MakeTablesPage();
  QWizardPage* MakeJoinsPage();
  QWizardPage* MakeFieldsPage();
  QWizardPage* MakeWherePage();
  QWizardPage* MakeGroupByPage();
  QWizardPage* MakeOrderByPage();
  QWizardPage* MakeStatementPage();
  // Object names are `kind` + "Field", "Operator", "RightField", "Value", "Conditions", "Add",
  // "Remove".
  ConditionInputs MakeConditionInputs(QWidget* page, const QString& kind, QGridLayout* grid,
                                      int column);

  void AddTable();
  void RemoveTable();
  // Drops chosen table `index` and the joins, fields, conditions and orderings that name it.
  void ForgetTable(size_t index);
  void AddJoin();
  void AddField();
  // Adds the condition the inputs describe to `conditions` (query_.where or query_.having),
  // or says why it cannot be written.
  void AddCondition(const ConditionInputs& inputs, const std::string& aggregate,
                    std::vector<WizardCondition>& conditions);
  void AddGroupBy();
  void AddOrder(bool descending);
  // Removes the selected entry of `list` from `entries` and from the list.
  template <class T>
  void RemoveSelected(QListWidget* list, std::vector<T>& entries);

  // The columns of a chosen-tables entry as the statement names them (its alias, else the
  // table), and of every chosen table.
  std::vector<WizardColumn> ColumnsOf(const std::string& entry) const;
  std::vector<WizardColumn> AllColumns() const;
  void FillColumns(QComboBox* combo, const std::vector<WizardColumn>& columns) const;
  void FillColumns(QListWidget* list) const;
  // The column a combo or list holds at `row` (one of AllColumns(), or of ColumnsOf(entry)).
  static WizardColumn ColumnAt(const std::vector<WizardColumn>& columns, int row);
  void ShowLists();
  void ShowFromPreview();
  // Shows why something cannot be done; false, for the caller to return.
  bool Refuse(const std::string& message);

  Workbench& workbench_;
  WizardQuery query_;
  std::map<std::string, Columns> columns_;  // by table, read when chosen and on each Prepare
  QString statement_;

  QListWidget* tables_;
  QLineEdit* alias_;
  QListWidget* chosen_;
  QLabel* tablesPreview_;

  QComboBox* joinLeft_;
  QComboBox* joinType_;
  QComboBox* joinRight_;
  QComboBox* joinLeftColumn_;
  QComboBox* joinOperator_;
  QComboBox* joinRightColumn_;
  QListWidget* joins_;
  QLabel* joinsPreview_;

  QComboBox* aggregate_;
  QListWidget* fieldColumns_;
  QListWidget* fields_;

  ConditionInputs where_;

  QListWidget* groupColumns_;
  QListWidget* groupBy_;
  QComboBox* havingAggregate_;
  ConditionInputs having_;

  QListWidget* orderColumns_;
  QListWidget* orderBy_;

  QPlainTextEdit* statementView_;
};

// Wizard New Query: the wizard, then the query editor with its statement.
void OpenQueryCreator(Workbench& workbench);

}  // namespace quarry::gui
