#pragma once
// What counsel reads and writes. The workbench writes the two measures of a training table as
// facts; counsel asks its rules for the advice and answers in a fixed line layout:
//   1  a title (the workbench skips it)
//   2  the pruning method for a simple tree
//   3  the pruning method for an accurate tree
//   4  a heading (skipped)
//   5- the commentary, one line each, every line ended by a line feed

#include <string>
#include <vector>

#include "counsel/logic_parser.h"

namespace counsel {

struct Measures {
  double modelVariance = 0;
  double responseClassModeFrequency = 0;
};

struct Advice {
  std::string simpleTree;
  std::string accurateTree;
  std::vector<std::string> commentary;
};

// The advice lines are read by the workbench in reads of at most 255 characters, line end
// included; a longer advice line would shift the layout.
inline constexpr size_t kMaxAdviceLength = 254;

// Reads the input file's text: the facts "modelVariance(V)." and "responseClassModeFrequency(F)."
// once each, with finite numbers, and nothing else (comments aside).
bool ParseMeasures(const std::string& text, Measures& measures, std::string& error);

// Asks `rules`, with the measures added as facts, for the first answer of simpleTree(M), the
// first of accurateTree(M) and every answer of commentary(C). An answer is a string, an atom, a
// number or a list of them, written one after another.
bool ConsultRules(const std::vector<Clause>& rules, const Measures& measures, Advice& advice,
                  std::string& error);

// The output file's whole text.
std::string FormatAdvice(const Measures& measures, const Advice& advice);

}  // namespace counsel
