#pragma once
// A lexer for the SQL the workbench writes and users type: enough to tell literals, quoted
// identifiers, comments, words and punctuation apart so that rewrites never touch the inside of
// a literal or an identifier.

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

enum class SqlTokenKind {
  kSpace,
  kComment,  // -- to end of line, or /* ... */
  kWord,     // keyword or bare identifier
  kNumber,
  kString,        // '...' with '' inside
  kBracketIdent,  // [...] with ]] inside
  kQuotedIdent,   // "..." with "" inside, or `...`
  kPunct,         // any other single character
};

struct SqlToken {
  SqlTokenKind kind;
  std::string_view text;  // a view into the lexed statement

  bool IsWord(std::string_view upper) const;  // case-insensitive keyword test
  // Anything but blanks and comments, which no rewrite looks at.
  bool IsSignificant() const {
    return kind != SqlTokenKind::kSpace && kind != SqlTokenKind::kComment;
  }
  bool IsPunct(char c) const {
    return kind == SqlTokenKind::kPunct && text.size() == 1 && text[0] == c;
  }
  bool IsIdentifier() const {
    return kind == SqlTokenKind::kWord || kind == SqlTokenKind::kBracketIdent ||
           kind == SqlTokenKind::kQuotedIdent;
  }
};

// Splits `sql` into tokens; an unterminated literal or identifier runs to the end of the text.
std::vector<SqlToken> LexSql(std::string_view sql);

// Index of the first significant token at or after `i` (tokens.size() when none).
size_t NextSignificant(const std::vector<SqlToken>& tokens, size_t i);

// The name an identifier token stands for: brackets or quotes removed, doubled closers undone.
std::string IdentifierName(const SqlToken& token);

}  // namespace quarry
