#include "tests/core/data/data_source_conformance.h"
#include "tests/core/dtree/case_load_conformance.h"
#include "tests/core/scoring/model_sql_conformance.h"

namespace quarry {

INSTANTIATE_TEST_SUITE_P(Postgres, DataSourceConformance,
                         ::testing::Values(testing::Backend::kPostgres), testing::BackendName);
INSTANTIATE_TEST_SUITE_P(Postgres, ModelSqlConformance,
                         ::testing::Values(testing::Backend::kPostgres), testing::BackendName);

}  // namespace quarry

namespace quarry::dtree {

INSTANTIATE_TEST_SUITE_P(Postgres, CaseLoadConformance,
                         ::testing::Values(testing::Backend::kPostgres), testing::BackendName);

}  // namespace quarry::dtree
