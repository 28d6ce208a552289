#include "core/data/column_types.h"

#include <sql.h>
#include <sqlext.h>

#include "core/common/text_util.h"

namespace quarry {

namespace {

// ODBC SQL type -> ADO data-type code, as an ODBC-backed ADO provider reports them.
//
//   ODBC SQL type                          ADO code (name)           type name
//   SQL_UNKNOWN_TYPE                       0   adEmpty               "No value specified"
//   SQL_SMALLINT                           2   adSmallInt            "integer"
//   SQL_INTEGER                            3   adInteger             "integer"
//   SQL_REAL                               4   adSingle              "float"
//   SQL_FLOAT, SQL_DOUBLE                  5   adDouble              "float"
//   SQL_TINYINT                            17  adUnsignedTinyInt     "integer"
//   SQL_BIGINT                             20  adBigInt              "integer"
//   SQL_GUID                               72  adGUID                "string"
//   SQL_BINARY                             128 adBinary              "bit"
//   SQL_CHAR                               129 adChar                "char"
//   SQL_WCHAR                              130 adWChar               "string"
//   SQL_DECIMAL, SQL_NUMERIC               131 adNumeric             "float"
//   SQL_DATE, SQL_TYPE_DATE                133 adDBDate              "date"
//   SQL_TIME, SQL_TYPE_TIME                134 adDBTime              "time"
//   SQL_TIMESTAMP, SQL_TYPE_TIMESTAMP      135 adDBTimeStamp         "timestamp"
//   SQL_VARCHAR                            200 adVarChar             "string"
//   SQL_LONGVARCHAR                        201 adLongVarChar         "string"
//   SQL_WVARCHAR                           202 adVarWChar            "string"
//   SQL_WLONGVARCHAR                       203 adLongVarWChar        "string"
//   SQL_BIT                                11  adBoolean             "bit"
//   SQL_VARBINARY                          204 adVarBinary           "bit"
//   SQL_LONGVARBINARY                      205 adLongVarBinary       "bit"
//   anything else (intervals, ...)         -1                        "Unknown type!!"
constexpr int kUnknownAdoCode = -1;

}  // namespace

int AdoTypeCode(int sqlType) {
  switch (sqlType) {
    case SQL_UNKNOWN_TYPE: return 0;
    case SQL_SMALLINT: return 2;
    case SQL_INTEGER: return 3;
    case SQL_REAL: return 4;
    case SQL_FLOAT:
    case SQL_DOUBLE: return 5;
    case SQL_TINYINT: return 17;
    case SQL_BIGINT: return 20;
    case SQL_GUID: return 72;
    case SQL_BINARY: return 128;
    case SQL_CHAR: return 129;
    case SQL_WCHAR: return 130;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return 131;
    case SQL_DATE:
    case SQL_TYPE_DATE: return 133;
    case SQL_TIME:
    case SQL_TYPE_TIME: return 134;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return 135;
    case SQL_VARCHAR: return 200;
    case SQL_LONGVARCHAR: return 201;
    case SQL_WVARCHAR: return 202;
    case SQL_WLONGVARCHAR: return 203;
    case SQL_BIT: return 11;
    case SQL_VARBINARY: return 204;
    case SQL_LONGVARBINARY: return 205;
    default: return kUnknownAdoCode;
  }
}

std::string TypeNameOfAdoCode(int adoCode) {
  switch (adoCode) {
    case 0: return "No value specified";
    case 2: case 3: case 6: case 16: case 17: case 18: case 19: case 20: case 21:
      return "integer";
    case 4: case 5: case 14: case 131: return "float";
    case 7: case 133: return "date";
    case 8: case 72: case 130: case 200: case 201: case 202: case 203: return "string";
    case 9: case 13: return "Ole pointer";
    case 11: case 128: case 204: case 205: return "bit";
    case 12: return "Ole automation";
    case 129: return "char";
    case 132: return "User defined type";
    case 134: return "time";
    case 135: return "timestamp";
    default: return "Unknown type!!";
  }
}

bool IsNumericTypeName(const std::string& typeName) {
  return typeName == "float" || typeName == "integer" || typeName == "bit";
}

bool IsNumericColumnType(const std::string& type) {
  std::string t = ToLowerAscii(Trim(type));
  if (const size_t paren = t.find('('); paren != std::string::npos)
    t = std::string(Trim(t.substr(0, paren)));
  static const char* const kNumeric[] = {
      "integer",          "int",     "smallint", "bigint", "tinyint", "float", "real",  "double",
      "double precision", "numeric", "decimal",  "bit",    "single",  "long",  "short", "byte",
      "currency",         "counter", "boolean",  "yesno",  "logical"};
  for (const char* n : kNumeric) {
    if (t == n) return true;
  }
  return false;
}

bool IsBooleanColumnType(const std::string& type) {
  const std::string t = ToLowerAscii(Trim(type));
  return t == "bit" || t == "boolean" || t == "yesno" || t == "logical";
}

bool IsBooleanWord(std::string_view text) {
  return EqualsIgnoreCase(text, "true") || EqualsIgnoreCase(text, "false");
}

}  // namespace quarry
