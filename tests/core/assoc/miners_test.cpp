#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/assoc/association_miner.h"
#include "core/data/connect_string.h"
#include "core/data/rand.h"
#include "tests/core/assoc/assoc_test_util.h"

namespace quarry {
namespace {

using assoc::AssociationMiner;
using Table = std::vector<std::vector<std::string>>;
using testing::AssocTest;

// Every itemset counted by brute force, as the miners list them: by size, then lexicographic.
std::vector<std::string> BruteForce(const Table& rows, float support) {
  const size_t m = rows.front().size();
  std::vector<std::pair<std::vector<int>, int>> found;
  for (unsigned mask = 1; mask < (1u << m); ++mask) {
    std::vector<int> items;
    for (size_t i = 0; i < m; ++i) {
      if (mask & (1u << i)) items.push_back(static_cast<int>(i));
    }
    int count = 0;
    for (const auto& row : rows) {
      count += std::all_of(items.begin(), items.end(), [&](int i) { return row[i] == "1"; });
    }
    if (assoc::IsFrequent(count, static_cast<long>(rows.size()), support))
      found.push_back({items, count});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
  });
  std::vector<std::string> out;
  for (const auto& [items, count] : found) {
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
      text += (i ? "," : "") + std::string(1, char('a' + items[i]));
    out.push_back(text + "]=" + std::to_string(count));
  }
  return out;
}

Table RandomRows(int rows, int items, int percent, unsigned seed) {
  Rand rand;
  for (unsigned i = 0; i < seed; ++i) rand.Next();
  Table out(static_cast<size_t>(rows), std::vector<std::string>(static_cast<size_t>(items)));
  for (auto& row : out) {
    for (auto& cell : row) cell = rand.Next() % 100 < percent ? "1" : "0";
  }
  return out;
}

struct AgreementCase {
  int rows, items, density;
  float support;
};

class MinersAgree : public AssocTest, public ::testing::WithParamInterface<AgreementCase> {};

// Dense tables at high support make AIS extend several items in one pass; sparse ones at low
// support give many candidates that never become frequent.
TEST_P(MinersAgree, WithEachOtherAndWithBruteForce) {
  const AgreementCase c = GetParam();
  const Table rows =
      RandomRows(c.rows, c.items, c.density, static_cast<unsigned>(c.items * 7 + c.rows));
  MakeBaskets("t", rows);
  const std::vector<std::string> expected = BruteForce(rows, c.support);
  EXPECT_EQ(MineTexts("t", c.support, assoc::kApriori), expected);
  EXPECT_EQ(MineTexts("t", c.support, assoc::kAprioriTid), expected);
  EXPECT_EQ(MineTexts("t", c.support, assoc::kAis), expected);
  EXPECT_EQ(MineTexts("t", c.support, assoc::kAis, /*aisPruning=*/true), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MinersAgree,
    ::testing::Values(AgreementCase{30, 6, 50, 0.2f}, AgreementCase{40, 8, 80, 0.5f},
                      AgreementCase{60, 10, 70, 0.3f}, AgreementCase{50, 9, 20, 0.02f},
                      AgreementCase{12, 5, 90, 0.0f}, AgreementCase{25, 7, 60, 1.0f}));

// The sample's basket table, with its planted patterns, through all three miners.
TEST_F(AssocTest, MinersAgreeOnTheSampleBaskets) {
  const std::filesystem::path copy = folder_.path() / "sample.sqlite";
  std::filesystem::copy_file(QUARRY_SAMPLE_DB, copy);
  ASSERT_TRUE(source_.Open(SqliteConnectString(copy.string()))) << source_.LastError();
  const Table rows = Rows("select * from baskets");
  ASSERT_EQ(rows.size(), 200u);
  for (float support : {0.01f, 0.05f, 0.2f}) {
    const std::vector<std::string> expected = BruteForce(rows, support);
    EXPECT_GT(expected.size(), 12u);
    for (int algorithm : {assoc::kApriori, assoc::kAprioriTid, assoc::kAis}) {
      std::vector<std::string> found = MineTexts("baskets", support, algorithm);
      // Column names instead of letters: compare the counts and the shapes.
      ASSERT_EQ(found.size(), expected.size()) << support << " " << algorithm;
      for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].substr(found[i].find('=')), expected[i].substr(expected[i].find('=')));
        EXPECT_EQ(std::count(found[i].begin(), found[i].end(), ','),
                  std::count(expected[i].begin(), expected[i].end(), ','));
      }
    }
  }
}

// The threshold is the single-precision value typed: 0.05 lies slightly above 1/20, while 0.5 is
// exactly 1/2.
TEST_F(AssocTest, SinglePrecisionThresholdAgainstDoubleSupport) {
  Table twenty(20, {"0", "1"});
  twenty[0][0] = "1";
  MakeBaskets("twenty", twenty);
  EXPECT_EQ(MineTexts("twenty", 0.05f), (std::vector<std::string>{"[b]=20"}));
  MakeBaskets("two", {{"1", "0"}, {"0", "0"}});
  EXPECT_EQ(MineTexts("two", 0.5f), (std::vector<std::string>{"[a]=1"}));
}

