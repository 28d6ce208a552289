#include "core/assoc/rule_generator.h"

#include <algorithm>
#include <unordered_map>

#include "core/assoc/association_miner.h"
#include "core/assoc/candidate_generation.h"

namespace quarry::assoc {

namespace {

ItemPositions Without(const ItemPositions& set, const ItemPositions& removed) {
  ItemPositions rest;
  std::set_difference(set.begin(), set.end(), removed.begin(), removed.end(),
                      std::back_inserter(rest));
  return rest;
}

float Ratio(int64_t part, int64_t whole) {
  return static_cast<float>(static_cast<double>(part) / static_cast<double>(whole));
}

}  // namespace

std::string RuleText(const ItemPositions& antecedent, const ItemPositions& consequent,
                     const std::vector<std::string>& itemNames) {
  return ItemsetText(antecedent, itemNames) + "  ==>  " + ItemsetText(consequent, itemNames);
}

RuleSides SplitRuleText(std::string_view text) {
  constexpr std::string_view kArrow = "]  ==>  [";
  const size_t arrow = text.find(kArrow);
  if (arrow == std::string_view::npos || !text.starts_with('[') || !text.ends_with(']'))
    return {std::string(text), {}};
  const size_t consequent = arrow + kArrow.size();
  return {std::string(text.substr(1, arrow - 1)),
          std::string(text.substr(consequent, text.size() - 1 - consequent))};
}

RuleGenerator::RuleGenerator(std::vector<std::string> itemNames, float minConfidence,
                             int32_t transactions, ItemsetList frequent)
    : itemNames_(std::move(itemNames)),
      minConfidence_(minConfidence),
      transactions_(transactions),
      frequent_(std::move(frequent)) {}

std::vector<AssociationRule> RuleGenerator::Run() const {
  std::vector<AssociationRule> rules;
  if (transactions_ <= 0) return rules;
  std::vector<ItemPositions> positions;
  positions.reserve(frequent_.size());
  // The first itemset of each set of items gives its count.
  std::unordered_map<ItemPositions, int32_t, PositionsHash> countOf;
  for (const Itemset& set : frequent_) {
    positions.push_back(ToPositions(set.items));
    countOf.emplace(positions.back(), set.count);
  }

  for (size_t s = 0; s < frequent_.size(); ++s) {
    const ItemPositions& l = positions[s];
    const int32_t count = frequent_[s].count;
    // The rule A ==> h when confident enough; every subset of a frequent set is frequent, so A
    // is found unless the list is not a miner's.
    auto tryRule = [&](const ItemPositions& h) {
      const ItemPositions a = Without(l, h);
      auto found = countOf.find(a);
      if (a.empty() || found == countOf.end() || found->second <= 0) return false;
      const float confidence = Ratio(count, found->second);
      if (confidence < minConfidence_) return false;
      rules.push_back({RuleText(a, h, itemNames_), Ratio(count, transactions_), confidence, a, h});
      return true;
    };
    std::vector<ItemPositions> accepted;
    for (int32_t item : l) {
      if (tryRule({item})) accepted.push_back({item});
    }
    for (size_t m = 1; m + 1 < l.size() && !accepted.empty(); ++m) {
      std::vector<ItemPositions> next;
      for (JoinedCandidate& h : JoinAndPrune(accepted)) {
        if (tryRule(h.positions)) next.push_back(std::move(h.positions));
      }
      accepted = std::move(next);
    }
  }
  return rules;
}

std::vector<AssociationRule> Extract(const AssociationMiner& miner) {
  RuleGenerator generator(miner.ItemNames(), miner.MinConfidence(),
                          static_cast<int32_t>(miner.Transactions()), miner.FrequentItemsets());
  return generator.Run();
}

}  // namespace quarry::assoc
