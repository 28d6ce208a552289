#pragma once
// Runs queries against a logic program by depth-first resolution: clauses are tried in the order
// they were written, goals from left to right, and every solution is offered in that order.

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "counsel/logic_parser.h"
#include "counsel/logic_term.h"

namespace counsel {

class Solver {
 public:
  explicit Solver(std::vector<Clause> program);

  // Calls `onSolution` for each solution of `goal`, in order, while it returns true; the goal's
  // variables hold the solution's values during the call. Returns false with `error` set when a
  // goal cannot be run: a predicate without clauses, arithmetic on something that is not a
  // number, or rules that recurse too deeply. Bindings are undone before returning.
  bool Solve(const TermRef& goal, const std::function<bool()>& onSolution, std::string& error);

  // Whether the program has clauses for `indicator` ("name/arity").
  bool Defines(const std::string& indicator) const { return index_.count(indicator) > 0; }

 private:
  struct Goals;
  using GoalList = std::shared_ptr<const Goals>;
  enum class Outcome { kMore, kStop, kError };

  Outcome Run(const GoalList& goals, int depth, const std::function<bool()>& onSolution);
  Outcome RunBuiltin(const TermRef& goal, const GoalList& next, int depth,
                     const std::function<bool()>& onSolution, bool& handled);
  bool Evaluate(const TermRef& expression, double& value);
  bool Unify(const TermRef& a, const TermRef& b);
  void Bind(const TermRef& variable, const TermRef& value);
  void UndoTo(size_t mark);

  std::vector<Clause> program_;
  std::unordered_map<std::string, std::vector<const Clause*>> index_;
  std::vector<TermRef> trail_;
  std::string error_;
};

}  // namespace counsel