TEST_F(AssocTest, OnlyTheTextOneIsAnItem) {
  MakeTable("cells", {"a", "b"}, {"string", "string"},
            {{"1", "1"}, {"1.0", "1"}, {" 1", "1"}, {"?", "0"}, {"0", "1"}});
  for (int algorithm : {assoc::kApriori, assoc::kAprioriTid, assoc::kAis}) {
    EXPECT_EQ(MineTexts("cells", 0.1f, algorithm),
              (std::vector<std::string>{"[a]=1", "[b]=4", "[a,b]=1"}));
  }
}

TEST_F(AssocTest, RefusesTablesItCannotMine) {
  MakeTable("words", {"a", "b"}, {"string", "string"}, {{"1", "0"}, {"1", "yes"}});
  MakeBaskets("good", {{"1", "1"}});
  MakeTable("empty", {"a"}, {"real"}, {});
  AssociationMiner miner;
  ASSERT_TRUE(Mine(miner, "good", 0.5f).ok());
  Status s = Mine(miner, "words", 0.1f);
  EXPECT_EQ(s.code(), StatusCode::kInvalidArgument);
  EXPECT_NE(s.message().find("column b of table words holds \"yes\""), std::string::npos)
      << s.message();
  // A failed run leaves no result of the run before it.
  EXPECT_TRUE(miner.FrequentItemsets().empty());
  EXPECT_NE(Mine(miner, "empty", 0.1f).message().find("has no rows"), std::string::npos);
  EXPECT_EQ(Mine(miner, "missing", 0.1f).code(), StatusCode::kNotFound);
  for (float bad : {-0.1f, 1.5f, std::nanf("")}) {
    EXPECT_EQ(Mine(miner, "good", bad).code(), StatusCode::kInvalidArgument);
    miner.SetParameters("good", 0.5f, bad, assoc::kApriori, false, source_);
    EXPECT_EQ(miner.Run().code(), StatusCode::kInvalidArgument);
  }
  EXPECT_EQ(Mine(miner, "good", 0.5f, 7).code(), StatusCode::kInvalidArgument);
}

TEST_F(AssocTest, OneFrequentItemNeedsNoSecondPass) {
  MakeBaskets("t", {{"1", "1", "0"}, {"1", "0", "0"}, {"1", "0", "1"}, {"1", "0", "0"}});
  AssociationMiner miner;
  ASSERT_TRUE(Mine(miner, "t", 0.5f).ok());
  EXPECT_EQ(Describe(miner), (std::vector<std::string>{"[a]=4"}));
  EXPECT_EQ(miner.Times().tablePasses, 1);
}

TEST_F(AssocTest, StopsAtTheNumberOfItems) {
  MakeBaskets("full", Table(3, {"1", "1", "1"}));
  AssociationMiner miner;
  ASSERT_TRUE(Mine(miner, "full", 0.5f).ok());
  EXPECT_EQ(Describe(miner).back(), "[a,b,c]=3");
  EXPECT_EQ(Describe(miner).size(), 7u);
  EXPECT_EQ(miner.Times().tablePasses, 3);
  ASSERT_TRUE(Mine(miner, "full", 0.5f, assoc::kAprioriTid).ok());
  EXPECT_EQ(Describe(miner).size(), 7u);
  EXPECT_EQ(miner.Times().tablePasses, 1);
}

TEST_F(AssocTest, ZeroSupportReportsOnlyItemsetsThatOccur) {
  MakeBaskets("t", {{"1", "0", "0"}, {"1", "1", "0"}});
  for (int algorithm : {assoc::kApriori, assoc::kAprioriTid, assoc::kAis}) {
    EXPECT_EQ(MineTexts("t", 0.0f, algorithm),
              (std::vector<std::string>{"[a]=2", "[b]=1", "[a,b]=1"}));
  }
}

TEST_F(AssocTest, FiguresOfARun) {
  MakeBaskets("t", {{"1", "1", "0"}, {"1", "1", "1"}, {"0", "1", "0"}, {"0", "0", "0"}});
  AssociationMiner miner;
  ASSERT_TRUE(Mine(miner, "t", 0.5f, assoc::kAprioriTid).ok());
  const assoc::MiningFigures f = miner.Figures();
  EXPECT_EQ(f.transactions, 4);
  EXPECT_EQ(f.items, 3);
  EXPECT_DOUBLE_EQ(f.averageTransactionSize, 6.0 / 4.0);
  EXPECT_EQ(f.frequentPatterns, 3);  // a, b, ab
  EXPECT_DOUBLE_EQ(f.averagePatternSize, 4.0 / 3.0);
  miner.Clear();
  EXPECT_EQ(miner.Figures().frequentPatterns, 0);
}

}  // namespace
}  // namespace quarry
