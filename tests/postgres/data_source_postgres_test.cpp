#include "tests/core/data/data_source_conformance.h"

namespace quarry {

INSTANTIATE_TEST_SUITE_P(Postgres, DataSourceConformance,
                         ::testing::Values(testing::Backend::kPostgres), testing::BackendName);

}  // namespace quarry
