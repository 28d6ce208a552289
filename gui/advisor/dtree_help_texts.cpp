#include "gui/advisor/dtree_help_texts.h"

#include <utility>

#include "core/common/text_util.h"

namespace quarry::gui {

namespace {

using Entry = std::pair<const char*, std::vector<std::string>>;

const std::vector<Entry>& Table() {
  static const std::vector<Entry> table = {
      {"Number of items in each leaf:",
       {"C4.5 grows the tree by adding a splitting node that passes down a minimum number of "
        "training cases. The default value is 2: an higher value is suggested when the training "
        "data are noisy.  "}},
      {"Gain Ratio:",
       {"The Gain Ratio is the default measure proposed to choose the best split. You can change "
        "the selected measure in the Gain Criterion. Remember: Gain \\emp\\Criterion advantages "
        "splits on attributes with a lot of different \\emp\\values.   "}},
      {"Tests on discrete attribute groups",
       {"If you select the true option the values of discrete attributes are grouped."}},
      {"Tree evaluated on unseen cases",
       {"How evaluate the induced tree?  You can use a set of cases different from the training "
        "set.",
        "Remember: if you use the training set, the evaluation of the induced tree could be "
        "optimistic. \\pau=100\\ "}},
      {"probability threshold used",
       {"If you select the true option C4.5 computes the subsidiary cut-points, Z+ and Z-, for "
        "each split on continuos attributes. These points are used when the cases are classified "
        "using the interactive decision tree interpreter. "}},
      {"windowing enabled",
       {"If you check this option you activate the Windowing functionality.\\pau=350\\  What is "
        "\\emp\\the Windowing?\\pau=200\\   ",
        "A set of cases, named Window, is randomly extracted from the training cases and a "
        "decision tree is induced.\\pau=200\\",
        "This tree is used to classify the remaining training cases. \\pau=200\\",
        "A sample of the misclassified cases \\emp\\ is added to the Initial Window, and a tree, "
        "is induced from the new training set and tested on the remaining cases.\\pau=200\\",
        "Cycle is repeated until a Tree built from the current Window correctly classified all "
        "the training cases outside the Window.\\pau=300\\",
        "Remember: windowing can increase computational complexity and the accuracy of induced "
        "trees.\\pau=250\\"}},
      {"windowing with trials:",
       {"If you have activated Windowing, trees are grown iteratively.  ",
        "You can specify how many trees must be grown before the best one is selected. "}},
      {"initial window size",
       {"If you have activated Windowing, you can specify the number of cases that are included "
        "in the initial window. "}},
      {"Maximum window increment ",
       {"If you have activated Windowing, you can specify the maximum number of misclassified "
        "cases that can be added to the window at each iteration. ",
        "Whatever the value of this option, however, at least half of the training cases "
        "misclassified by the current rule are added to the next window. "}},
      {"pruning confidence level",
       {"You can set a confidence level for the EBP method. Remember: a low confidence allows "
        "for a more selective pruning."}},
      {"MValues",
       {"This sequence of values, affects decision MEP tree pruning. Generally, the higher of M "
        "value, the more severe the pruning. However, for M2 > M1, the algorithm may not return "
        "a smaller tree, than the obtained for value M1.   ",
        "Quarry, adopt a two phase aproach:   First, evaluate the classification accuracy of the "
        "pruned trees produced from the different M values on an indipendent pruning set.   ",
        "Then, select the smallest tree with the lowest empirical error rate."}},
      {"Show &Tree",
       {"If you have induced a tree, pressing this button, the induced non-pruned tree, will be "
        "visualized.   "}},
      {"Show &Rules",
       {"If you have induced a tree, pressing this button, rules regarding the induced "
        "non-pruned tree, will be visualized.   "}},
      {"Pruned Tree",
       {"If you have induced a tree, pressing this button, the induced pruned tree, will be "
        "visualized.   "}},
      {"Pruned Rules",
       {"If you have induced a tree, pressing this button, rules regarding the induced pruned "
        "tree, will be visualized.   "}},
      {"E&xecute", {"Pressing this button, QUARRY will induce a decision tree."}},
      {"&Cancel", {"Pressing this button, C4.5 parameters will be reset to default values.  "}},
      {"C&lose", {"Pressing this button, this window will be closed. "}},
  };
  return table;
}

// A caption without accelerator marks and surrounding blanks.
std::string Plain(const std::string& caption) {
  std::string text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] != '&') continue;
    text += caption[i];
  }
  return std::string(Trim(text));
}

const Entry* Find(const std::string& caption) {
  const std::string wanted = Plain(caption);
  if (wanted.empty()) return nullptr;
  for (const Entry& entry : Table()) {
    if (Plain(entry.first) == wanted) return &entry;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> DecisionTreeHelpTexts(const std::string& caption) {
  const Entry* entry = Find(caption);
  return entry ? entry->second : std::vector<std::string>{kNoComment};
}

bool HasDecisionTreeHelp(const std::string& caption) { return Find(caption) != nullptr; }

}  // namespace quarry::gui
