#include "core/data/sql_quote.h"

namespace quarry {

static std::string Enclose(std::string_view text, char open, char close) {
  std::string out;
  out.reserve(text.size() + 2);
  out += open;
  for (char c : text) {
    out += c;
    if (c == close) out += c;
  }
  out += close;
  return out;
}

std::string QuoteIdent(std::string_view name) { return Enclose(name, '[', ']'); }

std::string QuoteLiteral(std::string_view value) { return Enclose(value, '\'', '\''); }

std::string SelectAllFrom(std::string_view table) { return "select * from " + QuoteIdent(table); }

}  // namespace quarry
