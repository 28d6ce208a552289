#pragma once
// Reads counsel's logic language: clauses ended by a full stop, `Head :- Goal, Goal.` for rules,
// `Head.` for facts. Atoms start with a lower-case letter (or are quoted 'like this'), variables
// with an upper-case letter or "_", strings are in double quotes, lists in brackets. Goals may
// compare numbers (`<`, `>`, `=<`, `>=`, `=:=`, `=\=`) over arithmetic (`+ - * /`), unify (`=`,
// `\=`), evaluate (`X is Expr`) and negate (`\+ Goal`). "%" and "//" start a comment that runs to
// the line end; "/* */" encloses one.

#include <string>
#include <vector>

#include "counsel/logic_term.h"

namespace counsel {

struct Clause {
  TermRef head;
  std::vector<TermRef> body;  // goals in order; empty for a fact
  int line = 0;               // where the clause starts, for messages
};

// Parses `text`; on failure returns false with "<origin>:<line>: <what is wrong>" in `error`
// and leaves `clauses` untouched.
bool ParseClauses(const std::string& text, const std::string& origin, std::vector<Clause>& clauses,
                  std::string& error);

// Parses one term (a goal or query), without the final full stop.
bool ParseTerm(const std::string& text, TermRef& term, std::string& error);

}  // namespace counsel
