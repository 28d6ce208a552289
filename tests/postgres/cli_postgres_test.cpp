// quarry-cli run as a user runs it, once on the sample SQLite database and once on the same
// tables in PostgreSQL: every job must print the same report, write the same files and leave the
// same tables behind. Where the two databases may legitimately differ, the test says why.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_text.h"
#include "tests/support/postgres_server.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using testing::CliRun;

std::string FileText(const std::string& name) { return testing::FileText(WorkingFile(name)); }

class PostgresCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUARRY_SAMPLE_DB", QUARRY_SAMPLE_DB, 1);
    const auto server = testing::PostgresTestServer();
    if (!server) GTEST_SKIP() << testing::kNoPostgresServer;
    postgres_ = std::make_unique<testing::ScratchPostgresDatabase>(*server);
    ASSERT_TRUE(postgres_->ok()) << postgres_->error();
  }

  // The sample tables, imported from their data files into PostgreSQL as a user would.
  void Load(std::initializer_list<const char*> tables) {
    for (const char* table : tables) {
      const std::string file = std::string(QUARRY_DATA_DIR) + "/" + table + ".txt";
      const CliRun run = OnPostgres({"import", file, "--table", table});
      ASSERT_EQ(run.exitCode, 0) << run.err;
      ASSERT_EQ(run.out.find("skipped"), std::string::npos) << run.out;
    }
  }

  CliRun OnSqlite(const std::vector<std::string>& args) {
    return testing::RunCli(QUARRY_CLI, args);
  }
  CliRun OnPostgres(std::vector<std::string> args) {
    args.insert(args.begin(), {"--db", postgres_->connectString()});
    return testing::RunCli(QUARRY_CLI, args);
  }

  // Runs the command on both databases and expects the same exit, report and files. Progress
  // on stderr depends on the clock, and a failure's message ends with the driver's own
  // diagnostic: of stderr only the program's part of a failure is compared. Returns SQLite's run.
  CliRun ExpectSameRun(const std::vector<std::string>& args,
                       std::initializer_list<const char*> files = {}) {
    const CliRun sqlite = OnSqlite(args);
    std::vector<std::string> sqliteFiles;
    for (const char* file : files) {
      EXPECT_TRUE(std::filesystem::exists(WorkingFile(file))) << file;
      sqliteFiles.push_back(FileText(file));
    }
    const CliRun postgres = OnPostgres(args);
    EXPECT_EQ(postgres.exitCode, sqlite.exitCode) << postgres.err;
    EXPECT_EQ(postgres.out, sqlite.out);
    if (sqlite.exitCode != 0) {
      EXPECT_EQ(postgres.err.substr(0, postgres.err.find(':')),
                sqlite.err.substr(0, sqlite.err.find(':')));
    }
    size_t i = 0;
    for (const char* file : files) EXPECT_EQ(FileText(file), sqliteFiles[i++]) << file;
    return sqlite;
  }

  // The rows of `table` on both databases must be the same. Rows an engine updated come back
  // in another order on PostgreSQL (an updated row is a new row version at the end of the
  // table), so those are compared as sets.
  void ExpectSameTable(const std::string& table, bool updated = false) {
    const std::string sql = "select * from [" + table + "]";
    CliRun sqlite = OnSqlite({"query", sql});
    CliRun postgres = OnPostgres({"query", sql});
    ASSERT_EQ(sqlite.exitCode, 0) << sqlite.err;
    ASSERT_EQ(postgres.exitCode, 0) << postgres.err;
    if (updated) {
      for (CliRun* run : {&sqlite, &postgres}) run->out = SortedLines(run->out);
    }
    EXPECT_EQ(postgres.out, sqlite.out) << table;
  }

  static std::string SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin() + (lines.empty() ? 0 : 1), lines.end());
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
  }

  // Runs the statements on the working copy of the sample database and on PostgreSQL.
  void ExecuteOnBoth(std::initializer_list<const char*> statements) {
    ASSERT_EQ(OnSqlite({"tables"}).exitCode, 0);  // makes the copy
    for (const std::string& connect :
         {SqliteConnectString(WorkingFile("sample.sqlite").string()), postgres_->connectString()}) {
      DataSource source;
      ASSERT_TRUE(source.Open(connect)) << source.LastError();
      for (const char* sql : statements)
        ASSERT_TRUE(source.Execute(sql)) << sql << ": " << source.LastError();
    }
  }

  testing::TempFolder folder_;
  std::unique_ptr<testing::ScratchPostgresDatabase> postgres_;
};

