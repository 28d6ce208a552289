#pragma once
// Column type names as every method sees them ("integer", "float", "string", ...), derived from
// the ODBC SQL type of a column through the ADO data-type codes that the type names are defined on.

#include <string>
#include <string_view>

namespace quarry {

// The ADO data-type code that a column of ODBC SQL type `sqlType` carries.
int AdoTypeCode(int sqlType);

// The type name of an ADO data-type code ("Unknown type!!" for codes outside the table).
std::string TypeNameOfAdoCode(int adoCode);

inline std::string TypeNameOfSqlType(int sqlType) { return TypeNameOfAdoCode(AdoTypeCode(sqlType)); }

// True for the type names that the data files and the engines treat as numbers.
bool IsNumericTypeName(const std::string& typeName);

// Declared column types (the workbench's type words and the usual SQL ones) whose values go
// into SQL as numbers, and those of them that hold booleans.
bool IsNumericColumnType(const std::string& type);
bool IsBooleanColumnType(const std::string& type);
// "true" or "false", in any case: texts a numeric column takes as 1 and 0.
bool IsBooleanWord(std::string_view text);

}  // namespace quarry
