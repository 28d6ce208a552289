#include "counsel/advice_exchange.h"

#include <cmath>

#include "counsel/logic_solver.h"

namespace counsel {

namespace {

// The text an answer stands for; false when it is not made of texts and numbers.
bool AnswerText(const TermRef& term, std::string& text) {
  const TermRef t = Resolve(term);
  switch (t->kind) {
    case TermKind::kString:
    case TermKind::kAtom:
      text += t->name;
      return true;
    case TermKind::kNumber:
      text += NumberText(t->number);
      return true;
    case TermKind::kList:
      for (const TermRef& element : t->args) {
        if (!AnswerText(element, text)) return false;
      }
      return true;
    default:
      return false;
  }
}

// One line of the output: line ends inside an answer would break the layout.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// Collects the answers of `name`(X): the first only, or all of them. Rules without `name`
// give no answer.
bool Answers(Solver& solver, const std::string& name, bool all, std::vector<std::string>& texts,
             std::string& error) {
  if (!solver.Defines(name + "/1")) return true;
  const TermRef answer = MakeVariable("Answer");
  bool wrong = false;
  std::string problem;
  const bool ran = solver.Solve(
      MakeCompound(name, {answer}),
      [&] {
        std::string text;
        if (!AnswerText(answer, text)) {
          wrong = true;
          problem = name + " answered " + ToText(answer) + ", which is not a text";
          return false;
        }
        texts.push_back(OneLine(text));
        return all;
      },
      problem);
  if (!ran || wrong) {
    error = problem;
    return false;
  }
  return true;
}

bool OneAdvice(Solver& solver, const std::string& name, std::string& advice, std::string& error) {
  std::vector<std::string> texts;
  if (!Answers(solver, name, false, texts, error)) return false;
  if (texts.empty()) {
    error = "the rules give no answer to " + name + "(Method) for these measures";
    return false;
  }
  if (texts[0].empty() || texts[0].size() > kMaxAdviceLength) {
    error = "the answer to " + name + "(Method) must have 1 to " +
            std::to_string(kMaxAdviceLength) + " characters";
    return false;
  }
  advice = texts[0];
  return true;
}

TermRef Fact(const char* name, double value) { return MakeCompound(name, {MakeNumber(value)}); }

}  // namespace

bool ParseMeasures(const std::string& text, Measures& measures, std::string& error) {
  std::vector<Clause> facts;
  if (!ParseClauses(text, "input", facts, error)) return false;
  bool haveVariance = false;
  bool haveFrequency = false;
  for (const Clause& fact : facts) {
    const TermRef& head = fact.head;
    const bool variance = head->name == "modelVariance";
    const bool frequency = head->name == "responseClassModeFrequency";
    const std::string where = "input:" + std::to_string(fact.line) + ": ";
    if (!fact.body.empty() || (!variance && !frequency) || head->kind != TermKind::kCompound ||
        head->args.size() != 1) {
      error = where + "expected modelVariance(Number). or responseClassModeFrequency(Number).";
      return false;
    }
    const TermRef value = Resolve(head->args[0]);
    if (value->kind != TermKind::kNumber || !std::isfinite(value->number)) {
      error = where + head->name + " must hold a number";
      return false;
    }
    bool& seen = variance ? haveVariance : haveFrequency;
    if (seen) {
      error = where + head->name + " is given twice";
      return false;
    }
    seen = true;
    (variance ? measures.modelVariance : measures.responseClassModeFrequency) = value->number;
  }
  if (!haveVariance || !haveFrequency) {
    error = std::string("input: the fact ") +
            (haveVariance ? "responseClassModeFrequency" : "modelVariance") + " is missing";
    return false;
  }
  return true;
}

bool ConsultRules(const std::vector<Clause>& rules, const Measures& measures, Advice& advice,
                  std::string& error) {
  std::vector<Clause> program = rules;
  for (const Clause& rule : rules) {
    const std::string name = Indicator(rule.head);
    if (name == "modelVariance/1" || name == "responseClassModeFrequency/1") {
      error = "the rules may not state " + name + " themselves: it is measured";
      return false;
    }
  }
  program.push_back({Fact("modelVariance", measures.modelVariance), {}, 0});
  program.push_back(
      {Fact("responseClassModeFrequency", measures.responseClassModeFrequency), {}, 0});
  Solver solver(std::move(program));
  Advice result;
  if (!OneAdvice(solver, "simpleTree", result.simpleTree, error) ||
      !OneAdvice(solver, "accurateTree", result.accurateTree, error) ||
      !Answers(solver, "commentary", true, result.commentary, error)) {
    return false;
  }
  advice = std::move(result);
  return true;
}

std::string FormatAdvice(const Measures& measures, const Advice& advice) {
  std::string text = "Pruning advice for a model variance of " +
                     NumberText(measures.modelVariance) +
                     " and a response class mode frequency of " +
                     NumberText(measures.responseClassModeFrequency) + "%\n";
  text += advice.simpleTree + "\n";
  text += advice.accurateTree + "\n";
  text += "Why:\n";
  for (const std::string& line : advice.commentary) text += line + "\n";
  return text;
}

}  // namespace counsel
