#pragma once
// Materialize: a SELECT statement's result becomes a new table.

#include <functional>
#include <string>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kOpenDatabaseFirst = "Please, open a DataBase";
inline constexpr const char* kErrorInSqlStatement = "Error in SQL Statement";
inline constexpr const char* kTableExistsOverwrite = "The table already exists,overwrite?";

// Position of the " FROM " of the outer query (outside literals, identifiers and parentheses),
// or std::string::npos.
size_t FindOuterFrom(const std::string& sql);

struct MaterializedQuery {
  Status stored;  // whether the statement could be added to the stored queries
};

// Inserts "  INTO  " + name before the outer " FROM " and runs the statement; on success the new
// table becomes the data source's current table and the statement is stored. When the table
// exists, `confirmOverwrite` is asked (with kTableExistsOverwrite): no stops with kCancelled, yes
// replaces it, and the old table stays if the statement then fails.
Expected<MaterializedQuery> MaterializeQuery(
    DataSource& source, const std::string& sql, const std::string& name,
    const std::function<bool(const std::string& question)>& confirmOverwrite);

}  // namespace quarry
