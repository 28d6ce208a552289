#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/scoring/model_sql.h"
#include "tests/core/scoring/model_sql_conformance.h"

namespace quarry {

INSTANTIATE_TEST_SUITE_P(Sqlite, ModelSqlConformance, ::testing::Values(testing::Backend::kSqlite),
                         testing::BackendName);

namespace {

// The bound answers as the engine's 32-bit comparison does, also for doubles next to a cut.
TEST(FloatCutBound, SameAnswerAsTheFloatComparison) {
  for (float cut : {35.5f, 0.1f, -2.5f, 1e-7f, 16777216.0f, 3.14159274f, -0.0f}) {
    const scoring::CutBound b = scoring::FloatCutBound(cut);
    const double next = std::nextafter(static_cast<double>(cut), 1e300);
    const float up = std::nextafter(cut, std::numeric_limits<float>::infinity());
    const double mid = (static_cast<double>(cut) + static_cast<double>(up)) / 2;
    for (double x : {static_cast<double>(cut), next, mid, std::nextafter(mid, 0.0),
                     std::nextafter(mid, 1e300), static_cast<double>(up)}) {
      const bool engine = static_cast<float>(x) <= cut;
      const bool sql = b.inclusive ? x <= b.bound : x < b.bound;
      EXPECT_EQ(sql, engine) << cut << " " << x;
    }
  }
}

}  // namespace
}  // namespace quarry
