#include "core/data/sql_lexer.h"

#include <cctype>

#include "core/common/text_util.h"

namespace quarry {

bool SqlToken::IsWord(std::string_view upper) const {
  return kind == SqlTokenKind::kWord && EqualsIgnoreCase(text, upper);
}

size_t NextSignificant(const std::vector<SqlToken>& tokens, size_t i) {
  while (i < tokens.size() && !tokens[i].IsSignificant()) ++i;
  return i;
}

namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// Index just past a run enclosed by `close`, where a doubled closer stands for itself.
size_t SkipEnclosed(std::string_view sql, size_t start, char close) {
  size_t i = start + 1;
  while (i < sql.size()) {
    if (sql[i] == close) {
      if (i + 1 < sql.size() && sql[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return sql.size();
}

}  // namespace

std::vector<SqlToken> LexSql(std::string_view sql) {
  std::vector<SqlToken> tokens;
  size_t i = 0;
  while (i < sql.size()) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    size_t end = i + 1;
    SqlTokenKind kind = SqlTokenKind::kPunct;
    if (std::isspace(c)) {
      kind = SqlTokenKind::kSpace;
      while (end < sql.size() && std::isspace(static_cast<unsigned char>(sql[end]))) ++end;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      kind = SqlTokenKind::kComment;
      end = sql.find('\n', i);
      end = end == std::string_view::npos ? sql.size() : end;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      kind = SqlTokenKind::kComment;
      end = sql.find("*/", i + 2);
      end = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (c == '\'') {
      kind = SqlTokenKind::kString;
      end = SkipEnclosed(sql, i, '\'');
    } else if (c == '[') {
      kind = SqlTokenKind::kBracketIdent;
      end = SkipEnclosed(sql, i, ']');
    } else if (c == '"' || c == '`') {
      kind = SqlTokenKind::kQuotedIdent;
      end = SkipEnclosed(sql, i, static_cast<char>(c));
    } else if (std::isdigit(c) || (c == '.' && i + 1 < sql.size() &&
                                   std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      kind = SqlTokenKind::kNumber;
      while (end < sql.size()) {
        const unsigned char d = static_cast<unsigned char>(sql[end]);
        if (std::isdigit(d) || d == '.') {
          ++end;
        } else if ((d == 'e' || d == 'E') && end + 1 < sql.size() &&
                   (std::isdigit(static_cast<unsigned char>(sql[end + 1])) ||
                    ((sql[end + 1] == '+' || sql[end + 1] == '-') && end + 2 < sql.size() &&
                     std::isdigit(static_cast<unsigned char>(sql[end + 2]))))) {
          end += 2;
        } else {
          break;
        }
      }
    } else if (IsWordStart(c)) {
      kind = SqlTokenKind::kWord;
      while (end < sql.size() && IsWordChar(static_cast<unsigned char>(sql[end]))) ++end;
    }
    tokens.push_back({kind, sql.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

std::string IdentifierName(const SqlToken& token) {
  if (token.kind == SqlTokenKind::kWord) return std::string(token.text);
  std::string_view inner = token.text.substr(1);
  const char close = token.kind == SqlTokenKind::kBracketIdent ? ']' : token.text[0];
  if (!inner.empty() && inner.back() == close) inner.remove_suffix(1);
  const char closer[2] = {close, 0};
  const char doubled[3] = {close, close, 0};
  return ReplaceAll(inner, doubled, closer);
}

}  // namespace quarry
