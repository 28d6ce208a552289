#pragma once
// PostgreSQL's text of a row value, as "row(a, b, c)::text" gives it: "(1,,"x, y",z)". Fields are
// separated by commas; a NULL field is empty; a field holding a comma, a double quote, a
// parenthesis, a backslash or white space, and the empty string, are written in double quotes
// with every '"' and '\' inside doubled.

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

// PostgreSQL types (as pg_type and the driver spell them) whose text the driver passes on as the
// server writes it: integers, real, double precision, numeric and the text types. Booleans are
// not: the driver writes them as 1 and 0. It rewrites others, dates and time stamps among them.
bool DriverKeepsServerText(std::string_view typeName);

// Splits `text` into its `count` fields, NULL read as "?"; `fields` is resized to `count` and its
// strings are reused. False when `text` is not a row value text of exactly `count` fields.
bool SplitRecordText(std::string_view text, size_t count, std::vector<std::string>& fields);

}  // namespace quarry
