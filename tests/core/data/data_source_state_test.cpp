#include <gtest/gtest.h>

#include <future>

#include "core/data/data_source.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class DataSourceStateTest : public testing::DatabaseTest {};

// A window asks these while a job holds the data source; waiting for the job would freeze it.
TEST_F(DataSourceStateTest, StateIsReadableWhileAJobHoldsTheLock) {
  source_.SetCurrentTable("golf_data");
  std::promise<void> held;
  std::promise<void> release;
  std::thread job([&] {
    ExclusiveUse exclusive(source_);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  auto reader = std::async(std::launch::async, [&] {
    return std::make_tuple(source_.IsOpen(), source_.ConnectString(), source_.CurrentTable());
  });
  const bool answered = reader.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  release.set_value();
  job.join();
  ASSERT_TRUE(answered);
  auto [open, connect, table] = reader.get();
  EXPECT_TRUE(open);
  EXPECT_NE(connect.find(dbPath_.string()), std::string::npos);
  EXPECT_EQ(table, "golf_data");

  source_.Close();
  EXPECT_FALSE(source_.IsOpen());
  EXPECT_EQ(source_.ConnectString(), "");
}

}  // namespace
}  // namespace quarry
