#pragma once
// The order in which a column's values sort, applied to texts read from the column: a loader
// that gathers a column's distinct texts while it reads the rows gets them in the order "select
// C from T group by C order by C" would give them, without that scan of the table. PostgreSQL
// is asked to sort the texts as values of the column's type; SQLite's order is the storage
// class's, then the value's, which the texts with their classes tell.

#include <optional>
#include <string>
#include <vector>

namespace quarry {

class DataSource;

// The declared type of each of `columns` (names as the table has them) of `table`, for
// SortAsColumnValues. Empty when `table` is not a PostgreSQL table or relation, or one of the
// columns is missing or of a type whose texts are not known to read back as the same values
// (integers, real, double precision, numeric, text, varchar, char and boolean do).
struct ColumnTypes {
  std::vector<std::string> typeNames;   // as format_type writes them: "character varying(20)"
  std::vector<std::string> collations;  // qualified and quoted, or empty for types without one
  bool empty() const { return typeNames.empty(); }
};
ColumnTypes ColumnTypesOf(DataSource& source, const std::string& table,
                          const std::vector<std::string>& columns);

// Orders each `texts[c]` (distinct texts of column c, "?" standing for NULL) as the server
// orders the column's values: "?" first (NULL sorts first, as everywhere in the workbench), then
// by the column's type and collation, texts of equal values by their bytes. False, with the texts
// unchanged, when the server refuses (a text its type does not read, say). The caller holds the
// data source's exclusive use.
bool SortAsColumnValues(DataSource& source, const ColumnTypes& types,
                        std::vector<std::vector<std::string>>& texts);

// SQLite: whether "select C from T group by C" gives each of `columns` (names as the table has
// them) of `table` in ascending order of its bytes or numbers, the order SortAsSqliteValues
// gives. A table of the main database without a collating sequence or a descending key anywhere
// in its definition or its indexes does; a view, a temporary or virtual table, or any doubt,
// does not. `textAffinity[c]` tells whether column c's declared type makes SQLite store every
// value but a blob as text.
bool SqliteGroupsInBinaryOrder(DataSource& source, const std::string& table,
                               const std::vector<std::string>& columns,
                               std::vector<bool>& textAffinity);

// SQLite: whether a row of `table` holds a blob in one of `columns` (quoted), or (`nulls`) NULL;
// nullopt when the database cannot tell. A scan that reads only those columns' values.
std::optional<bool> SqliteColumnsHold(DataSource& source, const std::string& table,
                                      const std::vector<std::string>& columns, bool nulls);

// The first letter of SQLite's typeof() of each column of `columns` (quoted), concatenated:
// an expression giving one text per row, "ntir", for SortAsSqliteValues.
std::string SqliteStorageClasses(const std::vector<std::string>& columns);

// Orders each `texts[c]` (distinct texts of an SQLite column of BINARY collation, "?" for NULL)
// as the column's groups come: NULL first, then integers and reals by value, then texts by their
// bytes. `classes[c][k]` is the storage class of texts[c][k] as SqliteStorageClasses writes it.
// False, with the texts unchanged, where texts cannot tell the groups and their order: a blob,
// two texts of one value (an integer and a real, 1 and 1.0), an integer too long to read, or
// integers beside reals large enough for the reals' shortened texts to pass them.
bool SortAsSqliteValues(const std::vector<std::string>& classes,
                        std::vector<std::vector<std::string>>& texts);

}  // namespace quarry
