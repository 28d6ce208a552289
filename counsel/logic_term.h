#pragma once
// Terms of counsel's logic language: atoms, numbers, strings, variables, compound terms and
// flat lists. A variable is bound by pointing it at another term; the solver undoes bindings
// from its trail when it backtracks.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace counsel {

enum class TermKind { kAtom, kNumber, kString, kVariable, kCompound, kList };

struct Term;
using TermRef = std::shared_ptr<Term>;

struct Term {
  TermKind kind = TermKind::kAtom;
  std::string name;  // atom, functor, string text or variable name
  double number = 0;
  std::vector<TermRef> args;  // compound arguments or list elements
  TermRef binding;            // what a bound variable stands for
};

TermRef MakeAtom(std::string name);
TermRef MakeNumber(double value);
TermRef MakeString(std::string text);
TermRef MakeVariable(std::string name);
TermRef MakeCompound(std::string functor, std::vector<TermRef> args);
TermRef MakeList(std::vector<TermRef> elements);

// Follows variable bindings to the term a reference stands for.
TermRef Resolve(TermRef term);

// "name/arity", the key clauses are filed under.
std::string Indicator(const TermRef& term);

// A copy of `term` in which every variable is replaced by a fresh one; `fresh` maps the original
// variables to their copies so that a clause's head and body share them.
TermRef Rename(const TermRef& term, std::unordered_map<const Term*, TermRef>& fresh);

// A number as the rules show it: up to four decimals, trailing zeros dropped.
std::string NumberText(double value);

// The term written for a reader (bindings followed), for messages and tests.
std::string ToText(const TermRef& term);

}  // namespace counsel
