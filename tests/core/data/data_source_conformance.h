#pragma once
// The behaviour every database behind the data source must show, written once and run on each
// backend: core_data_tests instantiates it for SQLite, postgres_tests for PostgreSQL.

#include "tests/support/temp_database.h"

namespace quarry {

class DataSourceConformance : public testing::BackendTest {};

}  // namespace quarry
