#pragma once
// The order in which a PostgreSQL column's values sort, applied to texts read from the column:
// a loader that gathers a column's distinct texts while it reads the rows gets them in the
// order "select C from T group by C order by C" would give them, without that scan of the table.

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

}  // namespace quarry
