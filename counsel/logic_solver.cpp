#include "counsel/logic_solver.h"

#include <cmath>

namespace counsel {

namespace {

// Each goal and each clause takes a frame of the machine stack; a runaway recursion in an edited
// rules file must end with a message, not a crash.
constexpr int kMaxDepth = 4000;

bool IsCall(const TermRef& goal, const char* name, size_t arity) {
  if (goal->name != name) return false;
  if (arity == 0) return goal->kind == TermKind::kAtom;
  return goal->kind == TermKind::kCompound && goal->args.size() == arity;
}

}  // namespace

struct Solver::Goals {
  TermRef goal;
  GoalList next;
};

Solver::Solver(std::vector<Clause> program) : program_(std::move(program)) {
  for (const Clause& clause : program_) index_[Indicator(clause.head)].push_back(&clause);
}

bool Solver::Solve(const TermRef& goal, const std::function<bool()>& onSolution,
                   std::string& error) {
  error_.clear();
  const Outcome outcome = Run(std::make_shared<Goals>(Goals{goal, nullptr}), 0, onSolution);
  UndoTo(0);
  if (outcome == Outcome::kError) {
    error = error_;
    return false;
  }
  return true;
}

Solver::Outcome Solver::Run(const GoalList& goals, int depth,
                            const std::function<bool()>& onSolution) {
  if (!goals) return onSolution() ? Outcome::kMore : Outcome::kStop;
  if (depth > kMaxDepth) {
    error_ = "the rules go too deep (is a rule calling itself without end?)";
    return Outcome::kError;
  }
  const TermRef goal = Resolve(goals->goal);
  if (goal->kind == TermKind::kVariable) {
    error_ = "a goal is a variable without a value";
    return Outcome::kError;
  }
  if (goal->kind != TermKind::kAtom && goal->kind != TermKind::kCompound) {
    error_ = ToText(goal) + " is not a goal";
    return Outcome::kError;
  }
  bool handled = false;
  const Outcome builtin = RunBuiltin(goal, goals->next, depth, onSolution, handled);
  if (handled) return builtin;

  const auto found = index_.find(Indicator(goal));
  if (found == index_.end()) {
    error_ = "no rule or fact for " + Indicator(goal);
    return Outcome::kError;
  }
  for (const Clause* clause : found->second) {
    const size_t mark = trail_.size();
    std::unordered_map<const Term*, TermRef> fresh;
    if (Unify(Rename(clause->head, fresh), goal)) {
      GoalList next = goals->next;
      for (auto it = clause->body.rbegin(); it != clause->body.rend(); ++it) {
        next = std::make_shared<Goals>(Goals{Rename(*it, fresh), next});
      }
      const Outcome outcome = Run(next, depth + 1, onSolution);
      if (outcome != Outcome::kMore) return outcome;
    }
    UndoTo(mark);
  }
  return Outcome::kMore;
}

Solver::Outcome Solver::RunBuiltin(const TermRef& goal, const GoalList& next, int depth,
                                   const std::function<bool()>& onSolution, bool& handled) {
  handled = true;
  const size_t mark = trail_.size();
  auto then = [&] { return Run(next, depth + 1, onSolution); };
  auto goalList = [](const TermRef& first, const GoalList& rest) {
    return std::make_shared<Goals>(Goals{first, rest});
  };

  if (IsCall(goal, "true", 0)) return then();
  if (IsCall(goal, "fail", 0) || IsCall(goal, "false", 0)) return Outcome::kMore;
  if (IsCall(goal, ",", 2)) {
    return Run(goalList(goal->args[0], goalList(goal->args[1], next)), depth + 1, onSolution);
  }
  if (IsCall(goal, ";", 2)) {
    const Outcome left = Run(goalList(goal->args[0], next), depth + 1, onSolution);
    if (left != Outcome::kMore) return left;
    UndoTo(mark);
    return Run(goalList(goal->args[1], next), depth + 1, onSolution);
  }
  if (IsCall(goal, "\\+", 1) || IsCall(goal, "once", 1)) {
    bool found = false;
    const Outcome inner = Run(goalList(goal->args[0], nullptr), depth + 1, [&found] {
      found = true;
      return false;
    });
    if (inner == Outcome::kError) return inner;
    const bool negation = goal->name == "\\+";
    if (negation) UndoTo(mark);
    if (found == negation) {
      UndoTo(mark);
      return Outcome::kMore;
    }
    const Outcome outcome = then();  // once/1 keeps the first solution's bindings
    if (outcome == Outcome::kMore) UndoTo(mark);
    return outcome;
  }
  if (IsCall(goal, "=", 2) || IsCall(goal, "\\=", 2)) {
    const bool unified = Unify(goal->args[0], goal->args[1]);
    const bool wanted = goal->name == "=";
    if (!wanted) UndoTo(mark);
    if (unified != wanted) {
      UndoTo(mark);
      return Outcome::kMore;
    }
    const Outcome outcome = then();
    if (outcome == Outcome::kMore) UndoTo(mark);
    return outcome;
  }
  if (IsCall(goal, "is", 2)) {
    double value = 0;
    if (!Evaluate(goal->args[1], value)) return Outcome::kError;
    if (!Unify(goal->args[0], MakeNumber(value))) {
      UndoTo(mark);
      return Outcome::kMore;
    }
    const Outcome outcome = then();
    if (outcome == Outcome::kMore) UndoTo(mark);
    return outcome;
  }
  static const char* const kComparisons[] = {"<", ">", "=<", ">=", "=:=", "=\\="};
  for (const char* comparison : kComparisons) {
    if (!IsCall(goal, comparison, 2)) continue;
    double left = 0;
    double right = 0;
    if (!Evaluate(goal->args[0], left) || !Evaluate(goal->args[1], right)) return Outcome::kError;
    const std::string& op = goal->name;
    const bool holds = op == "<"     ? left < right
                       : op == ">"   ? left > right
                       : op == "=<"  ? left <= right
                       : op == ">="  ? left >= right
                       : op == "=:=" ? left == right
                                     : left != right;
    return holds ? then() : Outcome::kMore;
  }
  handled = false;
  return Outcome::kMore;
}

bool Solver::Evaluate(const TermRef& expression, double& value) {
  const TermRef e = Resolve(expression);
  switch (e->kind) {
    case TermKind::kNumber:
      value = e->number;
      return true;
    case TermKind::kVariable:
      error_ = "arithmetic on the variable " + e->name + ", which has no value yet";
      return false;
    case TermKind::kCompound: {
      double a = 0;
      double b = 0;
      if (e->args.size() == 1 && e->name == "-") {
        if (!Evaluate(e->args[0], a)) return false;
        value = -a;
        return true;
      }
      if (e->args.size() == 2 &&
          (e->name == "+" || e->name == "-" || e->name == "*" || e->name == "/")) {
        if (!Evaluate(e->args[0], a) || !Evaluate(e->args[1], b)) return false;
        if (e->name == "/" && b == 0) {
          error_ = "division by zero in " + ToText(e);
          return false;
        }
        value = e->name == "+" ? a + b : e->name == "-" ? a - b : e->name == "*" ? a * b : a / b;
        return true;
      }
      break;
    }
    default:
      break;
  }
  error_ = ToText(e) + " is not a number";
  return false;
}

bool Solver::Unify(const TermRef& a, const TermRef& b) {
  const TermRef x = Resolve(a);
  const TermRef y = Resolve(b);
  if (x == y) return true;
  if (x->kind == TermKind::kVariable) {
    Bind(x, y);
    return true;
  }
  if (y->kind == TermKind::kVariable) {
    Bind(y, x);
    return true;
  }
  if (x->kind != y->kind) return false;
  switch (x->kind) {
    case TermKind::kNumber:
      return x->number == y->number;
    case TermKind::kAtom:
    case TermKind::kString:
      return x->name == y->name;
    default:
      if (x->name != y->name || x->args.size() != y->args.size()) return false;
      for (size_t i = 0; i < x->args.size(); ++i) {
        if (!Unify(x->args[i], y->args[i])) return false;
      }
      return true;
  }
}

void Solver::Bind(const TermRef& variable, const TermRef& value) {
  variable->binding = value;
  trail_.push_back(variable);
}

void Solver::UndoTo(size_t mark) {
  while (trail_.size() > mark) {
    trail_.back()->binding.reset();
    trail_.pop_back();
  }
}

}  // namespace counsel
