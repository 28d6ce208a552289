#pragma once
// The SQL of a saved tree, run in the database, against apply on the same rows: on SQLite in
// core_scoring_tests, on PostgreSQL in postgres_tests.

#include "tests/support/temp_database.h"

namespace quarry {

class ModelSqlConformance : public testing::BackendTest {};

}  // namespace quarry
