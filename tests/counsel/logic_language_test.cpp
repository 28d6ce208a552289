#include <gtest/gtest.h>

#include "counsel/logic_parser.h"
#include "counsel/logic_solver.h"

namespace counsel {
namespace {

std::vector<Clause> Program(const std::string& text) {
  std::vector<Clause> clauses;
  std::string error;
  EXPECT_TRUE(ParseClauses(text, "test", clauses, error)) << error;
  return clauses;
}

// Every value of X for which `query` (mentioning X) holds, in order, as text.
std::vector<std::string> Values(const std::string& program, const std::string& query,
                                std::string* error = nullptr) {
  Solver solver(Program(program));
  TermRef goal;
  std::string problem;
  EXPECT_TRUE(ParseTerm("Q = X, " + query, goal, problem)) << problem;
  // The first conjunct ties the query's own X to one the test can read.
  const TermRef x = Resolve(goal)->args[0]->args[1];
  std::vector<std::string> values;
  const bool ok = solver.Solve(
      goal,
      [&] {
        values.push_back(ToText(x));
        return true;
      },
      problem);
  if (error)
    *error = ok ? "" : problem;
  else
    EXPECT_TRUE(ok) << problem;
  return values;
}

TEST(LogicLanguage, ReadsFactsRulesCommentsAndTexts) {
  const std::string program = R"(
% a comment
// another comment
/* a block
   comment */
level(low). level('High level').
name("a \"quoted\" text\n").
pair([one, 2, "three"]).
big(X) :- level(X), X \= low.
)";
  EXPECT_EQ(Values(program, "level(X)"), (std::vector<std::string>{"low", "High level"}));
  EXPECT_EQ(Values(program, "big(X)"), std::vector<std::string>{"High level"});
  EXPECT_EQ(Values(program, "name(X)"), std::vector<std::string>{"\"a \"quoted\" text\n\""});
  EXPECT_EQ(Values(program, "pair([_, X, _])"), std::vector<std::string>{"2"});
}

TEST(LogicLanguage, ArithmeticFollowsPrecedenceAndAssociativity) {
  EXPECT_EQ(Values("", "X is 2 + 3 * 4"), std::vector<std::string>{"14"});
  EXPECT_EQ(Values("", "X is 10 - 4 - 3"), std::vector<std::string>{"3"});
  EXPECT_EQ(Values("", "X is 12 / 4 / 3"), std::vector<std::string>{"1"});
  EXPECT_EQ(Values("", "X is -2 * (1.5 - -0.5)"), std::vector<std::string>{"-4"});
  EXPECT_EQ(Values("", "X is 1.0e2 + 2.5E-1"), std::vector<std::string>{"100.25"});
}

TEST(LogicLanguage, ComparesNumbersAtTheEdges) {
  const std::string program =
      "v(0.9999). v(1). v(10). v(10.0001).\n"
      "band(V, low) :- v(V), V < 1.\n"
      "band(V, mid) :- v(V), V >= 1, V =< 10.\n"
      "band(V, high) :- v(V), V > 10.\n";
  EXPECT_EQ(Values(program, "band(X, low)"), std::vector<std::string>{"0.9999"});
  EXPECT_EQ(Values(program, "band(X, mid)"), (std::vector<std::string>{"1", "10"}));
  EXPECT_EQ(Values(program, "band(X, high)"), std::vector<std::string>{"10.0001"});
  EXPECT_EQ(Values(program, "v(X), X =:= 10.0"), std::vector<std::string>{"10"});
  EXPECT_EQ(Values(program, "v(X), X =\\= 1, X < 10"), std::vector<std::string>{"0.9999"});
}

TEST(LogicLanguage, BacktracksInClauseOrderWithNegationOnceAndDisjunction) {
  const std::string program = R"(
parent(ann, bob). parent(bob, cid). parent(bob, dee). parent(dee, eve).
ancestor(X, Y) :- parent(X, Y).
ancestor(X, Y) :- parent(X, Z), ancestor(Z, Y).
childless(X) :- parent(_, X), \+ parent(X, _).
)";
  EXPECT_EQ(Values(program, "ancestor(ann, X)"),
            (std::vector<std::string>{"bob", "cid", "dee", "eve"}));
  EXPECT_EQ(Values(program, "childless(X)"), (std::vector<std::string>{"cid", "eve"}));
  EXPECT_EQ(Values(program, "once(ancestor(bob, X))"), std::vector<std::string>{"cid"});
  EXPECT_EQ(Values(program, "(parent(X, eve) ; parent(ann, X))"),
            (std::vector<std::string>{"dee", "bob"}));
  // A failed branch leaves no binding behind for the next one.
  EXPECT_EQ(Values(program, "(X = cid, fail ; true), parent(bob, X)"),
            (std::vector<std::string>{"cid", "dee"}));
}

TEST(LogicLanguage, GoalsThatCannotRunAreErrorsNotFailures) {
  std::string error;
  Values("a(1).", "b(X)", &error);
  EXPECT_NE(error.find("b/1"), std::string::npos) << error;
  Values("a(1).", "a(Y), X is Y + Z", &error);
  EXPECT_NE(error.find("Z"), std::string::npos) << error;
  Values("a(x).", "a(Y), Y > 1, X = Y", &error);
  EXPECT_NE(error.find("not a number"), std::string::npos) << error;
  Values("", "X is 1 / 0", &error);
  EXPECT_NE(error.find("division by zero"), std::string::npos) << error;
  // A rule that calls itself without end is stopped with a message, not a crash.
  Values("loop(X) :- loop(X).", "loop(X)", &error);
  EXPECT_NE(error.find("too deep"), std::string::npos) << error;
}

struct BadText {
  const char* text;
  int line;
};

class LogicSyntax : public ::testing::TestWithParam<BadText> {};

TEST_P(LogicSyntax, NamesTheLineOfTheFault) {
  std::vector<Clause> clauses;
  std::string error;
  EXPECT_FALSE(ParseClauses(GetParam().text, "rules.txt", clauses, error));
  EXPECT_EQ(error.rfind("rules.txt:" + std::to_string(GetParam().line) + ": ", 0), 0u) << error;
  EXPECT_TRUE(clauses.empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, LogicSyntax,
                         ::testing::Values(BadText{"a(1).\nb(2)\n", 2},         // no full stop
                                           BadText{"a(1).\n\nb(2, .\n", 3},     // missing argument
                                           BadText{"a(\"open).\n", 1},          // unclosed text
                                           BadText{"a. /* never closed\n", 1},  // unclosed comment
                                           BadText{"X :- a.\n", 1},       // head is a variable
                                           BadText{"a :- 3.\n", 1},       // a number is no goal
                                           BadText{"a(1) b(2).\n", 1},    // two terms
                                           BadText{"a(12abc).\n", 1},     // malformed number
                                           BadText{"a :- b, !.\n", 1}));  // no cut in this language

}  // namespace
}  // namespace counsel
