#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/assoc/association_miner.h"
#include "core/assoc/rule_files.h"
#include "core/assoc/rule_generator.h"
#include "core/data/working_folder.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry::assoc {
namespace {

using Names = std::vector<std::string>;

Itemset Set(const ItemPositions& positions, int32_t count, size_t m) {
  return {count, ToItemVector(positions, m)};
}

// N = 10 over a, b, c.
ItemsetList Abc() {
  return {Set({0}, 6, 3),    Set({1}, 7, 3),    Set({2}, 5, 3),      Set({0, 1}, 5, 3),
          Set({0, 2}, 4, 3), Set({1, 2}, 4, 3), Set({0, 1, 2}, 4, 3)};
}

TEST(RuleGeneration, OneItemConsequentsFirstThenJoinedOnes) {
  const std::vector<AssociationRule> rules = RuleGenerator({"a", "b", "c"}, 0.7f, 10, Abc()).Run();
  Names texts;
  for (const AssociationRule& r : rules) texts.push_back(r.text);
  EXPECT_EQ(texts,
            (Names{"[b]  ==>  [a]", "[a]  ==>  [b]", "[c]  ==>  [a]", "[c]  ==>  [b]",
                   "[b,c]  ==>  [a]", "[a,c]  ==>  [b]", "[a,b]  ==>  [c]", "[c]  ==>  [a,b]"}));
  EXPECT_FLOAT_EQ(rules[0].support, 0.5f);
  EXPECT_FLOAT_EQ(rules[0].confidence, 5.0f / 7.0f);
  EXPECT_FLOAT_EQ(rules[7].confidence, 0.8f);
  EXPECT_EQ(rules[7].consequent, (ItemPositions{0, 1}));
}

TEST(RuleGeneration, ConfidenceZeroGivesEveryProperSubsetOnce) {
  // Every subset of {a,b,c,d} frequent, counts decreasing with size.
  ItemsetList sets;
  for (unsigned mask = 1; mask < 16; ++mask) {
    ItemPositions p;
    for (int i = 0; i < 4; ++i) {
      if (mask & (1u << i)) p.push_back(i);
    }
    sets.push_back(Set(p, 10 - static_cast<int32_t>(p.size()), 4));
  }
  const auto rules = RuleGenerator({"a", "b", "c", "d"}, 0.0f, 10, sets).Run();
  std::map<ItemPositions, std::multiset<ItemPositions>> antecedents;
  for (const AssociationRule& r : rules) {
    ItemPositions whole = r.antecedent;
    whole.insert(whole.end(), r.consequent.begin(), r.consequent.end());
    std::sort(whole.begin(), whole.end());
    antecedents[whole].insert(r.antecedent);
  }
  size_t expected = 0;
  for (const auto& [whole, as] : antecedents) {
    expected += (1u << whole.size()) - 2;
    EXPECT_EQ(as.size(), (1u << whole.size()) - 2);
    EXPECT_EQ(std::set<ItemPositions>(as.begin(), as.end()).size(), as.size());
  }
  EXPECT_EQ(rules.size(), expected);
  EXPECT_EQ(rules.size(), 6u * 2 + 4u * 6 + 14u);
  // A one-item set gives no rule; a four-item set ends with its three-item consequents.
  EXPECT_EQ(rules.back().consequent.size(), 3u);
}

TEST(RuleFiles, ExactFormats) {
  const auto rules = RuleGenerator({"a", "b", "c"}, 0.7f, 10, Abc()).Run();
  testing::TempFolder folder;
  ASSERT_TRUE(WriteOutRules(rules).ok());
  ASSERT_TRUE(WriteAssocFile(rules).ok());
  const std::string out = testing::FileText(WorkingFile(kOutRulesFile));
  EXPECT_TRUE(
      out.starts_with("[b]  ==>  [a] supp: 0.500000 \n conf: 0.714286 \n\n"
                      "[a]  ==>  [b] supp: 0.500000 \n conf: 0.833333 \n\n[c]"))
      << out;
  EXPECT_TRUE(out.ends_with("[c]  ==>  [a,b] supp: 0.400000 \n conf: 0.800000 \n\n"));
  const std::string assoc = testing::FileText(WorkingFile(kAssocFile));
  EXPECT_TRUE(
      assoc.starts_with("Regola 0 = [b]  ==>  [a]\n***************\nRegola 1 = [a]  ==>  [b]\n"));
  EXPECT_TRUE(assoc.ends_with("Regola 7 = [c]  ==>  [a,b]\n***************\n"));
  // The viewer's table splits each text back into its sides.
  EXPECT_EQ(SplitRuleText(rules.back().text).antecedent, "c");
  EXPECT_EQ(SplitRuleText(rules.back().text).consequent, "a,b");
  const RuleSides odd = SplitRuleText(RuleText({0}, {1}, {"x]", "[y"}));
  EXPECT_EQ(odd.antecedent + "|" + odd.consequent, "x]|[y");

  // No rules: both files are emptied.
  ASSERT_TRUE(WriteOutRules({}).ok());
  ASSERT_TRUE(WriteAssocFile({}).ok());
  EXPECT_EQ(testing::FileText(WorkingFile(kOutRulesFile)), "");
  EXPECT_EQ(testing::FileText(WorkingFile(kAssocFile)), "");
  EXPECT_FALSE(std::filesystem::exists(WorkingFile("outrules.txt.part")));

  // A miner whose run failed (or that never ran) has no rules to replace the files with.
  const auto extracted = ExtractLastRun(AssociationMiner());
  ASSERT_FALSE(extracted.ok());
  EXPECT_EQ(extracted.status().message(), kNoMiningResult);
}

}  // namespace
}  // namespace quarry::assoc
