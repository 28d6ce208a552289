#pragma once
// How a table's rows become the case model, on every database: core_dtree_tests instantiates it
// for SQLite, postgres_tests for PostgreSQL.

#include <string>

#include "tests/support/temp_database.h"

namespace quarry::dtree {

class CaseLoadConformance : public testing::BackendTest {
 protected:
  // Fills `table` with rows 1..n of the select list `columns`, written over the row number i.
  void Fill(const std::string& table, long n, const std::string& columns);
  // Loads `table` as a job does, then again, which reads the rows a second time against the
  // attribute table; both loads must give the same cases and messages, and the attribute table
  // the values the grouped queries give. Returns the messages of the first load.
  std::string LoadTwiceAndCompare(const std::string& table, bool expectKept);
};

}  // namespace quarry::dtree
