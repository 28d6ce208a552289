#include "tests/core/dtree/case_load_conformance.h"

namespace quarry::dtree {

INSTANTIATE_TEST_SUITE_P(Sqlite, CaseLoadConformance, ::testing::Values(testing::Backend::kSqlite),
                         testing::BackendName);

}  // namespace quarry::dtree
