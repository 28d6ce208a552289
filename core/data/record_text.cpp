#include "core/data/record_text.h"

namespace quarry {

bool DriverKeepsServerText(std::string_view typeName) {
  static constexpr std::string_view kTypes[] = {"int2",    "int4", "int8",    "float4", "float8",
                                                "numeric", "text", "varchar", "bpchar", "char"};
  for (std::string_view type : kTypes) {
    if (typeName == type) return true;
  }
  return false;
}

bool SplitRecordText(std::string_view text, size_t count, std::vector<std::string>& fields) {
  fields.resize(count);
  if (count == 0 || text.size() < 2 || text.front() != '(' || text.back() != ')') return false;
  const char* p = text.data() + 1;
  const char* const end = text.data() + text.size() - 1;  // the closing parenthesis
  for (size_t i = 0; i < count; ++i) {
    std::string& field = fields[i];
    field.clear();
    if (*p == '"') {
      ++p;
      while (true) {
        if (p == end) return false;
        const char c = *p++;
        if (c == '"') {
          if (p == end || *p != '"') break;
          ++p;  // a doubled quote
        } else if (c == '\\') {
          if (p == end) return false;
          field.push_back(*p++);
          continue;
        }
        field.push_back(c);
      }
    } else {
      const char* start = p;
      while (p != end && *p != ',') ++p;
      if (p == start) {
        field = "?";
      } else {
        field.assign(start, p);
      }
    }
    // After each field but the last comes a comma, after the last the end of the text.
    if (i + 1 < count) {
      if (p == end || *p != ',') return false;
      ++p;
    } else if (p != end) {
      return false;
    }
  }
  return true;
}

}  // namespace quarry
