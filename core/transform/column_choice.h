#pragma once
// What every transformation of a table column checks first: the table and column the user chose,
// and the name of the column it is about to add.

#include <functional>
#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

class DataSource;

inline constexpr const char* kSelectTable = "Please, select a table";
inline constexpr const char* kSelectField = "Please, select a field";
inline constexpr const char* kSelectAnotherField = "Please, select another field";
inline constexpr const char* kFieldNameNotValid = "Name of field not valid";
inline constexpr const char* kTableIsUpdated = "The table is updated";

// Asks the user for a name at the moment the job needs it ("Attribute Name", "QUARRY Insert
// Table Name"); the CLI answers with the name given on its command line.
using NameQuestion = std::function<std::string()>;
inline NameQuestion FixedName(std::string name) {
  return [name = std::move(name)] { return name; };
}

struct ChosenColumn {
  std::string table;               // as the catalog spells it
  std::string column;              // as the table spells it
  std::string type;                // its type name ("float", "string", ...)
  std::vector<std::string> names;  // every column of the table
  std::vector<std::string> types;
};

// The table of the catalog named `table` (exact spelling first, then without regard to case)
// with its columns; kInvalidArgument with kSelectTable when there is none. `column` stays empty.
Expected<ChosenColumn> ChooseTable(DataSource& source, const std::string& table);

// As ChooseTable, and its column `column` (same matching); kSelectField when there is none.
Expected<ChosenColumn> ChooseColumn(DataSource& source, const std::string& table,
                                    const std::string& column);

// Whether the catalog has a table of that name, whatever the case of its letters.
bool TableNameTaken(DataSource& source, const std::string& name);

// kFieldNameNotValid when `name` is empty or already a column of the chosen table.
Status CheckNewColumnName(const ChosenColumn& chosen, const std::string& name);

// The first row of a query's result (an empty vector when it has none); kDatabase when the
// database refuses the query.
Expected<std::vector<std::string>> ReadFirstRow(DataSource& source, const std::string& sql);

}  // namespace quarry
