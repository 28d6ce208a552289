#pragma once
// Column type names as every method sees them ("integer", "float", "string", ...), derived from
// the ODBC SQL type of a column through the ADO data-type codes that the type names are defined on.

#include <string>

namespace quarry {

// The ADO data-type code that a column of ODBC SQL type `sqlType` carries.
int AdoTypeCode(int sqlType);

// The type name of an ADO data-type code ("Unknown type!!" for codes outside the table).
std::string TypeNameOfAdoCode(int adoCode);

inline std::string TypeNameOfSqlType(int sqlType) { return TypeNameOfAdoCode(AdoTypeCode(sqlType)); }

// True for the type names that the data files and the engines treat as numbers.
bool IsNumericTypeName(const std::string& typeName);

}  // namespace quarry
