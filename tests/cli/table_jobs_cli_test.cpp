// Jobs that make or replace tables, as a user meets them under faults and beside other programs:
// existing tables kept unless replacing is asked for, nothing left by a job killed half way, and
// two programs writing to one database file.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/sample_database.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class TableJobsCliTest : public testing::CliFixture {
 protected:
  // The tables and the rows of golf_test: what a job that fails must leave as it was.
  std::string State() { return Run({"tables"}).out + Query("select * from golf_test"); }
};

TEST_F(TableJobsCliTest, ExistingTablesAreReplacedOnlyWhenAskedFor) {
  const std::string before = State();
  auto run = Run({"split", "golf_data", "golf_test", "rest", "50"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("table golf_test exists already"), std::string::npos) << run.err;
  // SQLite's names ignore case: GOLF_DATA is the table split.
  EXPECT_EQ(Run({"split", "golf_data", "GOLF_DATA", "rest", "50"}).exitCode, 1);
  // Fold counts out of range are refused with the range golf_data allows; one fold would have
  // an empty complement.
  for (const auto& [k, message] : std::vector<std::pair<std::string, std::string>>{
           {"0", "the number of folds must be between 2 and 14 (the rows of golf_data)\n"},
           {"1", "the number of folds must be between 2 and 14 (the rows of golf_data)\n"},
           {"100000",
            "the number of folds (100000) is more than the 14 rows of golf_data: every fold "
            "needs a row\n"}}) {
    run = Run({"partition", "golf_data", k, "--overwrite"});
    EXPECT_EQ(run.exitCode, 1) << k;
    EXPECT_EQ(run.err, message) << k;
  }
  EXPECT_EQ(State(), before);

  run = Run({"split", "golf_data", "golf_test", "rest", "50", "--overwrite"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Query("select count(*) from golf_test"), "COUNT(*)\n7\n");
  ASSERT_EQ(Run({"partition", "golf_data", "2"}).exitCode, 0);
  EXPECT_EQ(Run({"partition", "golf_data", "2"}).exitCode, 1);
  EXPECT_EQ(Run({"partition", "golf_data", "2", "--overwrite"}).exitCode, 0);
}

// Killed at each change it sends to the database in turn, a job leaves the tables as they were;
// run to its end, it does its work.
TEST_F(TableJobsCliTest, AJobKilledAtAnyStepLeavesTheDatabaseAsItWas) {
  ASSERT_EQ(Run({"export", "golf_data", "golf.txt"}).exitCode, 0);
  const std::string file = WorkingFile("golf.txt").string();
  const std::vector<std::vector<std::string>> jobs = {
      {"split", "golf_data", "golf_test", "rest", "50", "--overwrite"},
      {"partition", "golf_data", "3"},
      {"import", file, "--table", "golf_again"},
      {"materialize", "select * from golf_data where play = 'no'", "--name", "golf_test",
       "--overwrite"}};
  for (const auto& job : jobs) {
    const std::string before = State();
    int step = 1;
    for (; step < 200; ++step) {
      setenv("QUARRY_KILL_AT", std::to_string(step).c_str(), 1);
      const int exitCode = Run(job).exitCode;
      unsetenv("QUARRY_KILL_AT");
      if (exitCode == 0) break;
      ASSERT_EQ(State(), before) << job[0] << " killed at step " << step;
    }
    EXPECT_GT(step, 5) << job[0] << ": every table and row is a step";
    EXPECT_NE(State(), before) << job[0];
  }
}

// Interrupted (Ctrl+C) at each change it sends to the database in turn, a job that makes work
// tables stops as the stop button stops it: it drops them and exits 1, or it had finished.
TEST_F(TableJobsCliTest, AnInterruptedJobStopsAndDropsItsWorkTables) {
  const std::string before = State();
  for (const std::string table : {"golf_data", "growth_data"}) {
    const std::string job = table == "golf_data" ? "dtree-cv" : "mtree-cv";
    int stopped = 0;
    for (int step = 1; step < 300; step += 2) {
      setenv("QUARRY_INTERRUPT_AT", std::to_string(step).c_str(), 1);
      const testing::CliRun run = Run({job, "--table", table, "--folds", "3"});
      unsetenv("QUARRY_INTERRUPT_AT");
      ASSERT_EQ(State(), before) << job << " interrupted at step " << step;
      ASSERT_TRUE(run.exitCode == 1 || run.exitCode == 0) << step << run.err;
      if (run.err.find("stopping the job") == std::string::npos) break;  // past its last change
      stopped += run.exitCode;
    }
    EXPECT_GT(stopped, 3) << job;
  }
}

TEST_F(TableJobsCliTest, ASecondWriterWaitsOrSaysTheDatabaseIsBusy) {
  // A table large enough that the two jobs overlap.
  ASSERT_EQ(Run({"materialize", "select a.* from wave_data a, wave_data b where b.rowid <= 60",
                 "--name", "big"})
                .exitCode,
            0);
  auto split = std::async(std::launch::async, [&] {
    return Run({"split", "big", "big_a", "big_b", "50"});
  });
  auto sample = std::async(std::launch::async, [&] {
    return Run({"sample", "--table", "big", "--percent", "50", "--name", "big_s"});
  });
  const auto splitRun = split.get();
  const auto sampleRun = sample.get();
  EXPECT_EQ(splitRun.exitCode, 0) << splitRun.err;
  EXPECT_EQ(sampleRun.exitCode, 0) << sampleRun.err;
  EXPECT_EQ(Query("select count(*) from big_a"), "COUNT(*)\n9000\n");
  EXPECT_EQ(Query("select count(*) from big_s"), "COUNT(*)\n9000\n");

  // Past the wait, the second writer gives up and changes nothing.
  const std::string before = Run({"tables"}).out;
  DataSource writer;
  ASSERT_TRUE(writer.Open(SqliteConnectString(WorkingFile(kSampleDatabaseName).string())));
  ASSERT_TRUE(writer.BeginTransaction()) << writer.LastError();
  ASSERT_TRUE(writer.Execute("delete from big where 1 = 0"));
  setenv("QUARRY_BUSY_WAIT", "1", 1);
  const auto busy = Run({"split", "golf_data", "g1", "g2", "50"});
  unsetenv("QUARRY_BUSY_WAIT");
  EXPECT_EQ(busy.exitCode, 1);
  EXPECT_NE(busy.err.find(kDatabaseBusy), std::string::npos) << busy.err;
  writer.Rollback();
  writer.Close();
  EXPECT_EQ(Run({"tables"}).out, before);
}

// A job's work tables are its own while it runs: another program neither replaces them nor has
// its own tables of those names dropped by the job. A run that was killed leaves them to the
// next run, which drops them and says so.
TEST_F(TableJobsCliTest, WorkTablesBelongToTheRunThatMadeThem) {
  ASSERT_EQ(Run({"tables"}).exitCode, 0);
  const std::string before = Run({"tables"}).out;
  {
    // This process runs a job that made golf_data0 for its own use.
    DataSource job;
    ASSERT_TRUE(job.Open(SqliteConnectString(WorkingFile(kSampleDatabaseName).string())));
    WorkTables work(job);
    ASSERT_TRUE(work.Claim({"golf_data0"}).ok());
    ASSERT_TRUE(job.Execute("create table golf_data0 (x integer)"));
    EXPECT_EQ(Run({"tables"}).out, before + "golf_data0\n");
    auto run = Run({"partition", "golf_data", "3", "--overwrite"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("golf_data0 is a work table of a job that is running"),
              std::string::npos)
        << run.err;
    run = Run({"materialize", "select * from golf_data", "--name", "GOLF_DATA0", "--overwrite"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(work.DropAll().empty());
  }
  EXPECT_EQ(Run({"tables"}).out, before);

  // Killed once its folds are made (after some 300 rows and a few tables), the next run drops
  // them, says so, and does its work.
  testing::CliRun run;
  for (int step = 300; step < 400 && Run({"tables"}).out == before; step += 4) {
    setenv("QUARRY_KILL_AT", std::to_string(step).c_str(), 1);
    run = Run({"dtree-cv", "--table", "wave_data", "--folds", "3"});
    unsetenv("QUARRY_KILL_AT");
    ASSERT_NE(run.exitCode, 0) << step;
  }
  ASSERT_NE(Run({"tables"}).out, before);
  run = Run({"dtree-cv", "--table", "wave_data", "--folds", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("dropped the tables a stopped run had left: wave_data0 "),
            std::string::npos)
      << run.out.substr(0, 300);
  EXPECT_EQ(Run({"tables"}).out, before);
  EXPECT_EQ(Query("select count(*) from QuarryWorkTables").find("COUNT"), std::string::npos);
}

TEST_F(TableJobsCliTest, ACutDatabaseFileIsRefused) {
  ASSERT_EQ(Run({"tables"}).exitCode, 0);
  // The working copy of the sample, cut short as a full disk would leave it.
  const auto copy = WorkingFile(kSampleDatabaseName);
  std::filesystem::resize_file(copy, std::filesystem::file_size(copy) / 2 + 100);
  const auto run = Run({"tables"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("is not a whole SQLite database file"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quarry
