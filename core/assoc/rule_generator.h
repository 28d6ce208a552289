#pragma once
// Association rules from frequent itemsets. For each frequent itemset l, in list order, the rules
// with one-item consequents come first (consequent positions ascending), then those with larger
// consequents, each size joined and pruned from the accepted consequents of the size before. A
// rule A ==> H is kept when count(l) / count(A) reaches the minimum confidence.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/assoc/itemset.h"

namespace quarry::assoc {

class AssociationMiner;

struct AssociationRule {
  // "[" + antecedent names + "]  ==>  [" + consequent names + "]", names joined with ",".
  std::string text;
  float support = 0.0f;     // count(l) / N
  float confidence = 0.0f;  // count(l) / count(A)
  ItemPositions antecedent;
  ItemPositions consequent;
};

class RuleGenerator {
 public:
  // `itemNames` names every position: the F columns, then in generalized mode the classes.
  RuleGenerator(std::vector<std::string> itemNames, float minConfidence, int32_t transactions,
                ItemsetList frequent);

  std::vector<AssociationRule> Run() const;

 private:
  std::vector<std::string> itemNames_;
  float minConfidence_;
  int32_t transactions_;
  ItemsetList frequent_;
};

// The rules of the miner's last result, with its minimum confidence.
std::vector<AssociationRule> Extract(const AssociationMiner& miner);

// The rule text of an antecedent and a consequent.
std::string RuleText(const ItemPositions& antecedent, const ItemPositions& consequent,
                     const std::vector<std::string>& itemNames);

// The two sides of a rule text without their brackets, names joined with "," as in the text:
// {"a,b", "c"} for "[a,b]  ==>  [c]". A text of another form is all antecedent.
struct RuleSides {
  std::string antecedent;
  std::string consequent;
};
RuleSides SplitRuleText(std::string_view text);

}  // namespace quarry::assoc