TEST_F(PostgresCliTest, ImportExportQueryAndMaterialize) {
  Load({"golf_data", "loan_data"});
  ExpectSameRun({"columns", "loan_data"});
  for (const char* table : {"golf_data", "loan_data"}) {
    ExpectSameTable(table);
    ExpectSameRun({"export", table, std::string(table) + "_out.txt"},
                  {(std::string(table) + "_out.txt").c_str()});
  }
  // The exported file reads back as the very table it came from.
  ASSERT_EQ(OnPostgres({"import", "loan_data_out.txt", "--table", "Loan Again"}).exitCode, 0);
  EXPECT_EQ(OnPostgres({"query", "select * from [Loan Again]"}).out,
            OnPostgres({"query", "select * from loan_data"}).out);

  // The workbench's SQL: brackets, floating-point division, LIKE without regard to case,
  // grouped rows in key order, NULL sorted first. SQLite's driver reports a computed column as
  // text, so a computed number keeps SQLite's own text ("82.0" where PostgreSQL's reads "82"),
  // and a table materialized from it gets a text column there: computed numbers are compared
  // here through what they decide. The query editor upper-cases the words of a statement, and
  // PostgreSQL folds a bare alias back to lower case: aliases are bracketed to keep their case.
  ExpectSameRun({"query",
                 "select outlook, count(*) as [n], sum(humidity) / count(*) > 80 as [humid] "
                 "from golf_data where outlook like 'S%' group by outlook"});
  ExpectSameRun({"query", "select * from loan_data order by [income], [age] desc"});
  ExpectSameRun({"materialize",
                 "select [outlook], [temperature], [windy] from golf_data where play = 'yes'",
                 "--name", "Golf Yes"});
  ExpectSameTable("Golf Yes");
  ExpectSameRun({"columns", "Golf Yes"});
  ExpectSameRun({"materialize", "select * from golf_data", "--name", "Golf Yes"});

  // Bad SQL fails the same way and leaves the database usable.
  const CliRun bad = OnPostgres({"query", "select nothing from nowhere"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("Error in SQL Statement"), std::string::npos) << bad.err;
}

TEST_F(PostgresCliTest, SplitAndPartitionDrawTheSameRows) {
  Load({"wave_data"});
  ExpectSameRun({"split", "wave_data", "w70", "w30", "70"});
  ExpectSameTable("w70");
  ExpectSameTable("w30");
  ExpectSameRun({"partition", "wave_data", "3"});
  for (const char* table :
       {"wave_data0", "wave_data2", "wave_data_escluso_0", "wave_data_escluso_2"}) {
    ExpectSameTable(table);
  }
  ExpectSameRun({"split", "wave_data", "w70", "w30", "70"});
}

TEST_F(PostgresCliTest, DecisionTreeJobGivesTheSameTreesAndReport) {
  Load({"wave_data", "wave_test", "loan_data", "loan_test"});
  ExpectSameRun({"dtree", "--table", "wave_data", "-u", "-p", "-m", "3"},
                {"wave_data.tree", "wave_dataPRUNED.tree", "wave_data.rules",
                 "wave_dataPRUNED.rules", "wave_prunePROBTHRESH.tree", "wave_prune.inf"});
  ExpectSameRun({"dtree", "--table", "loan_data", "-u", "-s", "-t", "3", "-w", "40", "-i", "20"},
                {"loan_data.tree", "loan_dataPRUNED.tree", "loan_dataPRUNED.rules"});
}

TEST_F(PostgresCliTest, ReducedErrorPruningOnThePruneTable) {
  Load({"wave_data", "wave_prune", "wave_test"});
  for (const char* method : {"reduced-error", "grafting"}) {
    EXPECT_EQ(ExpectSameRun({"dtree", "--table", "wave_data", "-u", "--prune", method},
                            {"wave_data.tree", "wave_dataPRUNED.tree", "wave_dataPRUNED.rules"})
                  .exitCode,
              0);
  }
}

TEST_F(PostgresCliTest, AprioriOverBinarizedColumns) {
  Load({"loan_data", "baskets"});
  ExpectSameRun({"assoc", "--table", "baskets", "--support", "0.1", "--confidence", "0.8"},
                {"outrules.txt", "assoc.txt"});
  // Binarized on the fly: the copy is gone afterwards on both.
  const CliRun onTheFly =
      ExpectSameRun({"assoc", "--table", "loan_data", "--binarize", "--support", "0.2",
                     "--confidence", "0.8", "--filter", "include ... ==> decision_Value_*"},
                    {"outrules.txt"});
  EXPECT_NE(onTheFly.out.find("rules kept by the filter"), std::string::npos) << onTheFly.err;
  EXPECT_EQ(OnPostgres({"tables"}).out, "baskets\nloan_data\n");
  // Binarized into the table itself, then mined from its value columns.
  for (const char* column : {"housing", "decision"}) {
    ExpectSameRun({"binarize", "--table", "loan_data", "--column", column});
  }
  ExpectSameRun({"columns", "loan_data"});
  ExpectSameTable("loan_data", true);
  ExpectSameRun({"materialize",
                 "select [housing_Value_own], [housing_Value_rent], [decision_Value_approve] "
                 "from loan_data",
                 "--name", "LoanBits"});
  const CliRun mined =
      ExpectSameRun({"assoc", "--table", "LoanBits", "--support", "0.1", "--confidence", "0.5"},
                    {"outrules.txt", "assoc.txt"});
  EXPECT_NE(mined.out.find("Rule 1: [housing_Value_own]  ==>  [decision_Value_approve]"),
            std::string::npos)
      << mined.out;
}

TEST_F(PostgresCliTest, ClusteringAndNearestNeighbours) {
  Load({"baskets", "golf_data", "golf_test"});
  ExpectSameRun({"cluster", "--table", "baskets", "--k", "4"});
  ExpectSameTable("Clusterbaskets", true);
  ExpectSameTable("StatisticClusterbaskets", true);

  ExpectSameRun({"knn", "--train", "golf_data", "--test", "golf_test", "--k", "3", "--weight",
                 "--distance", "outlook=vdm"});
  ExpectSameTable("golf_test", true);
}

TEST_F(PostgresCliTest, ModelTreesGrowAndPruneAlike) {
  Load({"growth_data"});
  ExpectSameRun({"mtree", "--table", "growth_data"}, {"growth_data.tree", "growth_data.rules"});
  ExpectSameRun(
      {"mtree", "--table", "growth_data", "--prune", "rep-growing"},
      {"growth_dataGrown.tree", "growth_dataGrownPruned.tree", "growth_dataGrownPruned.rules"});
  ExpectSameRun({"mtree", "--table", "growth_data", "--prune", "mdl"}, {"growth_dataPruned.tree"});
  // The job's scratch tables are gone on both.
  EXPECT_EQ(OnPostgres({"tables"}).out, "growth_data\n");
}

TEST_F(PostgresCliTest, TransformationsAddTheSameColumnsAndTables) {
  Load({"golf_data", "loan_data"});
  // Sampling follows the row order, which updates change on PostgreSQL: it runs first.
  ExpectSameRun({"sample", "--table", "loan_data", "--percent", "30", "--name", "Loan30"});
  ExpectSameTable("Loan30");
  // Of the statistics, min and max are computed columns (SQLite's text "9000.0").
  for (const char* stat : {"average", "median", "stdev", "values", "missing", "mode"}) {
    ExpectSameRun({"stats", "--table", "loan_data", "--column", "income", "--stat", stat});
  }
  // Most frequent values that tie (three incomes three times each, two outlooks five times),
  // which each database returns in an order of its own: the mode is the largest, the
  // substitute for missing values the smallest.
  EXPECT_EQ(
      ExpectSameRun({"stats", "--table", "loan_data", "--column", "income", "--stat", "mode"}).out,
      "30800\n");
  EXPECT_EQ(
      ExpectSameRun({"stats", "--table", "golf_data", "--column", "outlook", "--stat", "mode"}).out,
      "sunny\n");
  EXPECT_EQ(
      ExpectSameRun({"nullsub", "--table", "golf_data", "--column", "outlook", "--name", "o2"}).out,
      "missing values replaced by 'rainy'\nThe table is updated\n");
  ExpectSameRun({"stats", "--table", "loan_data", "--column", "age", "--stat", "correlation",
                 "--with", "income"});
  ExpectSameRun({"values", "--table", "golf_data", "--column", "outlook", "--probability"});
  ExpectSameRun({"discretize", "--table", "loan_data", "--column", "income", "--intervals", "4",
                 "--type", "uniform", "--name", "income4"});
  ExpectSameRun({"discretize", "--table", "golf_data", "--column", "temperature", "--intervals",
                 "3", "--label", "text", "--name", "Temp3"});
  ExpectSameRun({"nullsub", "--table", "loan_data", "--column", "age", "--name", "age_full"});
  ExpectSameRun({"nullsub", "--table", "loan_data", "--column", "employment", "--name", "emp"});
  ExpectSameRun({"scale", "--table", "golf_data", "--column", "humidity", "--inf=-1", "--sup", "1",
                 "--name", "hum"});
  ExpectSameTable("loan_data", true);
  ExpectSameTable("golf_data", true);
}

// A fixed-width text, a date, a long text and a number of every digit go through the commands
// that copy, compare and fill them as the database holds them: commas stay commas, 0.1 + 0.2 and
// 0.3 are the one value "0.3", and a filled copy of a column is of the column's own type.
TEST_F(PostgresCliTest, ValuesAndTypesSurviveCopiesComparisonsAndFills) {
  ExecuteOnBoth({"create table notes (code char(3), day date, note varchar(40), x float)",
                 "insert into notes values ('a,b', '2024-01-02', 'longer than fifteen letters', "
                 "0.1 + 0.2), ('e,f', null, 'g,h', 0.3), (null, '2024-03-04', null, null)"});
  // SQLite's driver calls a char(3) column a varchar: only PostgreSQL's reads "char".
  EXPECT_EQ(OnPostgres({"columns", "notes"}).out,
            "code\tchar\nday\tdate\nnote\tstring\nx\tfloat\n");
  ExpectSameRun({"split", "notes", "n1", "n2", "50"});
  EXPECT_EQ(OnPostgres({"query",
                        "select code from n1 where code like '_,_' union all select code "
                        "from n2 where code like '_,_' order by 1"})
                .out,
            "code\na,b\ne,f\n");

  ExpectSameRun({"binarize", "--table", "notes", "--column", "x"});
  EXPECT_EQ(OnPostgres({"query", "select count(*) as [n] from notes where [x_Value_0.3] = 1"}).out,
            "n\n2\n");

  for (const char* column : {"code", "day", "note"}) {
    ExpectSameRun(
        {"nullsub", "--table", "notes", "--column", column, "--name", std::string(column) + "2"});
  }
  EXPECT_EQ(OnPostgres({"columns", "notes"}).out,
            "code\tchar\nday\tdate\nnote\tstring\nx\tfloat\nx_Value_0.3\tinteger\ncode2\tchar\n"
            "day2\tdate\nnote2\tstring\n");
  EXPECT_EQ(OnPostgres({"query", "select day2, note2 from notes order by day2, note2"}).out,
            "day2\tnote2\n2024-01-02\tg,h\n2024-01-02\tlonger than fifteen letters\n"
            "2024-03-04\tg,h\n");
}

}  // namespace
}  // namespace quarry
