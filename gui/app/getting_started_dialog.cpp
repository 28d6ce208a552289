#include "gui/app/getting_started_dialog.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quarry::gui {

namespace {

constexpr const char* kPage = R"(
<h2>Getting Started</h2>
<p>QUARRY reads tables from a database, prepares them, and runs data-mining methods on them.
Results go back into the database as tables and into files in the working folder.</p>
<ol>
<li><b>Open or import.</b> QUARRY starts on its sample database. <i>File &gt; Open
DataBase</i> (Ctrl+O) opens an SQLite file or another data source; <i>File &gt; Import
File</i> (Ctrl+I) reads a data text file into a new table.</li>
<li><b>Look at a table.</b> The panel on the left lists the tables with their rows and
columns. Double-click a table to see its rows; click a column's header to sort, select cells
and press Ctrl+C to copy them. Right-click a table for its statistics, to export it, or to split
it.</li>
<li><b>Prepare.</b> The decision-tree methods learn from a table named <i>B</i>_data and test on
<i>B</i>_test (some pruning methods also need <i>B</i>_prune): right-click a table and choose
<i>Split in Two</i>, or use <i>Selection</i> for queries and <i>Transformation</i> for
discretization, null value substitution, scaling, sampling and binarization.</li>
<li><b>Run a method.</b> <i>Analysis</i> holds Decision Trees, RegressionTrees,
K-Nearest-Neighbour, Association Rules and Clustering; <i>Evaluation</i> their
cross-validations. Choose the table and the parameters, then Execute. The job runs in the
background (the status bar shows it) and ends with a message.</li>
<li><b>Read the result.</b> The decision-tree and model-tree dialogs show the trees' sizes and
errors; their buttons open the tree and rules viewers. <i>View</i> opens any tree or rules
file of the working folder.</li>
<li><b>Apply the model.</b> K-Nearest-Neighbour writes its predictions into the test table;
the tree viewer's <i>Follow a Case...</i> classifies one case with a tree.</li>
</ol>
<p>In the decision-tree dialog (<i>Analysis &gt; Decision Trees</i>, "C4.5: Setting
Parameters") press <b>F1</b> on any control for an explanation; F1 on its table list advises a
pruning method for the selected <i>_data</i> table.</p>
)";

}  // namespace

GettingStartedDialog::GettingStartedDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("gettingStartedDialog");
  setWindowTitle("Getting Started");
  page_ = new QTextBrowser(this);
  page_->setObjectName("guide");
  page_->setHtml(kPage);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page_);
  layout->addWidget(buttons);
  resize(620, 560);
}

QString GettingStartedDialog::Text() const { return page_->toPlainText(); }

}  // namespace quarry::gui
