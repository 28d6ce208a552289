#include "core/data/rows_ahead.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/data/data_source.h"
#include "core/data/transaction.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class RowsAheadTest : public testing::DatabaseTest {};

// Rows handed to another thread in batches must come out whole, once each and in order, however
// the limit falls against the batches; small reads stay on the calling thread.
TEST_F(RowsAheadTest, EveryRowOnceInOrderUpToTheLimit) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 3000; ++i) rows.push_back({std::to_string(i), "v" + std::to_string(i % 7)});
  {
    Transaction transaction(source_);
    MakeTable("t", {"n", "s"}, {"integer", "string"}, rows);
    ASSERT_TRUE(transaction.Commit().ok());
  }
  ExclusiveUse exclusive(source_);
  for (long limit : {-1L, 0L, 1L, 1023L, 1024L, 1025L, 2048L, 2999L, 5000L}) {
    ASSERT_TRUE(source_.Query("select * from t"));
    std::vector<std::vector<std::string>> seen;
    bool otherThread = false;
    const auto caller = std::this_thread::get_id();
    const long read = ReadRowsAhead(source_, limit, [&](const std::vector<std::string>& row) {
      seen.push_back(row);
      otherThread = otherThread || std::this_thread::get_id() != caller;
    });
    const size_t expected = limit < 0 || limit > 3000 ? 3000 : static_cast<size_t>(limit);
    EXPECT_EQ(read, static_cast<long>(expected)) << limit;
    ASSERT_EQ(seen.size(), expected) << limit;
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), rows.begin())) << limit;
    EXPECT_EQ(otherThread, expected >= 1024) << limit;
  }
}

}  // namespace
}  // namespace quarry
