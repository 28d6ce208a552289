#include <gtest/gtest.h>

#include "core/assoc/association_miner.h"
#include "core/assoc/taxonomy.h"
#include "tests/core/assoc/assoc_test_util.h"

namespace quarry::assoc {
namespace {

using Names = std::vector<std::string>;

// Products (root) > Food > {bread, milk}; Products > Drinks > {beer}; wine on the root itself.
Taxonomy Shop(bool preprocessing = false) {
  Taxonomy t;
  t.SetAttributes({"bread", "milk", "beer", "wine"});
  for (const char* name : {"Products", "Food", "Drinks"}) EXPECT_TRUE(t.AddClassName(name));
  EXPECT_TRUE(t.SetClasses().ok());
  EXPECT_TRUE(t.SetRoot("Products").ok());
  EXPECT_TRUE(t.AddChild("Products", "Food").ok());
  EXPECT_TRUE(t.AddChild("Products", "Drinks").ok());
  EXPECT_TRUE(t.AddAttributes("Food", {"bread", "milk"}).ok());
  EXPECT_TRUE(t.AddAttributes("Drinks", {"beer"}).ok());
  EXPECT_TRUE(t.AddAttributes("Products", {"wine"}).ok());
  t.SetPreprocessing(preprocessing);
  EXPECT_TRUE(t.Close().ok());
  return t;
}

ItemVector Pair(int a, int b, size_t m) { return ToItemVector({a, b}, m); }

TEST(Taxonomy, AncestorsRunFromTheOwnClassUpToTheRoot) {
  for (bool preprocessing : {false, true}) {
    const Taxonomy t = Shop(preprocessing);
    EXPECT_EQ(t.Ancestors(0), (ItemVector{1, 1, 0}));      // bread: Food, Products
    EXPECT_EQ(t.Ancestors(2), (ItemVector{1, 0, 1}));      // beer: Drinks, Products
    EXPECT_EQ(t.Ancestors(3), (ItemVector{1, 0, 0}));      // wine: Products
    EXPECT_EQ(t.Ancestors(4 + 1), (ItemVector{1, 1, 0}));  // the class Food itself
    EXPECT_EQ(t.Ancestors(4 + 0), (ItemVector{1, 0, 0}));
  }
}

TEST(Taxonomy, ItemAndAncestorPairs) {
  const Taxonomy t = Shop();
  const size_t m = 7;
  EXPECT_TRUE(t.ContainsItemAndAncestor(Pair(0, 5, m)));   // bread, Food
  EXPECT_TRUE(t.ContainsItemAndAncestor(Pair(0, 4, m)));   // bread, Products
  EXPECT_FALSE(t.ContainsItemAndAncestor(Pair(0, 6, m)));  // bread, Drinks
  EXPECT_FALSE(t.ContainsItemAndAncestor(Pair(0, 1, m)));  // two columns of one class
  EXPECT_TRUE(t.ContainsItemAndAncestor(Pair(4, 5, m)));   // Products above Food
  EXPECT_FALSE(t.ContainsItemAndAncestor(Pair(5, 6, m)));  // Food and Drinks are siblings
}

TEST(Taxonomy, CloseChecksInOrderAndStaysOpen) {
  Taxonomy t;
  t.SetAttributes({"x", "y"});
  EXPECT_EQ(t.SetClasses().message(), kNoClassName);
  EXPECT_TRUE(t.AddClassName("A"));
  EXPECT_FALSE(t.AddClassName("A"));
  EXPECT_TRUE(t.AddClassName("B"));
  ASSERT_TRUE(t.SetClasses().ok());
  EXPECT_FALSE(t.AddClassName("C"));  // "->" is disabled once the classes are set
  ASSERT_TRUE(t.SetRoot("A").ok());
  EXPECT_EQ(t.Close().message(), kNodeWithoutLeaves);  // neither class has anything below it
  ASSERT_TRUE(t.AddAttributes("A", {"x"}).ok());
  ASSERT_TRUE(t.AddAttributes("B", {"y"}).ok());
  EXPECT_EQ(t.Close().message(), kClassesNeedFather);  // B has no father
  ASSERT_TRUE(t.AddChild("A", "B").ok());
  EXPECT_TRUE(t.Close().ok());
  EXPECT_TRUE(t.Complete());

  Taxonomy u;
  u.SetAttributes({"x", "y"});
  u.AddClassName("A");
  ASSERT_TRUE(u.SetClasses().ok());
  ASSERT_TRUE(u.SetRoot("A").ok());
  ASSERT_TRUE(u.AddAttributes("A", {"x"}).ok());
  EXPECT_EQ(u.AttributesAvailable(), Names{"y"});
  EXPECT_EQ(u.Close().message(), kAttributesNeedLeaf);
  EXPECT_FALSE(u.Complete());
}

TEST(Taxonomy, EditsThatWouldBreakTheHierarchyAreRefused) {
  Taxonomy t;
  t.SetAttributes({"x"});
  for (const char* name : {"R", "C", "D"}) t.AddClassName(name);
  ASSERT_TRUE(t.SetClasses().ok());
  EXPECT_FALSE(t.AddChild("R", "C").ok());  // no root yet
  ASSERT_TRUE(t.SetRoot("R").ok());
  EXPECT_FALSE(t.SetRoot("C").ok());
  ASSERT_TRUE(t.AddChild("C", "D").ok());   // D below C, C still unplaced
  EXPECT_FALSE(t.AddChild("D", "C").ok());  // would make a ring without the root
  EXPECT_FALSE(t.AddChild("C", "C").ok());
  EXPECT_FALSE(t.AddChild("R", "D").ok());  // D has its father
  EXPECT_FALSE(t.AddAttributes("C", {"x", "nope"}).ok());
  EXPECT_EQ(t.AttributesAvailable(), Names{"x"});  // all or nothing
  ASSERT_TRUE(t.AddChild("R", "C").ok());
  ASSERT_TRUE(t.AddAttributes("D", {"x"}).ok());
  ASSERT_TRUE(t.Close().ok());
  EXPECT_EQ(t.Ancestors(0), (ItemVector{1, 1, 1}));
}

TEST(Taxonomy, ListsAndFigures) {
  Taxonomy t = Shop();
  EXPECT_EQ(t.Fathers(), Names{"Products"});
  EXPECT_EQ(t.Leaves(), (Names{"Products", "Food", "Drinks"}));
  EXPECT_EQ(t.Sons("Products"), (Names{"Food", "Drinks"}));
  EXPECT_EQ(t.Attributes("Food"), (Names{"bread", "milk"}));
  const TaxonomyFigures f = t.Figures();
  EXPECT_EQ(f.numClasses, 3);
  EXPECT_EQ(f.numAttributes, 4);
  EXPECT_FLOAT_EQ(f.averageDepth, 7.0f / 4.0f);  // 2 + 2 + 2 + 1
  EXPECT_FLOAT_EQ(f.averageSons, 6.0f / 3.0f);   // two classes and four attributes below three
  EXPECT_FLOAT_EQ(f.stretching, (7.0f / 4.0f) / 2.0f);
  t.ResetAll();
  EXPECT_TRUE(t.Empty());
  EXPECT_EQ(t.Figures().numClasses, 0);
  EXPECT_FLOAT_EQ(t.Figures().averageDepth, 0.0f);
  EXPECT_TRUE(t.AddClassName("again"));
}

TEST(Taxonomy, OtherColumnsDetachTheAttributes) {
  Taxonomy t = Shop();
  t.SetAttributes({"bread", "milk", "beer", "wine"});
  EXPECT_TRUE(t.Complete());
  t.SetAttributes({"bread", "milk"});
  EXPECT_FALSE(t.Complete());
  EXPECT_EQ(t.Check().message(), kNodeWithoutLeaves);
}

using testing::AssocTest;

// bread and milk are Food; a transaction with both holds Food once.
TEST_F(AssocTest, GeneralizedMiningCountsAClassOncePerTransaction) {
  MakeTable(
      "shop", {"bread", "milk", "beer", "wine"}, {"real", "real", "real", "real"},
      {{"1", "1", "0", "0"}, {"1", "0", "1", "0"}, {"0", "0", "1", "1"}, {"0", "1", "0", "0"}});
  Taxonomy t = Shop();
  AssociationMiner miner;
  miner.SetGeneralization(true, false);
  miner.SetTaxonomy(&t);
  ASSERT_TRUE(Mine(miner, "shop", 0.5f, kAis).ok());  // generalized mode mines with A priori
  EXPECT_EQ(
      Describe(miner),
      (Names{"[bread]=2", "[milk]=2", "[beer]=2", "[Products]=4", "[Food]=3", "[Drinks]=2",
             "[bread,Products]=2", "[bread,Food]=2", "[milk,Products]=2", "[milk,Food]=2",
             "[beer,Products]=2", "[beer,Drinks]=2", "[Products,Food]=3", "[Products,Drinks]=2",
             "[bread,Products,Food]=2", "[milk,Products,Food]=2", "[beer,Products,Drinks]=2"}));
  EXPECT_EQ(miner.Figures().items, 7);
  EXPECT_DOUBLE_EQ(miner.Figures().averageTransactionSize, 7.0 / 4.0);

  // Ancestor pruning drops every pair of an item with its own class, and what grows from it.
  miner.SetGeneralization(true, true);
  ASSERT_TRUE(Mine(miner, "shop", 0.25f).ok());
  for (const std::string& set : Describe(miner)) {
    EXPECT_EQ(set.find("bread,Food"), std::string::npos) << set;
    EXPECT_EQ(set.find("Products,Food"), std::string::npos) << set;
  }
  const Names pruned = Describe(miner);
  EXPECT_NE(std::find(pruned.begin(), pruned.end(), "[bread,milk]=1"), pruned.end());
  EXPECT_NE(std::find(pruned.begin(), pruned.end(), "[bread,Drinks]=1"), pruned.end());
}

TEST_F(AssocTest, GeneralizedMiningNeedsACompleteTaxonomyOfTheTable) {
  MakeBaskets("t", {{"1", "0"}});
  AssociationMiner miner;
  miner.SetGeneralization(true, false);
  EXPECT_EQ(Mine(miner, "t", 0.5f).message(), kDefineTaxonomy);
  Taxonomy empty;
  miner.SetTaxonomy(&empty);
  EXPECT_EQ(Mine(miner, "t", 0.5f).message(), kDefineTaxonomy);
  Taxonomy shop = Shop();  // describes other columns
  miner.SetTaxonomy(&shop);
  EXPECT_NE(Mine(miner, "t", 0.5f).message().find("does not describe the columns"),
            std::string::npos);
  Taxonomy open;
  open.SetAttributes({"a", "b"});
  open.AddClassName("R");
  ASSERT_TRUE(open.SetClasses().ok());
  ASSERT_TRUE(open.SetRoot("R").ok());
  ASSERT_TRUE(open.AddAttributes("R", {"a"}).ok());
  miner.SetTaxonomy(&open);
  EXPECT_EQ(Mine(miner, "t", 0.5f).message(), kAttributesNeedLeaf);
}

}  // namespace
}  // namespace quarry::assoc
