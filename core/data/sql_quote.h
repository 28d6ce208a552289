#pragma once
// The one place where identifiers and literals are made safe to put into SQL text. Every table
// name, column name and string value the program inserts into a statement goes through here;
// the dialect layer later turns bracketed identifiers into the connected database's quoting.

#include <string>
#include <string_view>

namespace quarry {

// "[" + name + "]", with every "]" in the name doubled.
std::string QuoteIdent(std::string_view name);

// "'" + value + "'", with every "'" in the value doubled.
std::string QuoteLiteral(std::string_view value);

// "select * from " + the quoted table name: the column-list query every method runs.
std::string SelectAllFrom(std::string_view table);

}  // namespace quarry
