#include <gtest/gtest.h>

#include "core/assoc/rule_filter.h"
#include "core/assoc/taxonomy.h"

namespace quarry::assoc {
namespace {

// Items: bread milk beer wine decision_Value_yes decision_Value_no; classes Products, Food,
// Drinks as generalized rules name them.
const std::vector<std::string> kNames = {
    "bread",    "milk", "beer",  "wine", "decision_Value_yes", "decision_Value_no",
    "Products", "Food", "Drinks"};

Taxonomy Shop() {
  Taxonomy t;
  t.SetAttributes({"bread", "milk", "beer", "wine", "decision_Value_yes", "decision_Value_no"});
  for (const char* name : {"Products", "Food", "Drinks"}) t.AddClassName(name);
  EXPECT_TRUE(t.SetClasses().ok());
  EXPECT_TRUE(t.SetRoot("Products").ok());
  EXPECT_TRUE(t.AddChild("Products", "Food").ok());
  EXPECT_TRUE(t.AddChild("Products", "Drinks").ok());
  EXPECT_TRUE(t.AddAttributes("Food", {"bread", "milk"}).ok());
  EXPECT_TRUE(t.AddAttributes("Drinks", {"beer", "wine"}).ok());
  EXPECT_TRUE(t.AddAttributes("Products", {"decision_Value_yes", "decision_Value_no"}).ok());
  EXPECT_TRUE(t.Close().ok());
  return t;
}

AssociationRule Rule(ItemPositions a, ItemPositions h) {
  return {RuleText(a, h, kNames), 0.1f, 0.9f, std::move(a), std::move(h)};
}

struct MatchCase {
  const char* templ;
  ItemPositions antecedent;
  ItemPositions consequent;
  bool matches;
};

class TemplateMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(TemplateMatching, AgreesWithTheDocumentedMeaning) {
  const Taxonomy shop = Shop();
  const ItemCatalog catalog{kNames, &shop};
  auto t = RuleTemplate::Parse(GetParam().templ);
  ASSERT_TRUE(t.ok()) << t.status().message();
  EXPECT_EQ(t->Matches(Rule(GetParam().antecedent, GetParam().consequent), catalog),
            GetParam().matches)
      << GetParam().templ;
}

INSTANTIATE_TEST_SUITE_P(
    Templates, TemplateMatching,
    ::testing::Values(
        MatchCase{"bread ==> milk", {0}, {1}, true},
        MatchCase{"bread ==> milk", {0, 2}, {1}, false},  // every item needs an element
        MatchCase{"bread, ... ==> milk", {0, 2}, {1}, true},
        MatchCase{"bread, ... ==> milk", {2}, {1}, false},  // bread is required
        MatchCase{"... ==> decision_Value_*", {0, 1, 2}, {4}, true},
        MatchCase{"... ==> decision_Value_*", {0}, {4, 5}, false},
        MatchCase{"... ==> decision_Value_*+", {0}, {4, 5}, true},
        MatchCase{"* ==> *", {0}, {1}, true}, MatchCase{"* ==> *", {0, 1}, {2}, false},
        MatchCase{"*{2,3} ==> *", {0, 1}, {2}, true},
        MatchCase{"*{2,3} ==> *", {0, 1, 2, 3}, {4}, false},
        MatchCase{"*{2,} ==> *", {0, 1, 2, 3}, {4}, true},
        MatchCase{"<Food>+ ==> <Drinks>", {0, 1}, {2}, true},
        MatchCase{"<Food>+ ==> <Drinks>", {0, 2}, {3}, false},  // beer is no Food
        MatchCase{"<Products>{2} ==> ...", {0, 3}, {1}, true},  // the root holds everything
        MatchCase{"<Food> ==> ...", {7}, {1}, true},            // the class item Food itself
        MatchCase{"<Food> ==> ...", {6}, {1}, false},           // Products is above Food
        // bread can go to either element; the assignment must give wine to <Drinks>.
        MatchCase{"<Food>, <Products> ==> *", {0, 3}, {1}, true},
        MatchCase{"<Products>, <Food> ==> *", {0, 3}, {1}, true},
        MatchCase{"<Food>, <Food> ==> *", {0, 3}, {1}, false},
        MatchCase{"\"bread\" ==> \"milk\"", {0}, {1}, true}));

TEST(RuleTemplate, ReadsQuotedNamesAndCounts) {
  auto t = RuleTemplate::Parse("\"a, b\"{1,2}, <\"Odd, class\">+ , ...  ==>x");
  ASSERT_TRUE(t.ok()) << t.status().message();
  ASSERT_EQ(t->LeftElements().size(), 3u);
  EXPECT_EQ(t->LeftElements()[0].text, "a, b");
  EXPECT_EQ(t->LeftElements()[0].max, 2);
  EXPECT_EQ(t->LeftElements()[1].kind, TemplateElement::Kind::kClass);
  EXPECT_EQ(t->LeftElements()[1].text, "Odd, class");
  EXPECT_EQ(t->LeftElements()[1].max, TemplateElement::kUnbounded);
  EXPECT_EQ(t->Text(), "\"a, b\"{1,2}, <\"Odd, class\">+ , ...    ==>  x");
}

// The template window writes chosen names with TemplateName; each must read back as that one
// item, whatever it holds.
TEST(RuleTemplate, WrittenNamesReadBackAsThemselves) {
  for (const std::string name :
       {"bread", "decision_Value_yes", "a, b", "say \"hi\"", "x*y", "...", "c++", " padded ",
        "a ==> b", "semi;colon", "<Food>", "{2}", "f(x)", "[0,5]"}) {
    auto t = RuleTemplate::Parse(TemplateName(name) + " ==> " + "<" + TemplateName(name) + ">");
    ASSERT_TRUE(t.ok()) << name << ": " << t.status().message();
    ASSERT_EQ(t->LeftElements().size(), 1u) << name;
    EXPECT_EQ(t->LeftElements()[0].kind, TemplateElement::Kind::kItem) << name;
    EXPECT_EQ(t->LeftElements()[0].text, name);
    EXPECT_EQ(t->LeftElements()[0].max, 1) << name;
    EXPECT_EQ(t->RightElements()[0].kind, TemplateElement::Kind::kClass) << name;
    EXPECT_EQ(t->RightElements()[0].text, name);
  }
  EXPECT_EQ(TemplateName("bread"), "bread");
}

TEST(RuleTemplate, RefusesWhatItCannotRead) {
  for (const char* bad :
       {"a ==> b ==> c", "a", " ==> b", "a, ==> b", "a{2,1} ==> b", "a{0} ==> b", "a{x} ==> b",
        "\"a ==> b", "<> ==> b", "a<b ==> c", "+ ==> b", "((( ==> ]]", "a ==> <F(x)>"}) {
    EXPECT_FALSE(RuleTemplate::Parse(bad).ok()) << bad;
  }
  // The message says where reading stopped, counted from 1.
  for (const auto& [bad, where] : std::vector<std::pair<std::string, int>>{
           {"bread, mi[lk ==> x", 10}, {"a ==> b, , c", 9}, {"a ==> b ==> c", 9}, {"a, b", 5}}) {
    const std::string message = RuleTemplate::Parse(bad).status().message();
    EXPECT_NE(message.find("reading stopped at character " + std::to_string(where) + ":"),
              std::string::npos)
        << bad << ": " << message;
  }
}

TEST(RuleFilter, KeepsWhatAnInclusiveTemplateMatchesAndNoRestrictiveOne) {
  const Taxonomy shop = Shop();
  RuleFilter filter;
  filter.SetRules({Rule({0}, {1}), Rule({0, 2}, {4}), Rule({2}, {5}), Rule({3}, {8})},
                  ItemCatalog{kNames, &shop});
  TemplateSet none;
  EXPECT_EQ(*filter.Apply(none), (std::vector<size_t>{0, 1, 2, 3}));

  TemplateSet templates;
  ASSERT_TRUE(
      templates.AddText("include ... ==> decision_Value_*\n# comment\ninclude bread ==> ...").ok());
  EXPECT_EQ(*filter.Apply(templates), (std::vector<size_t>{0, 1, 2}));
  ASSERT_TRUE(templates.Add(TemplateKind::kRestrictive, "<Drinks>, ...", "...").ok());
  EXPECT_EQ(*filter.Apply(templates), (std::vector<size_t>{0}));

  TemplateSet onlyRestrictive;
  ASSERT_TRUE(onlyRestrictive.AddText("exclude bread ==> *").ok());
  EXPECT_EQ(*filter.Apply(onlyRestrictive), (std::vector<size_t>{1, 2, 3}));

  // Written as text and read back, the templates filter alike.
  TemplateSet again;
  ASSERT_TRUE(again.AddText(templates.ToText()).ok());
  EXPECT_EQ(again.ToText(), templates.ToText());
  EXPECT_EQ(*filter.Apply(again), (std::vector<size_t>{0}));
}

TEST(RuleFilter, UnknownClassesAndBadLinesAreErrors) {
  const Taxonomy shop = Shop();
  RuleFilter filter;
  filter.SetRules({Rule({0}, {1})}, ItemCatalog{kNames, &shop});
  TemplateSet templates;
  ASSERT_TRUE(templates.AddText("include <Toys> ==> *").ok());
  EXPECT_EQ(filter.Apply(templates).status().code(), StatusCode::kNotFound);
  RuleFilter plain;
  plain.SetRules({Rule({0}, {1})}, ItemCatalog{kNames, nullptr});
  EXPECT_EQ(plain.Apply(templates).status().code(), StatusCode::kInvalidArgument);

  TemplateSet set;
  EXPECT_FALSE(set.AddText("include a ==> b; maybe c ==> d").ok());
  EXPECT_TRUE(set.Empty());  // all or nothing
  EXPECT_FALSE(set.AddText("includea ==> b").ok());
  EXPECT_EQ(set.AddText("include ((( ==> ]]").message(),
            "template \"include ((( ==> ]]\": reading stopped at character 9: a name with \" < > "
            "{ } ( ) [ ] is written in quotes");
  ASSERT_TRUE(set.AddText("include \"x; y\" ==> b; exclude c ==> d").ok());
  EXPECT_EQ(set.Templates().size(), 2u);
}

}  // namespace
}  // namespace quarry::assoc
